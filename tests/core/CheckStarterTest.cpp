// Stopping a check and changing its observer while the check waits on a silent server, and
// checks that go on beside it.
#include "core/LogicCore.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/support/CheckMail.h"
#include "tests/support/EventLog.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>

namespace {

using namespace std::chrono_literals;

// An hour of silence is allowed, so only a stop request can end the wait for the greeting.
const Pop3Limits kPatient{std::chrono::hours(1), std::chrono::hours(1), std::chrono::hours(1)};

// Records every event; `accountStarting` may be held until the test lets it go.
class Recorder : public CheckObserver {
public:
    void checkStarted(CheckId) override { m_log.record("started"); }
    void accountStarting(const AccountCheckEntry& entry) override {
        m_log.record("starting " + entry.connectionSettings.emailAddress());
        m_released.wait();
        m_log.record("starting done");
    }
    void accountChecked(const AccountCheckEntry& entry, const CheckFindings&) override {
        m_log.record("checked " + entry.connectionSettings.emailAddress());
    }
    void accountFailed(const AccountCheckEntry&, const CheckProblem& problem) override {
        m_log.record("failed: " + problem.reason);
    }
    void accountFinished(const AccountCheckEntry&) override { m_log.record("finished account"); }
    void checkFinished(CheckId) override { m_log.record("finished"); }

    void release() { m_release.set_value(); }
    TestSupport::EventLog& log() { return m_log; }

private:
    std::promise<void> m_release;
    std::shared_future<void> m_released = m_release.get_future().share();
    TestSupport::EventLog m_log;
};

class CheckStarterTest : public testing::Test {
protected:
    CheckStarterTest() {
        core.accountMgr().addAccount(TestMail::account("carol", "x", silent.port(), false));
    }

    TestSupport::TempHome home;
    TestServers::ScriptedPop3Server silent;
    LogicCore core{home.dataFolder(), {}, kPatient};
};

} // namespace

TEST_F(CheckStarterTest, StopCheckEndsAWaitOnASilentServerAndReportsTheEnd) {
    Recorder observer;
    observer.release();
    core.checkStarter().setObserver(&observer);
    ASSERT_TRUE(core.checkStarter().startCheck());
    ASSERT_TRUE(silent.accept());
    core.checkStarter().stopCheck();
    EXPECT_FALSE(core.checkStarter().isChecking());
    // A stopped account is neither checked nor failed; the run still ends.
    EXPECT_EQ(observer.log().waitFor("finished"),
              (std::vector<std::string>{"started", "starting carol@example.org", "starting done",
                                        "finished account", "finished"}));
    core.checkStarter().setObserver(nullptr);
}

TEST_F(CheckStarterTest, RemovingTheObserverWaitsForTheEventInFlightAndNoneFollows) {
    auto observer = std::make_unique<Recorder>();
    core.checkStarter().setObserver(observer.get());
    ASSERT_TRUE(core.checkStarter().startCheck());
    observer->log().waitFor("starting carol@example.org");

    auto removed =
        std::async(std::launch::async, [&] { core.checkStarter().setObserver(nullptr); });
    EXPECT_EQ(removed.wait_for(50ms), std::future_status::timeout);
    observer->release();
    removed.get();
    EXPECT_EQ(observer->log().waitFor("starting done"),
              (std::vector<std::string>{"starting done"}));
    observer.reset(); // torn down in the middle of the check

    ASSERT_TRUE(silent.accept());
    core.checkStarter().stopCheck(); // its remaining events reach nobody
}

TEST_F(CheckStarterTest, ASelectionChecksOnlyTheAccountsItTakes) {
    core.accountMgr().addAccount(TestMail::account("dave", "x", silent.port(), false));
    EXPECT_EQ(core.checkStarter().startCheck([](const std::string&) { return false; }), 0u);
    EXPECT_FALSE(core.checkStarter().isChecking());

    ASSERT_TRUE(core.checkStarter().startCheck(
        [](const std::string& address) { return address == "dave@example.org"; }));
    {
        std::lock_guard lock(core.accountMgr().accountLock());
        EXPECT_EQ(core.accountMgr().findByEmail("dave@example.org")->status(),
                  Logic::AccountStatus::Pending);
        EXPECT_EQ(core.accountMgr().findByEmail("carol@example.org")->status(),
                  Logic::AccountStatus::Idle);
    }
    ASSERT_TRUE(silent.accept());
    core.checkStarter().stopCheck();
}

TEST_F(CheckStarterTest, ASilentServerHoldsUpNoOtherAccountAndEndsAtTheTimeLimit) {
    Pop3Limits limits = kPatient;
    limits.check = std::chrono::seconds(4);
    TestSupport::TempHome otherHome;
    LogicCore limited(otherHome.dataFolder(), {}, limits);
    limited.accountMgr().addAccount(TestMail::account("carol", "x", silent.port(), false));
    TestServers::ScriptedPop3Server good;
    limited.accountMgr().addAccount(TestMail::account("dave", "x", good.port(), false));
    const auto answerEmptyMailbox = [&good] {
        good.say("+OK ready\r\n");
        for (const char* reply : {"-ERR\r\n", "+OK\r\n", "+OK\r\n", "+OK 0 0\r\n", "+OK\r\n"}) {
            good.receiveLine();
            good.say(reply);
        }
        good.waitForClose();
    };
    Recorder observer;
    observer.release();
    limited.checkStarter().setObserver(&observer);
    const auto first = limited.checkStarter().startCheck();
    ASSERT_TRUE(silent.accept());
    answerEmptyMailbox();
    observer.log().waitFor("finished account"); // while carol's server says nothing

    // The next check goes on beside the first; carol's running check answers for it too.
    const auto second = limited.checkStarter().startCheck();
    EXPECT_GT(second, first);
    ASSERT_TRUE(good.accept());
    answerEmptyMailbox();
    observer.log().waitFor("finished account");
    const auto events = observer.log().waitFor("finished", 2); // both checks end together
    EXPECT_EQ(events, (std::vector<std::string>{"failed: The check did not end within 4 s.",
                                                "finished account", "finished", "finished"}));
    limited.checkStarter().setObserver(nullptr);
}
