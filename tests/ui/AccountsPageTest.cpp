// The Accounts page on a real model: status texts, removing (only once the removal is saved),
// the double click's read-mail action, the wizard's Cancel, and the rows during a real check.
#include "ui/AccountsPage.h"
#include "core/CheckModelUpdater.h"
#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "tests/support/CheckMail.h"
#include "tests/support/QtTests.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/AccountSettingsSheet.h"
#include "ui/AccountWizard.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace PageTests;
using namespace Qt::StringLiterals;

namespace {

enum { kAddress, kStatus };

Logic::Account::MailList notes(const std::string& account, int count) {
    Logic::Account::MailList list;
    for (int i = 0; i < count; ++i)
        list.push_back(mail(account, "Bob <bob@example.net>", "Note " + std::to_string(i), ""));
    return list;
}

// Passes a check's events on to the page's model events and, after each account event, waits
// until the interface thread has handled it and writes the statuses down there: the checker
// waits, so every status the run passes through is seen.
class RowWatcher : public CheckObserver {
public:
    RowWatcher(AccountsPage& page, CheckObserver& next, QTableView& list)
        : m_page(page), m_next(next), m_list(list) {}

    QStringList seen;
    bool finished = false;

    // On the interface thread, before the checkers start: the rows are read at once, while
    // every account is still Pending.
    void checkStarted(CheckId check) override {
        m_next.checkStarted(check);
        m_page.refreshAccounts();
        record();
    }
    void accountStarting(const AccountCheckEntry& entry) override {
        m_next.accountStarting(entry);
        show();
    }
    void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) override {
        m_next.accountChecked(entry, findings);
    }
    void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) override {
        m_next.accountFailed(entry, problem);
        show();
    }
    void accountFinished(const AccountCheckEntry& entry) override {
        m_next.accountFinished(entry);
        show();
    }
    void checkFinished(CheckId check) override {
        m_next.checkFinished(check);
        QMetaObject::invokeMethod(
            &m_list, [this] { finished = true; }, Qt::QueuedConnection);
    }

private:
    void record() { seen << column(&m_list, kStatus).join(u" | "); }
    void show() {
        QSemaphore shown;
        QMetaObject::invokeMethod(
            &m_list,
            [&] {
                record();
                shown.release();
            },
            Qt::QueuedConnection);
        shown.acquire();
    }

    AccountsPage& m_page;
    CheckObserver& m_next;
    QTableView& m_list;
};

} // namespace

class AccountsPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installDesktopHandlers(); }
    void init() {
        m_model = std::make_unique<Model>();
        m_events.listen(m_model->events());
    }
    void cleanup() {
        m_page.reset();
        m_events.take();
        Prompts::takeAsked();
    }

    void statusTextsAndButtonsFollowTheModel() {
        showPage();
        QCOMPARE(m_list->model()->rowCount(), 0);
        QVERIFY(button("addAccount")->isEnabled() && !button("editAccount")->isEnabled() &&
                !button("removeAccount")->isEnabled());

        m_model->addAccount("none@example.org");
        m_model->addAccount("one@example.org", notes("one@example.org", 1));
        m_model->addAccount("many@example.org", notes("many@example.org", 21));
        QCOMPARE(column(m_list, kAddress),
                 (QStringList{u"none@example.org"_s, u"one@example.org"_s, u"many@example.org"_s}));
        QCOMPARE(
            column(m_list, kStatus),
            (QStringList{u"No unread messages"_s, u"1 unread message"_s, u"21 unread messages"_s}));
        clickRow(1);
        QVERIFY(button("editAccount")->isEnabled() && button("removeAccount")->isEnabled());
    }

    void removingTheOnlyAccountWaitsForTheSave() {
        // An address that is not UTF-8 still finds its account from its row.
        m_model->addAccount("caf\xE9@example.org", notes("caf\xE9@example.org", 2));
        showPage();
        clickRow(0);
        // Asked first; No keeps it.
        Prompts::answerNextQuestion(false);
        QTest::keyClick(m_list, Qt::Key_Delete);
        QCOMPARE(Prompts::takeAsked().value(0).text,
                 u"Remove caf\uFFFD@example.org and its 2 unread messages?"_s);
        QCOMPARE(m_list->model()->rowCount(), 1);
        m_model->breakSaving(true);
        Prompts::answerNextQuestion(true);
        QTest::mouseClick(button("removeAccount"), Qt::LeftButton);
        QCOMPARE(column(m_list, kAddress), QStringList{u"caf\uFFFD@example.org"_s});
        QCOMPARE(m_events.take(), QStringList{u"not saved"_s});

        m_model->breakSaving(false);
        Prompts::answerNextQuestion(true);
        QTest::mouseClick(button("removeAccount"), Qt::LeftButton);
        QCOMPARE(m_list->model()->rowCount(), 0);
        QVERIFY(!button("removeAccount")->isEnabled());
        QCOMPARE(m_events.take(), (QStringList{u"removed caf\uFFFD@example.org"_s, u"saved"_s}));
        QVERIFY(QFile::exists(m_model->dataFile()));
        QCOMPARE(m_model->saved(), QStringList{});
    }

    void doubleClickClearsTheAccountOnlyWhenItsActionStarts() {
        m_model->addAccount("web@example.org", notes("web@example.org", 3),
                            readAction(Logic::ReadMailAction::OpenUrl, "velomar-nohandler:in"));
        m_model->addAccount("other@example.org", notes("other@example.org", 1));
        showPage();
        Prompts::answerNextMessage();
        clickRow(0, true);
        QCOMPARE(Prompts::takeAsked().size(), 1);
        QCOMPARE(column(m_list, kStatus).first(), u"3 unread messages"_s);
        QVERIFY(m_events.take().isEmpty());

        const auto copy = ModelReader(m_model->core()).accountSettings("web@example.org");
        UserActions(m_model->core())
            .replaceAccountSettings("web@example.org", copy->connectionSettings,
                                    readAction(Logic::ReadMailAction::OpenUrl, "velomar-test:in"));
        QCOMPARE(m_events.take(), (QStringList{u"changed web@example.org"_s, u"saved"_s}));
        clickRow(0, true);
        QCOMPARE(column(m_list, kStatus).first(), u"No unread messages"_s);
        QCOMPARE(m_events.take(), (QStringList{u"unreadChanged"_s, u"saved"_s}));
        QCOMPARE(m_model->saved(),
                 (QStringList{u"web@example.org: "_s, u"other@example.org: Note 0"_s}));
    }

    void cancellingTheWizardAddsAndWritesNothing() {
        showPage();
        whenModal([](QWidget* wizard) { qobject_cast<QDialog*>(wizard)->reject(); });
        QTest::mouseClick(button("addAccount"), Qt::LeftButton);
        QCOMPARE(m_list->model()->rowCount(), 0);
        QVERIFY(!QFile::exists(m_model->dataFile()));
        QVERIFY(m_events.take().isEmpty());
    }

    void theWizardsAccountIsAddedAndSaved() {
        showPage();
        whenModal([](QWidget* dialog) {
            auto* wizard = qobject_cast<AccountWizard*>(dialog);
            wizard->next();
            fill(wizard->currentPage(), "emailAddress", u"new@example.org"_s);
            fill(wizard->currentPage(), "password", u"secret"_s);
            while (wizard->currentId() != AccountWizard::kCompletionPage)
                wizard->next();
            wizard->accept();
        });
        QTest::mouseClick(button("addAccount"), Qt::LeftButton);
        QCOMPARE(column(m_list, kAddress), QStringList{u"new@example.org"_s});
        QCOMPARE(m_events.take(), (QStringList{u"added new@example.org"_s, u"saved"_s}));
        QCOMPARE(m_model->saved(), QStringList{u"new@example.org: "_s});
    }

    void theSheetsSettingsReplaceTheAccountsOnOk() {
        m_model->addAccount("anna@example.org");
        showPage();
        clickRow(0);
        whenModal([](QWidget* dialog) {
            fill(dialog, "serverName", u"pop.example.net"_s);
            qobject_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(button("editAccount"), Qt::LeftButton);
        // A new server: the account is checked at once.
        QCOMPARE(m_events.take(), (QStringList{u"reached anew anna@example.org"_s, u"saved"_s}));
        const auto reloaded = m_model->reload();
        QCOMPARE(ModelReader(*reloaded)
                     .accountSettings("anna@example.org")
                     ->connectionSettings.serverName(),
                 "pop.example.net");

        whenModal([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
        QTest::mouseClick(button("editAccount"), Qt::LeftButton);
        QVERIFY(m_events.take().isEmpty());
    }

    void rowsFollowARealCheck() {
        TestMail::Mailboxes mailboxes;
        m_model->addAccount(
            TestMail::account("alice", "wonderland", mailboxes.dovecot.tlsPort(), true));
        m_model->addAccount(
            TestMail::account("bob", "wrong", mailboxes.dovecot.plainPort(), false));
        showPage();
        RowWatcher watcher(*m_page, m_model->events().checkObserver(), *m_list);
        CheckModelUpdater updater(m_model->core(), &watcher);
        m_model->core().checkStarter().setObserver(&updater);
        QVERIFY(m_model->core().checkStarter().startCheck());
        QTRY_VERIFY_WITH_TIMEOUT(watcher.finished, 60000);
        m_model->core().checkStarter().setObserver(nullptr);
        const QString kRefused =
            u"Failed: The server refused the log-in: [AUTH] Authentication failed."_s;
        // The accounts are checked side by side: each row goes from Pending through Processing
        // to its outcome, in whichever order the servers answer.
        QCOMPARE(watcher.seen.first(), u"Pending... | Pending..."_s);
        QCOMPARE(watcher.seen.last(), u"2 unread messages | "_s + kRefused);
        for (const int row : {0, 1}) {
            QVERIFY(std::any_of(watcher.seen.begin(), watcher.seen.end(), [row](const QString& s) {
                return s.split(u" | "_s)[row] == u"Processing..."_s;
            }));
        }
    }

private:
    // Runs `drive` on the dialog the next click opens, once it is up.
    template <class Drive> void whenModal(Drive drive) {
        QTimer::singleShot(0, m_page.get(), [drive] { drive(QApplication::activeModalWidget()); });
    }
    static void fill(QWidget* dialog, const char* name, const QString& text) {
        dialog->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(text);
    }
    void showPage() {
        m_page = std::make_unique<AccountsPage>(m_model->core(), m_model->events(), nullptr);
        m_events.take(); // what the set-up did
        m_page->show();
        m_list = m_page->findChild<QTableView*>(u"accountList"_s);
    }
    QPushButton* button(const char* name) {
        return m_page->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    void clickRow(int row, bool twice = false) {
        const QPoint centre = m_list->visualRect(m_list->model()->index(row, kStatus)).center();
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, centre);
        if (twice)
            QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, centre);
    }

    EventRecorder m_events;
    std::unique_ptr<Model> m_model;
    std::unique_ptr<AccountsPage> m_page;
    QTableView* m_list = nullptr;
};

VELOMAR_QT_TEST(AccountsPageTest);

#include "AccountsPageTest.moc"
