#pragma once

// What the page tests share: a model on real data files in a throwaway folder, an observer that
// writes down what a page reports, and desktop handlers in the test program's own XDG folders.

#include "core/LogicCore.h"
#include "logic/Account.h"
#include "ui/PagesObserver.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

class QTableWidget;

namespace PageTests {

/// One line per event, in order.
class RecordingObserver : public PagesObserver {
public:
    void soundFileChanged(const std::u16string& path) override;
    void intervalChanged(std::int32_t minutes) override;
    void notificationWindowChanged(bool on) override;
    void playSoundChanged(bool on) override;
    void autostartChanged(bool on) override;
    void mailsChanged() override;
    void modelSaved(ActionResult result) override;

    /// The events so far; starts afresh.
    QStringList take() { return std::exchange(m_events, {}); }

private:
    QStringList m_events;
};

/// A message as a check reads it; `received` is the date of its Received line ("" for none).
std::shared_ptr<Logic::Mail> mail(const std::string& account, const std::string& fromField,
                                  const std::string& subjectField, const std::string& received);

/// A model of its own, on a data file in a throwaway folder.
class Model {
public:
    Model();
    LogicCore& core() { return *m_core; }
    /// Adds and saves an account with these messages and read-mail action.
    void addAccount(const std::string& email, const Logic::Account::MailList& mails = {},
                    Logic::AccountPreferences preferences = {});
    void addAccount(std::unique_ptr<Logic::Account> account);
    /// What the data file holds now: every account with its unread subjects, as a second core
    /// reads them ("a@example.org: a1, a2").
    QStringList saved() const;
    bool dataFileExists() const;
    /// The next saves fail until `repairSaving`.
    void breakSaving();
    void repairSaving();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<LogicCore> m_core;
};

/// The texts of one column of a list, top to bottom.
QStringList column(const QTableWidget* list, int column);

Logic::AccountPreferences launching(const std::string& commandLine);
Logic::AccountPreferences opening(const std::string& url);

/// The desktop's handlers for the tests, in the XDG folders this program runs with: "mailto:"
/// starts a mail client whose command line reads %VELOMAR_TEST_BOX%, and "velomar-test:"
/// addresses open with a handler; both write their arguments to a file. Nothing handles
/// "velomar-nohandler:". Installed once, before anything asks the desktop.
void installDesktopHandlers();
/// The arguments of every handler start so far, one line each (a handler writes them a moment
/// after it was started: compare with QTRY_COMPARE).
QStringList handlerStarts();
void forgetHandlerStarts();
/// Makes the mail client's program not executable (the desktop then has no mail client).
void setMailClientInstalled(bool installed);
/// A command line that starts the recording handler with these arguments.
QString recordingCommand(const QString& arguments);

} // namespace PageTests
