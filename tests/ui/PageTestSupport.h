#pragma once

// What the page tests share: a model on a data file in a throwaway folder with its events, a
// recorder that writes down the events a page causes, and desktop handlers in the program's own XDG
// folders.

#include "core/LogicCore.h"
#include "ui/ModelEvents.h"

#include <QStringList>
#include <QTemporaryDir>

class QTableView;
class SettingsPage;

namespace PageTests {

/// One line per event of the model and of a Settings page, in order.
class EventRecorder : public QObject {
public:
    QStringList take() { return std::exchange(m_events, {}); }
    void listen(ModelEvents& events);
    void listen(SettingsPage& page);

private:
    void add(const QString& event) { m_events << event; }
    QStringList m_events;
};

/// A message as a check reads it; `received` is its Received line's date ("" for none).
std::shared_ptr<Logic::Mail> mail(const std::string& account, const std::string& from,
                                  const std::string& subject, const std::string& received);
Logic::AccountPreferences readAction(Logic::ReadMailAction action, const std::string& text);

/// A model of its own, on a data file in a throwaway folder, and its events.
class Model {
public:
    Model();
    LogicCore& core() { return *m_core; }
    ModelEvents& events() { return *m_events; }
    void addAccount(const std::string& email, const Logic::Account::MailList& mails = {},
                    const Logic::AccountPreferences& preferences = {});
    void addAccount(std::unique_ptr<Logic::Account> account);
    /// A second core on the same data file.
    std::unique_ptr<LogicCore> reload() const;
    /// What the data file holds: "a@example.org: a1, a2" an account.
    QStringList saved() const;
    QString dataFile() const { return m_folder.filePath(QStringLiteral("data/general.bin")); }
    /// Saves fail while a file stands where the data folder belongs.
    void breakSaving(bool broken);

private:
    QTemporaryDir m_folder;
    std::unique_ptr<LogicCore> m_core;
    std::unique_ptr<ModelEvents> m_events;
};

/// The texts of one column, top to bottom.
QStringList column(const QTableView* list, int column);

/// Handlers in the XDG folders this program runs with, installed before anything asks the
/// desktop: "mailto:" starts a mail client whose command line reads %VELOMAR_TEST_BOX%,
/// "velomar-test:" addresses open with a handler; both write their arguments to a file.
/// Nothing handles "velomar-nohandler:".
void installDesktopHandlers();
/// The arguments of each start so far, a line each; a handler writes them a moment after it
/// was started, so compare with QTRY_COMPARE.
QStringList handlerStarts();
void forgetHandlerStarts();
/// Without the program's execute bit the desktop has no mail client.
void setMailClientInstalled(bool installed);
/// A command line that starts the recording handler with these arguments.
QString recordingCommand(const QString& arguments);

} // namespace PageTests
