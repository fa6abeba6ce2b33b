// When the schedule starts checks, and which accounts they take.
#include "shell/CheckSchedule.h"
#include "tests/support/QtTests.h"

#include <QTest>

#include <optional>
#include <set>
#include <vector>

namespace {

using namespace std::chrono_literals;

const std::set<std::string> kAccounts{"a@example.org", "b@example.org"};

/// The starter as the schedule sees it: which accounts each start took.
struct Checker {
    std::vector<std::set<std::string>> started;

    CheckSchedule::Start start() {
        return [this](const CheckStarter::Selection& selected) -> CheckStarter::CheckId {
            std::set<std::string> taken;
            for (const std::string& address : kAccounts)
                if (!selected || selected(address))
                    taken.insert(address);
            if (selected && taken.empty())
                return 0;
            started.push_back(taken);
            return static_cast<CheckStarter::CheckId>(started.size());
        };
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

    void checksStartAtOnceAndTakeWhatTheyAskFor() {
        Checker checker;
        CheckSchedule schedule(checker.start());
        schedule.setInterval(5);
        QCOMPARE(schedule.checkAll(), 1u);
        // Also while the first runs: the starter checks no account twice at a time.
        schedule.checkAccount("b@example.org");
        QCOMPARE(checker.started.back(), std::set<std::string>{"b@example.org"});
        schedule.checkFinished();
        QVERIFY(schedule.summary().startsWith(QStringLiteral("Last check at ")));
        QVERIFY(schedule.summary().contains(QStringLiteral("; next at ")));
    }
};

VELOMAR_QT_TEST(CheckScheduleTest);

#include "CheckScheduleTest.moc"
