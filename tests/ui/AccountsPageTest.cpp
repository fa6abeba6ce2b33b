// The Accounts page on a real model: status texts, removing (only once the removal is saved),
// the double click's read-mail action, the wizard's Cancel, and the rows following a real
// check against the test Dovecot.
#include "ui/AccountsPage.h"
#include "core/CheckModelUpdater.h"
#include "core/ModelView.h"
#include "core/UserActions.h"
#include "tests/support/CheckMail.h"
#include "tests/support/QtTests.h"
#include "tests/ui/PageTestSupport.h"
#include "transport/MailChecker.h"
#include "ui/Prompts.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace PageTests;
using namespace Qt::StringLiterals;

namespace {

enum { kAddress, kStatus };

Logic::Account::MailList mails(const std::string& account, int count) {
    Logic::Account::MailList list;
    for (int i = 0; i < count; ++i)
        list.push_back(mail(account, "Bob <bob@example.net>", "Note " + std::to_string(i),
                            "Mon, 7 Dec 2026 10:00:00 +0000"));
    return list;
}

QTableWidget* listOf(AccountsPage& page) {
    return page.findChild<QTableWidget*>(u"accountList"_s);
}

QPushButton* button(AccountsPage& page, const QString& name) {
    return page.findChild<QPushButton*>(name);
}

void clickRow(QTableWidget* list, int row, bool twice = false) {
    const QPoint centre = list->visualRect(list->model()->index(row, kStatus)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

// Stands in for the main window during a check: at each event of an account the page redraws
// that account's row on the interface thread, and the row's text is written down there. The
// checker waits until it is, so every status the run passes through is seen.
class RowWatcher : public CheckObserver {
public:
    explicit RowWatcher(AccountsPage& page) : m_page(page) {}

    QStringList seen;
    bool finished = false;

    void checkStarted() override {
        for (int row = 0; row < listOf(m_page)->rowCount(); ++row)
            show(listOf(m_page)->item(row, kAddress)->data(Qt::UserRole).toByteArray());
    }
    void accountStarting(const AccountCheckEntry& entry) override { showFromChecker(entry); }
    void accountChecked(const AccountCheckEntry&, const Logic::Account::MailList&) override {}
    void accountFailed(const AccountCheckEntry& entry, CheckFailure) override {
        showFromChecker(entry);
    }
    void accountFinished(const AccountCheckEntry& entry) override { showFromChecker(entry); }
    void checkFinished() override {
        QMetaObject::invokeMethod(
            &m_page, [this] { finished = true; }, Qt::QueuedConnection);
    }

private:
    void show(const QByteArray& address) {
        m_page.refreshAccountRow(address.toStdString());
        QTableWidget* list = listOf(m_page);
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->item(row, kAddress)->text() == QString::fromUtf8(address))
                seen << list->item(row, kAddress)->text() + u": "_s +
                            list->item(row, kStatus)->text();
        }
    }
    void showFromChecker(const AccountCheckEntry& entry) {
        const QByteArray address =
            QByteArray::fromStdString(entry.connectionSettings.emailAddress());
        QSemaphore shown;
        QMetaObject::invokeMethod(
            &m_page,
            [&] {
                show(address);
                shown.release();
            },
            Qt::QueuedConnection);
        shown.acquire();
    }

    AccountsPage& m_page;
};

} // namespace

class AccountsPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installDesktopHandlers(); }
    void cleanup() {
        m_observer.take();
        Prompts::takeAsked();
    }

    void statusTextsAndButtonsFollowTheModel() {
        Model model;
        AccountsPage empty(model.core(), nullptr);
        QCOMPARE(listOf(empty)->rowCount(), 0);
        QVERIFY(button(empty, u"addAccount"_s)->isEnabled());
        QVERIFY(!button(empty, u"editAccount"_s)->isEnabled());
        QVERIFY(!button(empty, u"removeAccount"_s)->isEnabled());

        model.addAccount("none@example.org");
        model.addAccount("one@example.org", mails("one@example.org", 1));
        model.addAccount("many@example.org", mails("many@example.org", 21));
        AccountsPage page(model.core(), nullptr);
        page.show();
        QCOMPARE(column(listOf(page), kAddress),
                 (QStringList{u"none@example.org"_s, u"one@example.org"_s, u"many@example.org"_s}));
        QCOMPARE(
            column(listOf(page), kStatus),
            (QStringList{u"No unread messages"_s, u"1 unread message"_s, u"21 unread messages"_s}));
        clickRow(listOf(page), 1);
        QVERIFY(button(page, u"editAccount"_s)->isEnabled());
        QVERIFY(button(page, u"removeAccount"_s)->isEnabled());
    }

    void removingTheOnlyAccountEmptiesTheListOnceTheFileHoldsNone() {
        Model model;
        model.addAccount("only@example.org", mails("only@example.org", 2));
        AccountsPage page(model.core(), nullptr);
        page.setObserver(&m_observer);
        page.show();
        clickRow(listOf(page), 0);

        model.breakSaving();
        QTest::mouseClick(button(page, u"removeAccount"_s), Qt::LeftButton);
        QCOMPARE(column(listOf(page), kAddress), QStringList{u"only@example.org"_s});
        QCOMPARE(m_observer.take(), QStringList{u"not saved"_s});

        model.repairSaving();
        QTest::mouseClick(button(page, u"removeAccount"_s), Qt::LeftButton);
        QCOMPARE(listOf(page)->rowCount(), 0);
        QVERIFY(!button(page, u"removeAccount"_s)->isEnabled());
        QCOMPARE(m_observer.take(), (QStringList{u"saved"_s, u"mailsChanged"_s}));
        QCOMPARE(model.saved(), QStringList{});
        QVERIFY(model.dataFileExists());
    }

    void doubleClickClearsTheAccountOnlyWhenItsActionStarts() {
        Model model;
        model.addAccount("web@example.org", mails("web@example.org", 3),
                         opening("velomar-nohandler:inbox"));
        model.addAccount("other@example.org", mails("other@example.org", 1));
        AccountsPage page(model.core(), nullptr);
        page.setObserver(&m_observer);
        page.show();

        Prompts::answerNextMessage();
        clickRow(listOf(page), 0, true);
        QCOMPARE(Prompts::takeAsked().value(0).text,
                 u"Can't open the url [velomar-nohandler:inbox]!"_s);
        QCOMPARE(listOf(page)->item(0, kStatus)->text(), u"3 unread messages"_s);
        QVERIFY(m_observer.take().isEmpty());

        const auto settings = ModelView(model.core()).accountSettings("web@example.org");
        UserActions(model.core())
            .replaceAccountSettings("web@example.org", settings->connectionSettings,
                                    opening("velomar-test:inbox"));
        clickRow(listOf(page), 0, true);
        QCOMPARE(listOf(page)->item(0, kStatus)->text(), u"No unread messages"_s);
        QCOMPARE(m_observer.take(), (QStringList{u"saved"_s, u"mailsChanged"_s}));
        QCOMPARE(model.saved(),
                 (QStringList{u"web@example.org: "_s, u"other@example.org: Note 0"_s}));
    }

    void cancellingTheWizardAddsAndWritesNothing() {
        Model model;
        AccountsPage page(model.core(), nullptr);
        page.setObserver(&m_observer);
        QTimer::singleShot(0, &page, [] {
            if (QWidget* wizard = QApplication::activeModalWidget())
                static_cast<QDialog*>(wizard)->reject();
        });
        QTest::mouseClick(button(page, u"addAccount"_s), Qt::LeftButton);
        QCOMPARE(listOf(page)->rowCount(), 0);
        QVERIFY(!model.dataFileExists());
        QVERIFY(m_observer.take().isEmpty());
    }

    void rowsFollowARealCheck() {
        TestMail::Mailboxes mailboxes;
        Model model;
        model.addAccount(
            TestMail::account("alice", "wonderland", mailboxes.dovecot.tlsPort(), true));
        model.addAccount(TestMail::account("bob", "wrong", mailboxes.dovecot.plainPort(), false));
        AccountsPage page(model.core(), nullptr);
        RowWatcher watcher(page);
        CheckModelUpdater updater(model.core(), &watcher);
        model.core().checkStarter().setObserver(&updater);

        QVERIFY(model.core().checkStarter().startCheck());
        QTRY_VERIFY_WITH_TIMEOUT(watcher.finished, 60000);
        model.core().checkStarter().setObserver(nullptr);
        QCOMPARE(watcher.seen,
                 (QStringList{u"alice@example.org: Pending..."_s, u"bob@example.org: Pending..."_s,
                              u"alice@example.org: Processing..."_s,
                              u"alice@example.org: 2 unread messages"_s,
                              u"bob@example.org: Processing..."_s, u"bob@example.org: Failed..."_s,
                              u"bob@example.org: Failed..."_s}));
    }

private:
    RecordingObserver m_observer;
};

VELOMAR_QT_TEST(AccountsPageTest);

#include "AccountsPageTest.moc"
