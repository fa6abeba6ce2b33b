// When the schedule starts checks, with a checker that is free or busy as the test says.
#include "app/CheckSchedule.h"
#include "tests/support/QtTests.h"

#include <QTest>

#include <optional>
#include <set>
#include <vector>

namespace {

using namespace std::chrono_literals;

const std::set<std::string> kAccounts{"a@example.org", "b@example.org"};

/// The checker as the schedule sees it: busy or free, and which accounts each start took.
struct Checker {
    bool busy = false;
    std::vector<std::set<std::string>> started;

    CheckSchedule::Start start() {
        return [this](const CheckStarter::Selection& selected) {
            if (busy)
                return false;
            std::set<std::string> taken;
            for (const std::string& address : kAccounts)
                if (!selected || selected(address))
                    taken.insert(address);
            started.push_back(taken);
            busy = true;
            return true;
        };
    }
    // The running check's events, as the window passes them on.
    void runs(CheckSchedule& schedule) {
        schedule.checkStarted();
        busy = false;
        schedule.checkFinished();
    }
};

CheckProblem passing(std::chrono::seconds retryAfter = 0s) {
    return {CheckFailure::Connect, "Could not connect.", true, retryAfter};
}

} // namespace

class CheckScheduleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passingFailuresAreRetriedSoonerThanTheInterval() {
        Checker checker;
        CheckSchedule schedule(checker.start());
        schedule.setInterval(5);
        const auto delay = [&](const CheckProblem& problem, int failures) {
            return schedule.retryDelay(problem, failures);
        };
        QCOMPARE(delay(passing(), 1), 30000ms);
        QCOMPARE(delay(passing(), 2), 60000ms);
        QCOMPARE(delay(passing(), 3), 120000ms);
        QCOMPARE(delay(passing(), 4), 240000ms);
        QCOMPARE(delay(passing(), 9), 240000ms);
        // A wrong password does not pass by waiting.
        QCOMPARE(delay({CheckFailure::Login, "refused", false, 0s}, 1), 0ms);
        // The server's own delay counts; past the interval the scheduled check comes first.
        QCOMPARE(delay(passing(90s), 1), 90000ms);
        QCOMPARE(delay(passing(600s), 1), 0ms);
        schedule.setInterval(1);
        QCOMPARE(delay(passing(), 1), 30000ms);
        QCOMPARE(delay(passing(), 2), 0ms);
        schedule.setInterval(0); // automatic checks off: no retries either
        QCOMPARE(delay(passing(), 1), 0ms);
        QCOMPARE(schedule.summary(), QStringLiteral("Automatic checks are off."));
    }

    void checksWantedWhileOneRunsStartWhenItEnds() {
        Checker checker;
        CheckSchedule schedule(checker.start());
        schedule.setInterval(5);
        QVERIFY(schedule.checkAll());
        QVERIFY(!schedule.checkAll());
        schedule.checkAccountSoon("b@example.org");
        QCOMPARE(checker.started.size(), 1u);
        QVERIFY(schedule.checkStarted()); // the first takes every account
        checker.busy = false;
        schedule.checkFinished();
        QCOMPARE(checker.started.back(), std::set<std::string>{"b@example.org"});
        QVERIFY(!schedule.checkStarted()); // ...the second only one
        checker.busy = false;
        schedule.checkFinished();
        QVERIFY(schedule.summary().startsWith(QStringLiteral("Last check at ")));
        QVERIFY(schedule.summary().contains(QStringLiteral("; next at ")));

        // A wake-up during a check of one account: every account after it.
        schedule.checkAccountSoon("a@example.org");
        schedule.checkAllSoon();
        checker.runs(schedule);
        QCOMPARE(checker.started.back(), kAccounts);
        checker.runs(schedule);
        QCOMPARE(checker.started.size(), 4u);

        // A removed account leaves nothing waiting.
        checker.busy = true;
        schedule.checkAccountSoon("gone@example.org");
        schedule.forget("gone@example.org");
        checker.busy = false;
        schedule.checkFinished();
        QCOMPARE(checker.started.size(), 4u);
    }
};

VELOMAR_QT_TEST(CheckScheduleTest);

#include "CheckScheduleTest.moc"
