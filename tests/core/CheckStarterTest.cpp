// Stopping a check and changing its observer while the check waits on a silent server.
#include "core/LogicCore.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/support/CheckMail.h"
#include "tests/support/EventLog.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <future>

namespace {

using namespace std::chrono_literals;

// An hour of silence is allowed, so only a stop request can end the wait for the greeting.
const Pop3Limits kPatient{std::chrono::hours(1), std::chrono::hours(1), std::chrono::hours(1)};

// Records every event; `accountStarting` may be held until the test lets it go.
class Recorder : public CheckObserver {
public:
    void checkStarted() override { m_log.record("started"); }
    void accountStarting(const AccountCheckEntry&) override {
        m_log.record("starting");
        m_release.get_future().wait();
        m_log.record("starting done");
    }
    void accountChecked(const AccountCheckEntry&, const Logic::Account::MailList&) override {
        m_log.record("checked");
    }
    void accountFailed(const AccountCheckEntry&, const CheckProblem&) override {
        m_log.record("failed");
    }
    void accountFinished(const AccountCheckEntry&) override { m_log.record("finished account"); }
    void checkFinished() override { m_log.record("finished"); }

    void release() { m_release.set_value(); }
    TestSupport::EventLog& log() { return m_log; }

private:
    std::promise<void> m_release;
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
              (std::vector<std::string>{"started", "starting", "starting done", "finished account",
                                        "finished"}));
    core.checkStarter().setObserver(nullptr);
}

TEST_F(CheckStarterTest, RemovingTheObserverWaitsForTheEventInFlightAndNoneFollows) {
    auto observer = std::make_unique<Recorder>();
    core.checkStarter().setObserver(observer.get());
    ASSERT_TRUE(core.checkStarter().startCheck());
    observer->log().waitFor("starting");

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
    EXPECT_FALSE(core.checkStarter().startCheck([](const std::string&) { return false; }));
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
