// `velomar --check-once` as scripts run it: the real executable against a real Dovecot, with
// its output, exit code and data file.
#include "core/LogicCore.h"
#include "foundation/Product.h"
#include "logic/Mail.h"
#include "tests/cli/ProgramRun.h"
#include "tests/support/CheckMail.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using TestProgram::ProgramRun;
using TestProgram::velomar;

// Replaces each well-formed ISO 8601 date value ("2026-12-08T09:21:31+00:00": the messages were
// sent in UTC) by DATE, so the rest of the output can be compared as a whole.
std::string maskDates(std::string json) {
    const std::string key = "\"date\": \"";
    const std::string shape = "dddd-dd-ddTdd:dd:dd+00:00";
    for (size_t at = json.find(key); at != std::string::npos; at = json.find(key, at)) {
        const size_t value = at + key.size();
        bool wellFormed = value + shape.size() < json.size() && json[value + shape.size()] == '"';
        for (size_t i = 0; wellFormed && i < shape.size(); ++i) {
            const char c = json[value + i];
            wellFormed = shape[i] == 'd' ? (c >= '0' && c <= '9') : c == shape[i];
        }
        if (wellFormed)
            json.replace(value - 1, shape.size() + 2, "DATE");
        at = value;
    }
    return json;
}

class CheckOnceTest : public testing::Test {
protected:
    static void SetUpTestSuite() { mailboxes = std::make_unique<TestMail::Mailboxes>(); }
    static void TearDownTestSuite() { mailboxes.reset(); }

    std::filesystem::path dataFolder() const {
        return home.dataFolder() / "Quorvex Software" / "Quorvex Velomar";
    }
    // Sets up accounts the way the program would have saved them.
    void addAccounts(std::vector<std::unique_ptr<Logic::Account>> accounts) {
        LogicCore core(dataFolder(), {});
        for (auto& account : accounts)
            core.accountMgr().addAccount(std::move(account));
        ASSERT_TRUE(core.saveAll());
    }

    static inline std::unique_ptr<TestMail::Mailboxes> mailboxes;
    TestSupport::TempHome home;
    TestSupport::StderrCapture quiet;
};

} // namespace

TEST_F(CheckOnceTest, WithoutAccountsItSaysSo) {
    const ProgramRun run = velomar("--check-once");
    EXPECT_EQ(run.output, "No accounts are set up.\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(velomar("--check-once --json").output,
              "{\"unread\": 0, \"new\": 0, \"saved\": true, \"accounts\": []}\n");
}

// The jobs without a window are the front door's own: no Qt library in the process, even in the
// middle of a check (here against a server that takes the connection and never greets).
TEST_F(CheckOnceTest, ItsJobsLoadNoQt) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<std::unique_ptr<Logic::Account>> accounts;
    accounts.push_back(TestMail::account("alice", "wonderland", ntohs(address.sin_port), false));
    addAccounts(std::move(accounts));

    const pid_t job = ::fork();
    if (job == 0) {
        ::execl(VELOMAR_EXECUTABLE, "velomar", "--check-once", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    pollfd connecting{listener, POLLIN, 0};
    ASSERT_EQ(::poll(&connecting, 1, 30000), 1);
    std::stringstream maps;
    maps << std::ifstream("/proc/" + std::to_string(job) + "/maps").rdbuf();
    ::kill(job, SIGKILL);
    ::waitpid(job, nullptr, 0);
    ::close(listener);
    EXPECT_NE(maps.str().find("libc.so"), std::string::npos);
    EXPECT_EQ(maps.str().find("libQt6"), std::string::npos) << maps.str();
}

TEST_F(CheckOnceTest, FindsExactlyTheNewMessagesKeepsThemAndFindsNothingTheSecondTime) {
    std::vector<std::unique_ptr<Logic::Account>> accounts;
    accounts.push_back(
        TestMail::account("alice", "wonderland", mailboxes->dovecot.tlsPort(), true));
    accounts.push_back(TestMail::account("bob", "builder", mailboxes->dovecot.plainPort(), false));
    addAccounts(std::move(accounts));

    const ProgramRun first = velomar("--check-once --json");
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(maskDates(first.output),
              "{\"unread\": 2, \"new\": 2, \"saved\": true, \"accounts\": ["
              "{\"email\": \"alice@example.org\", \"status\": \"checked\", \"failure\": null, "
              "\"reason\": null, "
              "\"new\": 2, \"unread\": 2, \"newMessages\": ["
              "{\"from\": \"Анна <anna@example.net>\", \"subject\": \"Café\", \"date\": DATE}, "
              "{\"from\": \"Анна <anna@example.net>\", \"subject\": \"Tea \\\"at\\\" five\", "
              "\"date\": DATE}]}, "
              "{\"email\": \"bob@example.org\", \"status\": \"checked\", \"failure\": null, "
              "\"reason\": null, "
              "\"new\": 0, \"unread\": 0, \"newMessages\": []}]}\n")
        << first.output;

    const ProgramRun second = velomar("--check-once");
    EXPECT_EQ(second.output, "alice@example.org: 0 new, 2 unread\n"
                             "bob@example.org: 0 new, 0 unread\n"
                             "Total: 0 new, 2 unread\n");
    EXPECT_EQ(second.exitCode, 0);

    LogicCore core(dataFolder(), {});
    const Logic::Account& alice = *core.accountMgr().findByEmail("alice@example.org");
    ASSERT_EQ(alice.mails().size(), 2u);
    EXPECT_EQ(alice.mails()[0]->subject(), u"Café");
}

TEST_F(CheckOnceTest, AFailedAccountIsNamedAndGivesExitCodeThree) {
    std::vector<std::unique_ptr<Logic::Account>> accounts;
    accounts.push_back(TestMail::account("bob", "wrong", mailboxes->dovecot.plainPort(), false));
    addAccounts(std::move(accounts));

    const ProgramRun plain = velomar("--check-once", "", "2>&1");
    EXPECT_EQ(plain.output, "bob@example.org: failed, 0 unread (The server refused the log-in: "
                            "[AUTH] Authentication failed.)\nTotal: 0 new, 0 unread\n");
    EXPECT_EQ(plain.exitCode, 3);
    // A later run knows why, without checking.
    EXPECT_NE(velomar("--list-accounts")
                  .output.find("failed   0 unread  password in file  failed: The server refused"),
              std::string::npos);
    const ProgramRun json = velomar("--check-once --json");
    EXPECT_NE(json.output.find("\"status\": \"failed\", \"failure\": \"login\", \"reason\": "
                               "\"The server refused the log-in: [AUTH] Authentication failed.\""),
              std::string::npos)
        << json.output;
    EXPECT_EQ(json.exitCode, 3);
}

TEST_F(CheckOnceTest, WhatCannotBeSavedIsNamedAndGivesExitCodeOne) {
    std::vector<std::unique_ptr<Logic::Account>> accounts;
    accounts.push_back(TestMail::account("bob", "builder", mailboxes->dovecot.plainPort(), false));
    addAccounts(std::move(accounts));
    const std::filesystem::path dataFile = dataFolder() / "data" / "general.bin";
    const std::string saved = TestSupport::readFile(dataFile);

    // No file may grow, as on a full disk, and root is not stopped by file modes. The signal
    // that would end the program is ignored, so its write fails instead.
    const ProgramRun run = velomar("--check-once", "trap '' XFSZ; ulimit -f 0;", "2>&1");
    EXPECT_EQ(run.exitCode, 1);
    for (const std::string& line :
         {std::string("bob@example.org: 0 new, 0 unread\nTotal: 0 new, 0 unread\n"
                      "Not saved: the next check will report all of this again.\n"),
          "velomar: could not save what the check found: " + dataFile.string() +
              ": File too large\n"})
        EXPECT_NE(run.output.find(line), std::string::npos) << run.output;
    const ProgramRun json = velomar("--check-once --json", "trap '' XFSZ; ulimit -f 0;");
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_NE(json.output.find("\"saved\": false"), std::string::npos) << json.output;
    EXPECT_EQ(TestSupport::readFile(dataFile), saved);
}

TEST_F(CheckOnceTest, ADamagedDataFileStopsTheProgramWithItsMessage) {
    std::filesystem::create_directories(dataFolder() / "data");
    TestSupport::writeFile(dataFolder() / "data" / "general.bin", "not a data file");
    const ProgramRun run = velomar("--check-once", "", "2>&1");
    EXPECT_EQ(run.exitCode, 1);
    // One line a person can act on; the internal ones only with VELOMAR_DEBUG=1.
    EXPECT_EQ(run.output, "velomar: The account file " +
                              (dataFolder() / "data" / "general.bin").string() +
                              " is damaged; move it away to start without accounts, or put a "
                              "backup of it in its place.\n");
    EXPECT_NE(velomar("--check-once", "VELOMAR_DEBUG=1", "2>&1").output.find("SaveLoad: "),
              std::string::npos);
    EXPECT_EQ(TestSupport::readFile(dataFolder() / "data" / "general.bin"), "not a data file");
}

TEST_F(CheckOnceTest, WhatKilledSavesLeftIsRemovedAtStartButNotAYoungSave) {
    const std::filesystem::path dataFile = dataFolder() / "data" / "general.bin";
    const std::filesystem::path settingsFile =
        home.configFolder() / "Quorvex Software" / "Quorvex Velomar.reg";
    std::filesystem::create_directories(dataFile.parent_path());
    std::filesystem::create_directories(settingsFile.parent_path());
    const auto leave = [](const std::filesystem::path& path, std::chrono::minutes age) {
        TestSupport::writeFile(path, "half a save");
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
    };
    const std::filesystem::path oldData = dataFile.string() + ".k3Jx9Q";
    const std::filesystem::path oldSettings = settingsFile.string() + ".Ab12Cd";
    const std::filesystem::path youngData = dataFile.string() + ".Zq81Lm";
    leave(oldData, std::chrono::minutes(30));
    leave(oldSettings, std::chrono::minutes(30));
    leave(youngData, std::chrono::minutes(0));

    const ProgramRun run = velomar("--check-once", "VELOMAR_DEBUG=1", "2>&1");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(oldData));
    EXPECT_FALSE(std::filesystem::exists(oldSettings));
    EXPECT_TRUE(std::filesystem::exists(youngData));
    for (const auto& removed : {oldData, oldSettings})
        EXPECT_NE(run.output.find("Start: removed what an unfinished save left $[" +
                                  removed.string() + "]"),
                  std::string::npos)
            << run.output;
}

TEST_F(CheckOnceTest, TheCommandLineMeansWhatItSays) {
    EXPECT_EQ(velomar("--version").output, Norq::Product::versionText() + "\n");
    const ProgramRun help = velomar("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("VELOMAR_DEBUG=1"), std::string::npos);
    EXPECT_EQ(velomar("-h").output, help.output);
    // A word or option the program does not know is refused wherever it stands.
    for (const char* wrong : {"help", "--bogus", "--check-once --bogus", "--bogus --help",
                              "--help extra", "--json", "-minimized --check-once"}) {
        const ProgramRun run = velomar(wrong, "", "2>&1");
        EXPECT_EQ(run.exitCode, 2) << wrong;
        EXPECT_EQ(run.output.substr(run.output.find("\n")), "\n\n" + help.output) << wrong;
    }
    EXPECT_EQ(velomar("--check-once --bogus", "", "2>&1").output.substr(0, 32),
              "velomar: unknown option --bogus\n");
#if VELOMAR_HAS_TRAY
    // Both spellings start the tray program, which tells in one line that no display answers.
    for (const char* minimized : {"--minimized", "-minimized"}) {
        const ProgramRun run = velomar(
            minimized, "unset QT_QPA_PLATFORM WAYLAND_DISPLAY; DISPLAY=:1097", "2>&1 </dev/null");
        EXPECT_EQ(run.exitCode, 1) << minimized;
        EXPECT_EQ(run.output,
                  "velomar: There is no display for the tray program: the X11 display \":1097\" "
                  "does not answer (/tmp/.X11-unix/X1097) and WAYLAND_DISPLAY is not set. Start "
                  "it in a desktop session; on Wayland it needs XWayland (Debian: xwayland) or "
                  "qt6-wayland. Scripts and cron jobs check with velomar --check-once, which "
                  "needs no display.\n");
    }
#endif
}
