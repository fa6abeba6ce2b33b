// The Messages page on a real model: one row per unread message, the sort rules, marking a
// selection or everything read (saved at once), and the double click's read-mail action.
#include "ui/MessagesPage.h"
#include "core/UserActions.h"
#include "tests/support/QtTests.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/Prompts.h"
#include "ui/ReportTable.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolTip>

using namespace PageTests;
using namespace Qt::StringLiterals;

namespace {

enum { kAccount, kFrom, kSubject, kDate };

void clickHeader(QTableView* list, int column) {
    QHeaderView* header = list->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
}

// The view reads a double click only on the row its button went down on.
void clickRow(QTableView* list, int row, Qt::KeyboardModifiers modifiers, bool twice = false) {
    const QPoint centre = list->visualRect(list->model()->index(row, kSubject)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, centre);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, modifiers, centre);
}

} // namespace

class MessagesPageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installDesktopHandlers(); }

    void init() {
        m_model = std::make_unique<Model>();
        // Two accounts, their messages interleaved in time; one message has no date at all.
        m_model->addAccount(
            "anna@example.org",
            {mail("anna@example.org", "Bob <bob@example.net>", "Lunch",
                  "Mon, 7 Dec 2026 10:05:00 +0000"),
             mail("anna@example.org", "Carol <carol@example.net>", "Minutes",
                  "Sun, 6 Dec 2026 09:00:00 +0100")},
            readAction(Logic::ReadMailAction::LaunchProgram, "/nonexistent/reader --inbox"));
        m_model->addAccount(
            "zoe@example.org",
            {mail("zoe@example.org", "=?utf-8?B?0JDQvdC90LA=?= <anna@example.net>",
                  "=?utf-8?Q?Caf=C3=A9_at_f=C3=BCnf?=", "Tue, 8 Dec 2026 23:59:00 +0000"),
             mail("zoe@example.org", "Dave <dave@example.net>", "No date", "")},
            readAction(Logic::ReadMailAction::LaunchProgram, "true"));
        m_page = std::make_unique<MessagesPage>(m_model->core(), m_model->events(), nullptr);
        m_events.listen(m_model->events());
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        m_list = m_page->findChild<QTableView*>(u"messageList"_s);
        m_markAll = m_page->findChild<QPushButton*>(u"markAllAsRead"_s);
        m_markRead = m_page->findChild<QPushButton*>(u"markAsRead"_s);
    }
    void cleanup() {
        m_page.reset();
        m_model.reset();
        m_events.take();
        Prompts::takeAsked();
    }

    void everyUnreadMessageNewestFirstWithLocalDates() {
        const TestSupport::ScopedTimeZone moscow("MSK-3");
        m_page->refresh();
        QCOMPARE(column(m_list, kAccount),
                 (QStringList{u"zoe@example.org"_s, u"anna@example.org"_s, u"anna@example.org"_s,
                              u"zoe@example.org"_s}));
        QCOMPARE(column(m_list, kFrom),
                 (QStringList{u"Анна <anna@example.net>"_s, u"Bob <bob@example.net>"_s,
                              u"Carol <carol@example.net>"_s, u"Dave <dave@example.net>"_s}));
        QCOMPARE(column(m_list, kSubject).first(), u"Café at fünf"_s);
        QCOMPARE(column(m_list, kDate), (QStringList{u"09.12.2026 02:59"_s, u"07.12.2026 13:05"_s,
                                                     u"06.12.2026 11:00"_s, u""_s}));
        QVERIFY(m_markAll->isEnabled());
        QVERIFY(!m_markRead->isEnabled());
    }

    void headerClicksSortAscendingFirstThenToggle() {
        clickHeader(m_list, kDate);
        QCOMPARE(column(m_list, kSubject),
                 (QStringList{u"No date"_s, u"Minutes"_s, u"Lunch"_s, u"Café at fünf"_s}));
        clickHeader(m_list, kDate);
        QCOMPARE(column(m_list, kSubject),
                 (QStringList{u"Café at fünf"_s, u"Lunch"_s, u"Minutes"_s, u"No date"_s}));
        clickHeader(m_list, kFrom);
        QCOMPARE(column(m_list, kFrom).first(), QStringLiteral("Bob <bob@example.net>"));
        QCOMPARE(column(m_list, kFrom).last(), u"Анна <anna@example.net>"_s);
        clickHeader(m_list, kFrom);
        QCOMPARE(column(m_list, kFrom).first(), u"Анна <anna@example.net>"_s);
        QCOMPARE(m_list->horizontalHeader()->sortIndicatorSection(), int(kFrom));
        QCOMPARE(m_list->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        // A check's refresh keeps the order the user chose, and the selection on its message
        // through a sort too.
        m_page->refresh();
        QCOMPARE(column(m_list, kFrom).first(), u"Анна <anna@example.net>"_s);
        clickRow(m_list, 1, {});
        const QString chosen = column(m_list, kSubject)[1];
        clickHeader(m_list, kSubject);
        m_page->refresh();
        const QModelIndexList rows = m_list->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(column(m_list, kSubject)[rows.front().row()], chosen);
        QVERIFY(rows.front().row() != 1);
    }

    void markingASelectionRemovesExactlyThoseRowsAndSaves() {
        clickRow(m_list, 0, {});
        clickRow(m_list, 2, Qt::ControlModifier);
        QVERIFY(m_markRead->isEnabled());
        QTest::mouseClick(m_markRead, Qt::LeftButton);
        QCOMPARE(column(m_list, kSubject), (QStringList{u"Lunch"_s, u"No date"_s}));
        QVERIFY(!m_markRead->isEnabled());
        QVERIFY(m_markAll->isEnabled());
        QCOMPARE(m_events.take(), (QStringList{u"unreadChanged"_s, u"saved"_s}));
        QCOMPARE(m_model->saved(),
                 (QStringList{u"anna@example.org: Lunch"_s, u"zoe@example.org: No date"_s}));

        // A save that fails still empties the list, and says so.
        m_model->breakSaving(true);
        QTest::mouseClick(m_markAll, Qt::LeftButton);
        QCOMPARE(m_list->model()->rowCount(), 0);
        QVERIFY(!m_markAll->isEnabled());
        QCOMPARE(m_events.take(), (QStringList{u"unreadChanged"_s, u"not saved"_s}));
        m_model->breakSaving(false);
        m_page->markAllRead();
        QCOMPARE(m_model->saved(), (QStringList{u"anna@example.org: "_s, u"zoe@example.org: "_s}));
    }

    void doubleClickClearsTheAccountOnlyWhenItsActionStarts() {
        Prompts::answerNextMessage();
        clickRow(m_list, 1, {}, true); // anna's: her reader does not exist
        QCOMPARE(Prompts::takeAsked().value(0).text,
                 QStringLiteral("Can't launch the program [/nonexistent/reader --inbox]!"));
        QCOMPARE(m_list->model()->rowCount(), 4);
        QVERIFY(m_events.take().isEmpty());

        clickRow(m_list, 0, {}, true); // zoe's: both of hers go, the undated one too
        QCOMPARE(column(m_list, kSubject), (QStringList{u"Lunch"_s, u"Minutes"_s}));
        QCOMPARE(m_events.take(), (QStringList{u"unreadChanged"_s, u"saved"_s}));
        QCOMPARE(m_model->saved(),
                 (QStringList{u"anna@example.org: Lunch, Minutes"_s, u"zoe@example.org: "_s}));
    }

    void theKeyboardMarksReadsAndLeavesTheList() {
        m_list->setFocus();
        clickRow(m_list, 2, {});
        QTest::keyClick(m_list, Qt::Key_Delete);
        QCOMPARE(column(m_list, kSubject),
                 (QStringList{u"Café at fünf"_s, u"Lunch"_s, u"No date"_s}));
        clickRow(m_list, 0, {});
        QTest::keyClick(m_list, Qt::Key_Return); // zoe's read-mail action starts
        QCOMPARE(column(m_list, kSubject), (QStringList{u"Lunch"_s}));
        QTest::keyClick(m_list, Qt::Key_Tab);
        QVERIFY(!m_list->hasFocus());
        QCOMPARE(m_markAll->text(), u"Mark &All As Read"_s);
        QCOMPARE(m_markRead->text(), u"&Mark As Read"_s);
    }

    // The subject takes what the others leave; a cell cut short shows its text on hover; an
    // empty list says so.
    void theSubjectHasTheRoomAndNothingIsHidden() {
        m_page->resize(m_page->sizeHint());
        QTRY_VERIFY(m_list->columnWidth(kSubject) > m_list->columnWidth(kAccount));
        QVERIFY(m_list->columnWidth(kSubject) > m_list->columnWidth(kFrom));
        int total = 0;
        for (int c = kAccount; c <= kDate; ++c)
            total += m_list->columnWidth(c);
        QCOMPARE(total, m_list->viewport()->width());

        m_list->setColumnWidth(kFrom, 40);
        const QRect cut = m_list->visualRect(m_list->model()->index(0, kFrom));
        QHelpEvent hover(QEvent::ToolTip, cut.center(),
                         m_list->viewport()->mapToGlobal(cut.center()));
        QApplication::sendEvent(m_list->viewport(), &hover);
        QTRY_COMPARE(QToolTip::text(), u"Анна <anna@example.net>"_s);

        m_page->markAllRead();
        const QImage saying = m_list->viewport()->grab().toImage();
        static_cast<ReportTable*>(m_list)->setEmptyText({});
        QVERIFY(m_list->viewport()->grab().toImage() != saying);
    }

    void aChangeElsewhereShowsAtOnce() {
        // The tray's "Mark All As Read" and the command line go through the same model.
        UserActions(m_model->core()).clearAccountMails("anna@example.org");
        QCOMPARE(column(m_list, kSubject), (QStringList{u"Café at fünf"_s, u"No date"_s}));
        // Hidden, the page rebuilds nothing until it is shown again.
        m_page->hide();
        UserActions(m_model->core()).removeAccount("zoe@example.org");
        QCOMPARE(m_list->model()->rowCount(), 2);
        m_page->show();
        QCOMPARE(m_list->model()->rowCount(), 0);
        QVERIFY(!m_markAll->isEnabled());
    }

private:
    EventRecorder m_events;
    std::unique_ptr<Model> m_model;
    std::unique_ptr<MessagesPage> m_page;
    QTableView* m_list = nullptr;
    QPushButton* m_markAll = nullptr;
    QPushButton* m_markRead = nullptr;
};

VELOMAR_QT_TEST(MessagesPageTest);

#include "MessagesPageTest.moc"
