// The account commands as a person or a script uses them: the real executable, the password
// from a pipe or typed at a terminal, the connection test against the real Dovecot, and the
// data file that results.
#include "core/LogicCore.h"
#include "logic/AccountSuggestion.h"
#include "logic/Mail.h"
#include "tests/cli/ProgramRun.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/support/CheckMail.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <future>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using TestProgram::ProgramRun;
using TestProgram::velomar;

namespace {

class AccountCommandsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { mailboxes = std::make_unique<TestMail::Mailboxes>(); }
    static void TearDownTestSuite() { mailboxes.reset(); }

    std::filesystem::path dataFolder() const {
        return home.dataFolder() / "Quorvex Software" / "Quorvex Velomar";
    }
    std::filesystem::path presetsFile() const {
        return std::filesystem::path(VELOMAR_EXECUTABLE).parent_path() / "basis" / "servers.xml";
    }
    // The account as the data file holds it.
    std::optional<Logic::ConnectionSettings> stored(const std::string& address) const {
        LogicCore core(dataFolder(), presetsFile());
        if (const Logic::Account* account = core.accountMgr().findByEmail(address))
            return account->connectionSettings();
        return std::nullopt;
    }
    // --add-account with the password on standard input, both output streams.
    static ProgramRun add(const std::string& password, const std::string& options) {
        return velomar("--add-account " + options, "printf '%s\\n' '" + password + "' |", "2>&1");
    }
    static std::string port(bool tls) {
        return std::to_string(tls ? mailboxes->dovecot.tlsPort() : mailboxes->dovecot.plainPort());
    }

    static inline std::unique_ptr<TestMail::Mailboxes> mailboxes;
    TestSupport::TempHome home;
    TestSupport::StderrCapture quiet;
};

// Adds to `shown` everything the program writes to the terminal, until `until` has appeared
// (empty: until the program closes the terminal).
void readTerminal(int terminal, std::string& shown, const std::string& until) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((until.empty() || shown.find(until) == std::string::npos) &&
           std::chrono::steady_clock::now() < giveUp) {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 1000) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n <= 0)
            return; // the program has closed the terminal
        shown.append(buffer, static_cast<size_t>(n));
    }
}

// --remove-account run at a terminal, answering `answer` to its question; what the terminal
// showed, and whether the program ended with 0.
std::pair<std::string, bool> removeAtTerminal(const char* address, const std::string& answer) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::execl(VELOMAR_EXECUTABLE, "velomar", "--remove-account", address,
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string shown;
    readTerminal(terminal, shown, "[y/N] ");
    [[maybe_unused]] const ssize_t typed = ::write(terminal, answer.data(), answer.size());
    readTerminal(terminal, shown, "");
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    return {shown, WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

} // namespace

TEST_F(AccountCommandsTest, AddsFromThePresetsOrWithOverridesAfterATestThatWorks) {
    const ProgramRun preset = add("p4ss word", "someone@gmail.com --no-test");
    EXPECT_EQ(preset.exitCode, 0) << preset.output;
    EXPECT_TRUE(preset.output.starts_with(
        "Added someone@gmail.com: IMAP server imap.gmail.com, port 993, TLS, login "
        "\"someone@gmail.com\", read mail at https://mail.google.com/.\n"
        "About gmail.com: Google takes only an app password"))
        << preset.output;
    EXPECT_NE(preset.output.find("app password"), std::string::npos) << preset.output;
    // Exactly what the wizard fills in, the password as the pipe's line without its end.
    LogicCore core(dataFolder(), presetsFile());
    const Logic::AccountSuggestion wizard =
        Logic::suggestAccount(core.serverPresets(), "someone@gmail.com", "p4ss word");
    const Logic::Account& account = *core.accountMgr().findByEmail("someone@gmail.com");
    EXPECT_EQ(account.connectionSettings(), wizard.connectionSettings);
    EXPECT_EQ(account.preferences(), wizard.preferences);

    const ProgramRun tested = add("wonderland", "alice@example.org --server 127.0.0.1 --port " +
                                                    port(true) + " --tls --login alice");
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    // No keyring on this test's bus: the password stays in the file, and that is said.
    EXPECT_EQ(tested.output, "Connection test: logged in; 3 messages in the mailbox.\n"
                             "Added alice@example.org: POP3 server 127.0.0.1, port " +
                                 port(true) +
                                 ", TLS, login \"alice\".\n"
                                 "velomar: no keyring found: the password is kept in the account "
                                 "file, scrambled, not encrypted; anyone who can read that file "
                                 "can read it.\n");
    EXPECT_EQ(stored("alice@example.org")->password(), "wonderland");

    EXPECT_EQ(velomar("--list-accounts").output,
              "someone@gmail.com  imap.gmail.com:993  IMAP TLS      idle     0 unread  "
              "password in file\n"
              "alice@example.org  127.0.0.1:" +
                  port(true) + "     POP3 TLS      idle     0 unread  password in file\n");
    EXPECT_EQ(velomar("--list-accounts --json").output,
              "{\"accounts\": [{\"email\": \"someone@gmail.com\", \"server\": \"imap.gmail.com\", "
              "\"port\": 993, \"protocol\": \"imap\", \"tls\": true, \"status\": \"idle\", "
              "\"reason\": null, \"unread\": 0, \"password\": \"file\"}, "
              "{\"email\": \"alice@example.org\", \"server\": \"127.0.0.1\", \"port\": " +
                  port(true) +
                  ", \"protocol\": \"pop3\", \"tls\": true, \"status\": \"idle\", \"reason\": "
                  "null, \"unread\": 0, "
                  "\"password\": \"file\"}]}\n");
    // Only loopback is reached in tests; the first check then finds the two messages of the
    // last 48 hours.
    ASSERT_EQ(velomar("--remove-account someone@gmail.com").exitCode, 0);
    EXPECT_EQ(velomar("--check-once").exitCode, 0);
    EXPECT_EQ(velomar("--list-accounts").output,
              "alice@example.org  127.0.0.1:" + port(true) +
                  "  POP3 TLS      idle     2 unread  password in file\n");
}

// IMAP over TLS and with STARTTLS against the real Dovecot: the first check reports the INBOX's
// unseen messages, the next one nothing again; a message read elsewhere leaves the list.
TEST_F(AccountCommandsTest, AnImapAccountIsAddedAndChecked) {
    const std::string imaps = std::to_string(mailboxes->dovecot.imapsPort());
    const ProgramRun tls = add("wonderland", "alice@example.org --imap --server 127.0.0.1 --port " +
                                                 imaps + " --login alice");
    EXPECT_EQ(tls.exitCode, 0) << tls.output;
    EXPECT_TRUE(tls.output.starts_with("Connection test: logged in; 3 messages in the mailbox.\n"
                                       "Added alice@example.org: IMAP server 127.0.0.1, port " +
                                       imaps + ", TLS, login \"alice\".\n"))
        << tls.output;
    std::string check = velomar("--check-once").output;
    EXPECT_TRUE(check.starts_with("alice@example.org: 3 new, 3 unread\n")) << check;
    check = velomar("--check-once").output;
    EXPECT_TRUE(check.starts_with("alice@example.org: 0 new, 3 unread\n")) << check;
    EXPECT_NE(velomar("--list-accounts").output.find("IMAP TLS      idle     3 unread"),
              std::string::npos);
    ASSERT_EQ(velomar("--remove-account alice@example.org").exitCode, 0);

    const std::string imap = std::to_string(mailboxes->dovecot.imapPort());
    const std::string host = TestServers::DovecotServer::kStartTlsAddress;
    const ProgramRun startTls =
        add("wonderland", "alice@example.org --imap --server " + host + " --port " + imap +
                              " --no-tls --login alice");
    EXPECT_NE(startTls.output.find("IMAP server " + host + ", port " + imap + ", STARTTLS"),
              std::string::npos)
        << startTls.output;
    EXPECT_EQ(startTls.output.find("warning"), std::string::npos) << startTls.output;
    check = velomar("--check-once").output;
    EXPECT_TRUE(check.starts_with("alice@example.org: 3 new, 3 unread\n")) << check;

    // Read in another program: the next check takes it off the list.
    ASSERT_EQ(TestMail::aliceUnseen(mailboxes->dovecot, true).size(), 2u);
    check = velomar("--check-once").output;
    EXPECT_TRUE(check.starts_with("alice@example.org: 0 new, 2 unread\n")) << check;
}

TEST_F(AccountCommandsTest, AFailedTestAddsNothingAndSaysWhy) {
    const ProgramRun wrong =
        add("wrong", "bob@example.org --server 127.0.0.1 --port " + port(false) + " --no-tls");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.output.find("velomar: the connection test failed: 127.0.0.1 port " +
                                port(false) +
                                " without TLS refused the login name \"bob\" or the password. The "
                                "server refused the log-in: [AUTH] Authentication failed.\n"
                                "Nothing was added."),
              std::string::npos)
        << wrong.output;
    const ProgramRun tlsToPlain =
        add("builder", "bob@example.org --server 127.0.0.1 --port " + port(false) + " --tls");
    EXPECT_EQ(tlsToPlain.exitCode, 1);
    EXPECT_NE(tlsToPlain.output.find("the connection test failed: could not connect to 127.0.0.1 "
                                     "port " +
                                     port(false) + " with TLS. The secure connection"),
              std::string::npos)
        << tlsToPlain.output;
    EXPECT_EQ(velomar("--list-accounts").output, "No accounts are set up.\n");

    const ProgramRun unknown = add("x", "someone@unknown.example");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.output.find("no POP3 server for someone@unknown.example; give it with "
                                  "--server NAME"),
              std::string::npos);
}

TEST_F(AccountCommandsTest, TlsUnlessRefusedProviderNotesAndProvidersWithoutPasswords) {
    using PortAndTls = std::pair<std::uint16_t, bool>;
    const auto settingsOf = [&](const std::string& options) {
        const ProgramRun run = add("pw", options + " --server pop.example.net --no-test");
        const auto account = stored(options.substr(0, options.find(' ')));
        return std::pair(run.output, account ? PortAndTls(account->port(), account->useTls())
                                             : PortAndTls(0, false));
    };
    EXPECT_EQ(settingsOf("a@example.org").second, PortAndTls(995, true));
    EXPECT_EQ(settingsOf("b@example.org --port 1995").second, PortAndTls(1995, true));
    const auto [warned, plain] = settingsOf("c@example.org --no-tls");
    EXPECT_EQ(plain, PortAndTls(110, false));
    EXPECT_NE(warned.find("velomar: warning: without TLS the password travels unencrypted"),
              std::string::npos)
        << warned;

    const ProgramRun outlook = add("pw", "me@outlook.com");
    EXPECT_EQ(outlook.exitCode, 1);
    EXPECT_TRUE(outlook.output.starts_with("velomar: me@outlook.com cannot be added: Outlook.com "
                                           "allows no password log-in for POP3"))
        << outlook.output;
    EXPECT_FALSE(stored("me@outlook.com"));
}

TEST_F(AccountCommandsTest, DuplicatesAreRefusedAndRemovalNamesWhatItDid) {
    const std::string bob =
        "bob@example.org --server 127.0.0.1 --port " + port(false) + " --no-tls";
    ASSERT_EQ(add("builder", bob).exitCode, 0);
    const ProgramRun again = add("builder", bob + " --no-test");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.output,
              "velomar: Account with e-mail address [bob@example.org] already exists.\n");

    // Addresses are one whatever the case of their letters.
    EXPECT_EQ(add("builder", "BOB@example.org --server 127.0.0.1 --no-test").exitCode, 1);
    const ProgramRun removed = velomar("--remove-account Bob@Example.org", "", "2>&1");
    EXPECT_EQ(removed.exitCode, 0);
    EXPECT_EQ(removed.output, "Removed Bob@Example.org.\n");
    EXPECT_FALSE(stored("bob@example.org"));
    const ProgramRun gone = velomar("--remove-account bob@example.org", "", "2>&1");
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.output, "velomar: there is no account with the e-mail address "
                           "[bob@example.org]; velomar --list-accounts lists them.\n");
}

// With a data file of 40 000 messages the job starts again with large heap pages, before it
// reads the password: the password, the account and the messages all arrive.
TEST_F(AccountCommandsTest, ALargeDataFileLosesNothingToTheNewStart) {
    {
        LogicCore core(dataFolder(), {});
        auto& alice = core.accountMgr().addAccount(
            TestMail::account("alice", "wonderland", mailboxes->dovecot.plainPort(), false));
        Logic::Account::MailList mails;
        for (int i = 0; i < 40000; ++i)
            mails.push_back(std::make_shared<Logic::Mail>(
                "alice@example.org", "From: Anna <anna@example.net>\r\nSubject: Quarterly "
                                     "figures, draft " +
                                         std::to_string(i) +
                                         " of the report with the corrections\r\n\r\n"));
        alice.mergeNewMails(mails);
        ASSERT_TRUE(core.saveAll());
    }
    ASSERT_GT(std::filesystem::file_size(LogicCore::dataFilePath(dataFolder())), 8u << 20);
    const ProgramRun added =
        add("builder", "bob@example.org --server 127.0.0.1 --port " + port(false) + " --no-tls");
    EXPECT_EQ(added.exitCode, 0) << added.output;
    EXPECT_TRUE(stored("bob@example.org"));
    const ProgramRun listed = velomar("--list-accounts");
    EXPECT_NE(listed.output.find("40000 unread"), std::string::npos) << listed.output;
}

// Beside a real keyring (run by with-keyring): the password goes there, the account file keeps
// none, a check logs in with the keyring's, and the removal deletes it.
TEST_F(AccountCommandsTest, KeyringKeepsThePasswordFromAddingToRemoval) {
    if (std::getenv("VELOMAR_TEST_KEYRING") == nullptr)
        GTEST_SKIP() << "run beside a keyring by cli_keyring_tests";
    const auto inKeyring = [] {
        return velomar("", "secret-tool lookup application velomar address alice@example.org;",
                       "2>&1")
            .output;
    };
    const ProgramRun added = add("wonderland", "alice@example.org --server 127.0.0.1 --port " +
                                                   port(false) + " --no-tls --login alice");
    EXPECT_EQ(added.exitCode, 0) << added.output;
    EXPECT_NE(added.output.find("The password is kept in the desktop's keyring.\n"),
              std::string::npos)
        << added.output;
    EXPECT_EQ(added.output.find("no keyring found"), std::string::npos) << added.output;
    EXPECT_TRUE(inKeyring().starts_with("wonderland")) << inKeyring();
    const auto settings = stored("alice@example.org");
    EXPECT_EQ(settings->password(), "");
    EXPECT_EQ(settings->passwordPlace(), Logic::ConnectionSettings::PasswordPlace::Keyring);
    EXPECT_NE(velomar("--list-accounts").output.find("password in keyring"), std::string::npos);

    const std::string check = velomar("--check-once").output;
    EXPECT_TRUE(check.starts_with("alice@example.org: 2 new, 2 unread\n")) << check;
    EXPECT_EQ(velomar("--remove-account alice@example.org --yes").exitCode, 0);
    EXPECT_FALSE(inKeyring().starts_with("wonderland")) << inKeyring();
}

TEST_F(AccountCommandsTest, WrongCommandLinesAndAMissingPasswordChangeNothing) {
    for (const std::string& options :
         {std::string("--add-account a@b.c --port 70000"),
          std::string("--add-account a@b.c --sever x"), std::string("--add-account"),
          std::string("--add-account a@b.c --tls --no-tls"),
          std::string("--add-account notanaddress --server x"),
          std::string("--list-accounts --remove-account a@b.c"),
          std::string("--remove-account a@b.c --json")}) {
        const ProgramRun run = velomar(options, "", "2>&1");
        EXPECT_EQ(run.exitCode, 2) << options;
        EXPECT_TRUE(run.output.starts_with("velomar: ")) << run.output;
        EXPECT_NE(run.output.find("\n\nUsage: velomar"), std::string::npos) << run.output;
    }
    const ProgramRun noPassword =
        velomar("--add-account a@b.c --server 127.0.0.1 --no-test", "", "< /dev/null 2>&1");
    EXPECT_EQ(noPassword.exitCode, 1);
    EXPECT_EQ(noPassword.output, "velomar: no password for a@b.c: type it when asked, or give it "
                                 "on the first line of standard input\n");
    EXPECT_FALSE(std::filesystem::exists(dataFolder() / "data" / "general.bin"));
}

TEST_F(AccountCommandsTest, APasswordTypedAtTheTerminalIsNotShown) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A shell's job control in small: the program runs as the terminal's foreground job,
        // and a stopped job (Ctrl+Z) is told, then continued at once (fg).
        const pid_t job = ::fork();
        if (job == 0) {
            ::setpgid(0, 0);
            std::signal(SIGTTOU, SIG_IGN);
            ::tcsetpgrp(STDIN_FILENO, ::getpid());
            std::signal(SIGTTOU, SIG_DFL);
            ::execl(VELOMAR_EXECUTABLE, "velomar", "--add-account", "carol@example.org", "--server",
                    "127.0.0.1", "--no-test", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::setpgid(job, job);
        for (int status = 0; ::waitpid(job, &status, WUNTRACED) == job;) {
            if (!WIFSTOPPED(status))
                ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
            [[maybe_unused]] const ssize_t told = ::write(STDOUT_FILENO, "[stopped]", 9);
            ::kill(job, SIGCONT);
        }
        ::_exit(126);
    }
    std::string shown;
    const auto readUntil = [&](const std::string& until) { readTerminal(terminal, shown, until); };
    readUntil("Password for carol@example.org: ");
    ASSERT_NE(shown.find("Password for carol@example.org: "), std::string::npos) << shown;
    // Stopped (Ctrl+Z) and continued (fg) while it waits: what is typed next stays hidden.
    ASSERT_EQ(::write(terminal, "\x1a", 1), 1);
    readUntil("[stopped]");
    ASSERT_NE(shown.find("[stopped]"), std::string::npos) << shown;
    // The terminal's settings as the program left them once it went on.
    const auto hiddenBy = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    termios settings{};
    while (::tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0 &&
           std::chrono::steady_clock::now() < hiddenBy)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(settings.c_lflag & ECHO, 0u);
    const std::string typed = "typed secret\n";
    ASSERT_EQ(::write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    readUntil("");
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    EXPECT_EQ(shown.find("typed secret"), std::string::npos) << shown;
    ASSERT_TRUE(stored("carol@example.org"));
    EXPECT_EQ(stored("carol@example.org")->password(), "typed secret");
}

TEST_F(AccountCommandsTest, RemovalAtATerminalAsksFirst) {
    {
        LogicCore core(dataFolder(), presetsFile());
        core.accountMgr().addAccount(TestMail::account("carol", "x", 110, false));
        ASSERT_TRUE(core.saveAll());
    }
    const auto [kept, keptOk] = removeAtTerminal("carol@example.org", "\n");
    EXPECT_FALSE(keptOk);
    EXPECT_NE(kept.find("Remove carol@example.org? [y/N] "), std::string::npos) << kept;
    EXPECT_NE(kept.find("nothing removed"), std::string::npos) << kept;
    EXPECT_TRUE(stored("carol@example.org"));
    const auto [removed, removedOk] = removeAtTerminal("carol@example.org", "y\n");
    EXPECT_TRUE(removedOk) << removed;
    EXPECT_FALSE(stored("carol@example.org"));
}

TEST_F(AccountCommandsTest, AnAccountAddedWhileACheckRunsIsKept) {
    TestServers::ScriptedPop3Server silent;
    {
        LogicCore core(dataFolder(), presetsFile());
        core.accountMgr().addAccount(TestMail::account("carol", "x", silent.port(), false));
        ASSERT_TRUE(core.saveAll());
    }
    // The check has loaded the accounts and waits for the greeting.
    auto check = std::async(std::launch::async, [] { return velomar("--check-once"); });
    ASSERT_TRUE(silent.accept());
    auto added = std::async(std::launch::async, [] {
        return add("secret", "dave@example.org --server 127.0.0.1 --no-test");
    });
    // Time enough for the account command to finish, were it not to wait for the check.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    silent.hangUp();
    EXPECT_EQ(check.get().exitCode, 3);
    const ProgramRun addition = added.get();
    EXPECT_EQ(addition.exitCode, 0) << addition.output;
    EXPECT_TRUE(stored("carol@example.org"));
    EXPECT_TRUE(stored("dave@example.org"));
}
