// The pop-ups' timing, stacking and maximum on a given work area, on a clock the test moves.
#include "shell/Notifier.h"
#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "shell/NotificationWindow.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/support/QtTests.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct Popups {
    explicit Popups(int mails, QRect workArea = {0, 0, 1280, 1040}) {
        core.accountMgr().addAccount(ShellTest::unreachableAccount("a@example.org"));
        ShellTest::addMails(core, "a@example.org", mails);
        notifier.setClock([this] { return now; });
        notifier.setWorkArea([workArea] { return workArea; });
    }
    // Moves the clock on and runs one animation pass, as the timer would.
    void at(double seconds) {
        now = 100.0 + seconds;
        notifier.animate();
    }
    std::size_t notShownYet() {
        std::size_t count = 0;
        for (const auto& mail : ModelReader(core).unreadMails())
            count += mail->notified() ? 0 : 1;
        return count;
    }

    TestSupport::TempHome home;
    TestSupport::StderrCapture quiet;
    LogicCore core{home.dataFolder(), {}};
    UserActions actions{core};
    Notifier notifier{actions};
    double now = 100.0;
};

} // namespace

class NotifierTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void popupsComeASecondApartEachAboveThePreviousAndFade() {
        Popups run(3, {0, 0, 1280, 1040});
        run.notifier.showNewMails();
        QVERIFY(run.notifier.isRunning());
        QCOMPARE(run.notShownYet(), 0u); // flagged at once
        const auto& popups = run.notifier.popups();
        QCOMPARE(popups.size(), 1u);
        QCOMPARE(popups[0]->geometry(), QRect(1040, 950, 240, 90));
        QVERIFY(popups[0]->isVisible());
        QCOMPARE(popups[0]->alpha(), 0);
        QVERIFY(popups[0]->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(popups[0]->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(popups[0]->windowFlags().testFlag(Qt::FramelessWindowHint));

        run.at(0.5);
        QCOMPARE(popups[0]->alpha(), 127); // fading in
        run.at(1.0);
        run.at(1.01);
        QCOMPARE(popups.size(), 1u); // the next one waits until the first is over a second old
        run.at(1.02);
        QCOMPARE(popups.size(), 2u);
        QCOMPARE(popups[1]->geometry(), QRect(1040, 860, 240, 90));
        QCOMPARE(popups[0]->alpha(), 255);
        // A slow frame is a bigger step, not a slower fade.
        run.at(2.5);
        QCOMPARE(popups[1]->alpha(), 255);
        run.at(2.51);
        QCOMPARE(popups.size(), 3u);
        QCOMPARE(popups[2]->y(), 770);

        run.at(7.5);
        QCOMPARE(popups[0]->alpha(), 127); // fading out
        run.at(8.1);
        QCOMPARE(popups[0]->alpha(), 0);
        QVERIFY(!popups[0]->isVisible()); // hidden, so it goes even without a compositor
        QVERIFY(popups[2]->isVisible());
        run.at(10.4);
        QVERIFY(run.notifier.isRunning());
        run.at(10.6);
        run.at(10.7); // the pass after the last one faded ends the run
        QVERIFY(!run.notifier.isRunning());
        QVERIFY(run.notifier.popups().empty());
    }

    void messagesFoundDuringARunJoinItAndARestartDoesNotRepeatThem() {
        Popups run(1);
        run.notifier.showNewMails();
        run.at(0.5);
        ShellTest::addMails(run.core, "a@example.org", 2, "Later");
        run.notifier.showNewMails();
        QCOMPARE(run.notShownYet(), 0u);
        for (const double seconds : {1.1, 1.11, 2.2, 2.21})
            run.at(seconds);
        QCOMPARE(run.notifier.popups().size(), 3u);
        QCOMPARE(run.notifier.popups()[2]->y(), 1040 - 3 * 90);

        // The flags were saved: a restart offers nothing.
        LogicCore restarted(run.home.dataFolder(), {});
        UserActions actions(restarted);
        Notifier again(actions);
        again.showNewMails();
        QVERIFY(!again.isRunning());
    }

    void theWorkAreaLimitsARunButOneAlwaysShows() {
        Popups tall(20, {0, 0, 1600, 1040}); // 1040 × 0.75 / 90 = 8.67
        tall.notifier.showNewMails();
        QCOMPARE(tall.notifier.maximum(), 8);
        for (int tenth = 1; tenth <= 120; ++tenth)
            tall.at(tenth / 10.0);
        QCOMPARE(tall.notifier.popups().size(), 8u);
        QCOMPARE(tall.notifier.popups().back()->y(), 1040 - 8 * 90);
        // The last place tells how many more there are; none is offered again.
        QCOMPARE(tall.notifier.popups().back()->accessibleDescription(),
                 QStringLiteral("+13 more new messages"));
        QCOMPARE(tall.notShownYet(), 0u);

        // A screen below another: its work area starts far from y = 0.
        Popups lower(20, {0, 1080, 1600, 1040});
        lower.notifier.showNewMails();
        QCOMPARE(lower.notifier.maximum(), 8);

        Popups tiny(3, {0, 0, 300, 110});
        tiny.notifier.showNewMails();
        QCOMPARE(tiny.notifier.maximum(), 1);
        tiny.at(1.5);
        tiny.at(3.0);
        QCOMPARE(tiny.notifier.popups().size(), 1u);
        QCOMPARE(tiny.notifier.popups()[0]->accessibleDescription(),
                 QStringLiteral("3 new messages"));
    }

    void aClickSendsAPopupAwayAndALeftOneAsksForItsMessage() {
        Popups run(2);
        const auto newest = ModelReader(run.core).unreadMails();
        QSignalSpy asked(&run.notifier, &Notifier::popupClicked);
        run.notifier.showNewMails();
        run.at(1.01);
        run.at(2.0);
        NotificationWindow& second = *run.notifier.popups()[1];
        QTest::mouseClick(&second, Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        const auto mail = asked[0][0].value<std::shared_ptr<const Logic::Mail>>();
        QVERIFY(mail != nullptr && std::count(newest.begin(), newest.end(), mail) == 1);
        QCOMPARE(second.alpha(), 0);
        NotificationWindow& first = *run.notifier.popups()[0];
        QTest::mouseClick(&first, Qt::RightButton);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(first.alpha(), 0);
        run.at(2.01);
        QVERIFY(first.alpha() > 120 && first.alpha() < 128);
        run.at(2.6);
        QVERIFY(!first.isAlive());
        QVERIFY(!first.isVisible());
        QVERIFY(!second.isVisible());
    }
};

VELOMAR_QT_TEST(NotifierTest);

#include "NotifierTest.moc"
