// `velomar --check-once` as scripts run it: the real executable against a real Dovecot, with
// its output, exit code and data file.
#include "foundation/FS.h"
#include "logic/Mail.h"
#include "logic/core/LogicCore.h"
#include "tests/core/CheckMail.h"
#include "tests/servers/DovecotServer.h"
#include "tests/servers/TestCertificates.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <sys/wait.h>

namespace {

using TestServers::DovecotServer;
using TestServers::TestCertificates;

struct ProgramRun {
    std::string output;
    int exitCode = -1;
};

// Runs the program with the given options; standard output only, diagnostics dropped.
ProgramRun velomar(const std::string& options) {
    const std::string command = "'" VELOMAR_EXECUTABLE "' " + options + " 2>/dev/null";
    ProgramRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CheckOnceTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        certificates = std::make_unique<TestCertificates>();
        certificates->trustAuthority();
        dovecot = std::make_unique<DovecotServer>(certificates->localhost());
        dovecot->addUser("alice", "wonderland");
        dovecot->deliver("alice", TestMail::message("old", 24 * 5));
        dovecot->deliver("alice", TestMail::message("Tea \"at\" five", 30));
        dovecot->deliver("alice", TestMail::message("=?utf-8?Q?Caf=C3=A9?=", 1));
        dovecot->addUser("bob", "builder");
    }
    static void TearDownTestSuite() {
        dovecot.reset();
        certificates.reset();
    }

    std::filesystem::path dataFolder() const {
        return home.dataFolder() / "Quorvex Software" / "Quorvex Velomar";
    }
    // Sets up accounts the way the program would have saved them.
    void addAccounts(std::vector<std::unique_ptr<Logic::Account>> accounts) {
        LogicCore core(dataFolder());
        for (auto& account : accounts)
            core.accountMgr().addAccount(std::move(account));
        ASSERT_TRUE(core.saveAll());
    }

    static inline std::unique_ptr<TestCertificates> certificates;
    static inline std::unique_ptr<DovecotServer> dovecot;
    TestSupport::TempHome home;
    TestSupport::StderrCapture quiet;
};

} // namespace

TEST_F(CheckOnceTest, WithoutAccountsItSaysSo) {
    const ProgramRun run = velomar("--check-once");
    EXPECT_EQ(run.output, "No accounts are set up.\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(velomar("--check-once --json").output,
              "{\"unread\": 0, \"new\": 0, \"accounts\": []}\n");
}

TEST_F(CheckOnceTest, FindsExactlyTheNewMessagesKeepsThemAndFindsNothingTheSecondTime) {
    std::vector<std::unique_ptr<Logic::Account>> accounts;
    accounts.push_back(TestMail::account("alice", "wonderland", dovecot->tlsPort(), true));
    accounts.push_back(TestMail::account("bob", "builder", dovecot->plainPort(), false));
    addAccounts(std::move(accounts));

    const ProgramRun first = velomar("--check-once --json");
    EXPECT_EQ(first.exitCode, 0);
    const std::regex expected(
        R"(\{"unread": 2, "new": 2, "accounts": \[)"
        R"(\{"email": "alice@example.org", "status": "checked", "failure": null, "new": 2, )"
        R"("unread": 2, "newMessages": \[)"
        R"(\{"from": "Анна <anna@example.net>", "subject": "Café", "date": "\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\+00:00"\}, )"
        R"(\{"from": "Анна <anna@example.net>", "subject": "Tea \\"at\\" five", "date": "[^"]+"\}\]\}, )"
        R"(\{"email": "bob@example.org", "status": "checked", "failure": null, "new": 0, )"
        R"("unread": 0, "newMessages": \[\]\}\]\}
)");
    EXPECT_TRUE(std::regex_match(first.output, expected)) << first.output;

    const ProgramRun second = velomar("--check-once");
    EXPECT_EQ(second.output, "alice@example.org: 0 new, 2 unread\n"
                             "bob@example.org: 0 new, 0 unread\n"
                             "Total: 0 new, 2 unread\n");
    EXPECT_EQ(second.exitCode, 0);

    LogicCore core(dataFolder());
    const Logic::Account& alice = *core.accountMgr().findByEmail("alice@example.org");
    ASSERT_EQ(alice.mails().size(), 2u);
    EXPECT_EQ(alice.mails()[0]->subject(), u"Café");
}

TEST_F(CheckOnceTest, AFailedAccountIsNamedAndGivesExitCodeThree) {
    std::vector<std::unique_ptr<Logic::Account>> accounts;
    accounts.push_back(TestMail::account("bob", "wrong", dovecot->plainPort(), false));
    addAccounts(std::move(accounts));

    const ProgramRun plain = velomar("--check-once");
    EXPECT_EQ(plain.output, "bob@example.org: failed: the server refused the login name or "
                            "password; 0 unread\nTotal: 0 new, 0 unread\n");
    EXPECT_EQ(plain.exitCode, 3);
    const ProgramRun json = velomar("--check-once --json");
    EXPECT_NE(json.output.find("\"status\": \"failed\", \"failure\": \"login\""), std::string::npos)
        << json.output;
    EXPECT_EQ(json.exitCode, 3);
}

TEST_F(CheckOnceTest, ADamagedDataFileStopsTheProgramWithItsMessage) {
    std::filesystem::create_directories(dataFolder() / "data");
    TestSupport::writeFile(dataFolder() / "data" / "general.bin", "not a data file");
    const ProgramRun run = velomar("--check-once");
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(TestSupport::readFile(dataFolder() / "data" / "general.bin"), "not a data file");
}

TEST_F(CheckOnceTest, HelpAndVersion) {
    EXPECT_EQ(velomar("--version").output, "Version 1.0.7 (build 23)\n");
    const ProgramRun help = velomar("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--check-once"), std::string::npos);
}
