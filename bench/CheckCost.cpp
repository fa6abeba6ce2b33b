// The cost of one mailbox check against a real Dovecot on loopback: our MailChecker beside two
// reference strategies written here, then the whole `velomar --check-once` program, then the
// round trips of a check over a slow link. Writes three Markdown sections, one per file named on
// the command line; progress goes to standard error.
//
//   bench_check <check file> <headless file> <slow link file> [runs] [mailbox sizes...]
#include "bench/BenchMessages.h"
#include "bench/BenchSupport.h"
#include "bench/CountingRelay.h"
#include "bench/ReferencePop3Client.h"
#include "foundation/DataFile.h"
#include "logic/Account.h"
#include "logic/AccountMgr.h"
#include "logic/Mail.h"
#include "tests/servers/DovecotServer.h"
#include "tests/servers/ScriptedPop3Server.h"
#include "tests/servers/TestCertificates.h"
#include "transport/MailChecker.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace {

namespace fs = std::filesystem;
using namespace Bench;

constexpr const char* kPassword = "bench-secret";
constexpr int kNewCounts[] = {0, 10, 100};

struct Mailbox {
    std::string user;
    int size = 0;
    std::vector<std::string> uids; ///< by message number - 1
};

/// One mailbox seen by a client that already knows all but its newest `newCount` messages.
struct Case {
    const Mailbox* box = nullptr;
    int newCount = 0;
    /// The newest known date, as our checker is given it.
    MailDate newestKnown;
    /// The UIDs the UIDL strategy remembers from its previous run.
    std::unordered_set<std::string> knownUids;
    /// The same, as our checker's state file holds them.
    Logic::SeenMessages seen;
};

std::string emailOf(const Mailbox& box) {
    return box.user + "@example.org";
}

Logic::ConnectionSettings settingsFor(const Mailbox& box, std::uint16_t port, bool tls) {
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(emailOf(box));
    settings.setUserLogin(box.user);
    settings.setPassword(kPassword);
    settings.setServerName("127.0.0.1");
    settings.setPort(port);
    settings.setUseTls(tls);
    return settings;
}

// Waits for the end of a MailChecker run and keeps what it reported.
class CheckWaiter : public MailCheckListener {
public:
    void accountChecked(const AccountCheckEntry&, const CheckFindings& findings) override {
        std::lock_guard lock(m_mutex);
        m_found = static_cast<int>(findings.newMails.size());
        if (findings.imap)
            m_imapMark = findings.imap->mark;
    }
    void accountFailed(const AccountCheckEntry&, const CheckProblem&) override {}
    void accountFinished(const AccountCheckEntry&) override {}
    void accountStarting(const AccountCheckEntry&) override {}
    void checkFinished() override {
        std::lock_guard lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }

    /// The number of new messages; -1 when the account could not be checked.
    int waitForResult() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_finished; });
        return m_found;
    }
    /// Where an IMAP check left the account.
    Logic::ImapMark imapMark() const {
        std::lock_guard lock(m_mutex);
        return m_imapMark;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_finished = false;
    int m_found = -1;
    Logic::ImapMark m_imapMark;
};

// Ours: the product's checker on its own thread, exactly as a check runs it, with the ids its
// last check saw.
int checkWithMailChecker(std::uint16_t port, const Case& c, bool tls = false) {
    CheckWaiter waiter;
    MailChecker checker(waiter);
    checker.setWorkList(
        {AccountCheckEntry{settingsFor(*c.box, port, tls), c.newestKnown, c.seen, {}}});
    checker.start();
    return waiter.waitForResult();
}

// Ours over IMAP with TLS, for an account whose checks stand at `mark`; hands back where they
// stand afterwards.
int checkImapWithMailChecker(std::uint16_t port, const Mailbox& box, Logic::ImapMark& mark) {
    CheckWaiter waiter;
    MailChecker checker(waiter);
    Logic::ConnectionSettings settings = settingsFor(box, port, true);
    settings.setProtocol(Logic::ConnectionSettings::Protocol::Imap);
    AccountCheckEntry entry{settings, {}, {}, mark};
    checker.setWorkList({entry});
    checker.start();
    const int found = waiter.waitForResult();
    mark = waiter.imapMark();
    return found;
}

void logIn(ReferencePop3Client& client, const Mailbox& box) {
    client.command("USER " + box.user);
    client.command("PASS " + std::string(kPassword));
}

// Reference: fetch every header and keep those newer than the newest known date.
int checkTopEvery(std::uint16_t port, const Case& c) {
    ReferencePop3Client client(port);
    logIn(client, *c.box);
    const int count = std::atoi(client.command("STAT").c_str() + 4);
    Logic::Account::MailList newMails;
    for (int number = 1; number <= count; ++number) {
        auto mail = std::make_shared<Logic::Mail>(
            emailOf(*c.box), client.multiLineCommand("TOP " + std::to_string(number) + " 0"));
        if (mail->received() > c.newestKnown)
            newMails.push_back(std::move(mail));
    }
    client.command("QUIT");
    return static_cast<int>(newMails.size());
}

std::vector<std::pair<int, std::string>> parseUidl(const std::string& listing) {
    std::vector<std::pair<int, std::string>> entries;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line) && line != ".\r") {
        const std::size_t space = line.find(' ');
        const std::size_t end = line.find_last_not_of("\r") + 1;
        entries.emplace_back(std::atoi(line.c_str()), line.substr(space + 1, end - space - 1));
    }
    return entries;
}

// Reference: list the UIDs and fetch the headers of those not seen on the previous run.
int checkUidlThenTop(std::uint16_t port, const Case& c) {
    ReferencePop3Client client(port);
    logIn(client, *c.box);
    Logic::Account::MailList newMails;
    for (const auto& [number, uid] : parseUidl(client.multiLineCommand("UIDL"))) {
        if (c.knownUids.contains(uid))
            continue;
        newMails.push_back(std::make_shared<Logic::Mail>(
            emailOf(*c.box), client.multiLineCommand("TOP " + std::to_string(number) + " 0")));
    }
    client.command("QUIT");
    return static_cast<int>(newMails.size());
}

// The part of every check that no strategy can avoid: connect, log in, ask for the count, leave.
// It looks at no message, so it finds none.
int sessionOnly(std::uint16_t port, const Case& c) {
    ReferencePop3Client client(port);
    logIn(client, *c.box);
    client.command("STAT");
    client.command("QUIT");
    return 0;
}

struct Strategy {
    const char* name;
    std::function<int(std::uint16_t, const Case&)> check;
    /// False for the floor, which is no check of its own.
    bool findsMail = true;
};

const std::vector<Strategy>& strategies() {
    static const std::vector<Strategy> all = {
        {"ours: newest-end walk (MailChecker)",
         [](std::uint16_t port, const Case& c) { return checkWithMailChecker(port, c); }},
        {"reference: TOP 0 for every message", checkTopEvery},
        {"reference: UIDL, then TOP 0 for the unknown", checkUidlThenTop},
        {"floor: connect, USER, PASS, STAT, QUIT", sessionOnly, false},
    };
    return all;
}

struct Measured {
    std::vector<double> seconds;
    WireCounts counts;
};

void fillMailbox(TestServers::DovecotServer& dovecot, Mailbox& box) {
    const auto start = Clock::now();
    dovecot.addUser(box.user, kPassword);
    std::vector<std::string> messages;
    for (int index = 0; index < box.size; ++index)
        messages.push_back(mailboxMessage(index));
    dovecot.deliverMany(box.user, messages);
    ReferencePop3Client client(dovecot.plainPort());
    logIn(client, box);
    for (auto& [number, uid] : parseUidl(client.multiLineCommand("UIDL")))
        box.uids.push_back(std::move(uid));
    client.command("QUIT");
    if (static_cast<int>(box.uids.size()) != box.size)
        throw std::runtime_error("Dovecot lists " + std::to_string(box.uids.size()) +
                                 " messages for " + box.user);
    std::cerr << "bench_check: " << box.size << " messages delivered and indexed in "
              << fixed(secondsSince(start), 1) << " s\n";
}

Case makeCase(const Mailbox& box, int newCount) {
    Case c;
    c.box = &box;
    c.newCount = newCount;
    const int newestOld = box.size - newCount - 1;
    c.newestKnown = Logic::Mail(emailOf(box), mailboxMessage(newestOld)).received();
    std::vector<std::string> newestFirst;
    for (int index = newestOld; index >= 0; --index) {
        c.knownUids.insert(box.uids[static_cast<std::size_t>(index)]);
        newestFirst.push_back(box.uids[static_cast<std::size_t>(index)]);
    }
    c.seen = Logic::SeenMessages(settingsFor(box, 0, false).mailboxKey());
    c.seen.walkEnded(newestFirst);
    return c;
}

void checkFound(const Strategy& strategy, const Case& c, int found) {
    if (strategy.findsMail && found != c.newCount)
        throw std::runtime_error(std::string(strategy.name) + " found " + std::to_string(found) +
                                 " new messages of " + std::to_string(c.box->size) +
                                 " where there are " + std::to_string(c.newCount));
}

std::string thousands(long long value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), "\u202f");
    return digits;
}

void writeCheckSection(std::ostream& out, const std::vector<Mailbox>& boxes,
                       const std::map<std::pair<int, int>, std::vector<Measured>>& results,
                       int runs) {
    const auto& all = strategies();
    out << "## 1. Cost of one check\n\n"
        << "Plain POP3 to the local Dovecot on 127.0.0.1. A client that knows every message but "
           "the newest *new* ones: our checker is given the date of the newest old message and "
           "the ids its state file keeps (the newest 5 000), the UIDL strategy the UIDs of the "
           "old messages. Wall time is the median of "
        << runs
        << " runs, the strategies taking turns within each run, connected straight to Dovecot. "
           "Commands, round trips and bytes come from one more run of each through a counting "
           "relay between client and server (client lines, server bytes; greeting included; a "
           "round trip is each time the server spoke after the client had, connecting "
           "included). Dovecot offers PIPELINING, so ours sends its commands in batches; the "
           "reference clients send one at a time. Every strategy "
           "must find exactly the new messages, or the benchmark stops. The floor row is the "
           "session alone, which every strategy pays.\n\n"
        << "| messages | new | strategy | median wall (ms) | commands sent | of which TOP | "
           "round trips | bytes received |\n"
        << "|---:|---:|---|---:|---:|---:|---:|---:|\n";
    for (const Mailbox& box : boxes) {
        for (int newCount : kNewCounts) {
            const auto& measured = results.at({box.size, newCount});
            for (std::size_t s = 0; s < all.size(); ++s) {
                const Measured& m = measured[s];
                out << "| " << thousands(box.size) << " | " << newCount << " | " << all[s].name
                    << " | " << fixed(median(m.seconds) * 1000, 2) << " | "
                    << m.counts.commandCount() << " | " << m.counts.count("TOP") << " | "
                    << m.counts.roundTrips << " | "
                    << thousands(static_cast<long long>(m.counts.bytesReceived)) << " |\n";
            }
        }
    }
    out << "\nRatios, reference ÷ ours (above 1: ours is cheaper by that factor):\n\n"
        << "| messages | new | wall, TOP every | wall, UIDL | commands, TOP every | commands, "
           "UIDL | bytes, TOP every | bytes, UIDL |\n"
        << "|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Mailbox& box : boxes) {
        for (int newCount : kNewCounts) {
            const auto& m = results.at({box.size, newCount});
            const auto wall = [&](std::size_t s) { return median(m[s].seconds); };
            const auto commands = [&](std::size_t s) {
                return static_cast<double>(m[s].counts.commandCount());
            };
            const auto bytes = [&](std::size_t s) {
                return static_cast<double>(m[s].counts.bytesReceived);
            };
            out << "| " << thousands(box.size) << " | " << newCount << " | "
                << ratio(wall(1), wall(0)) << " | " << ratio(wall(2), wall(0)) << " | "
                << ratio(commands(1), commands(0)) << " | " << ratio(commands(2), commands(0))
                << " | " << ratio(bytes(1), bytes(0)) << " | " << ratio(bytes(2), bytes(0))
                << " |\n";
        }
    }
    out << "\n";
}

// ---- the headless program ----

struct ProgramCost {
    double wallSeconds = 0;
    double userSeconds = 0;
    double systemSeconds = 0;
    long peakKilobytes = 0;
    int exitCode = -1;
    std::string output;
};

// Runs the program with its own home, data and configuration folders, through the small
// measuring program, which reports the kernel's account of that one child.
ProgramCost runProgram(const std::vector<std::string>& arguments, const fs::path& home,
                       const fs::path& authority) {
    std::vector<std::string> environment = {
        "HOME=" + home.string(),
        "XDG_DATA_HOME=" + (home / ".local" / "share").string(),
        "XDG_CONFIG_HOME=" + (home / ".config").string(),
        "SSL_CERT_FILE=" + authority.string(),
        "PATH=/usr/bin:/bin",
        "LANG=C.UTF-8",
    };
    // The account's mark was made in this process's time zone; the child must read the
    // headers' dates in the same one.
    if (const char* zone = std::getenv("TZ"))
        environment.push_back(std::string("TZ=") + zone);
    const fs::path outputFile = home / "output.txt";
    const fs::path costFile = home / "cost.txt";
    std::vector<std::string> command = {BENCH_MEASURE_CHILD, outputFile.string(),
                                        (home / "errors.txt").string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    // Everything the child needs is made before fork: in between, only exec-safe calls.
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    const std::string costPath = costFile.string();

    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("cannot start " + command.front());
    if (child == 0) {
        const int out = ::open(costPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || ::dup2(out, 1) < 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ProgramCost cost;
    std::ifstream costs(costFile);
    if (!(costs >> cost.wallSeconds >> cost.userSeconds >> cost.systemSeconds >>
          cost.peakKilobytes >> cost.exitCode))
        throw std::runtime_error("no figures from " + command.front());
    std::ifstream in(outputFile, std::ios::binary);
    cost.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return cost;
}

// The data file the program would have saved for an account that knows all but the newest
// `newCount` messages: an account set up 48 hours after the newest old message arrived.
void writeAccount(const fs::path& home, const Mailbox& box, std::uint16_t port, bool tls,
                  int newCount) {
    const fs::path dataFolder = home / ".local" / "share" / "Quorvex Software" / "Quorvex Velomar";
    fs::create_directories(dataFolder);
    Norq::DataFile file(dataFolder, "general");
    Logic::AccountMgr accounts(file.openForReading());
    file.closeReading();
    auto account =
        std::make_unique<Logic::Account>(receivedAt(box.size - newCount - 1) + 48 * 60 * 60);
    account->setConnectionSettings(settingsFor(box, port, tls));
    std::lock_guard lock(accounts.accountLock());
    accounts.addAccount(std::move(account));
    Norq::SaveLoad::Writer* writer = file.openForWriting();
    if (writer == nullptr)
        throw std::runtime_error("cannot write the data file in " + home.string());
    accounts.save(*writer);
    if (!file.closeWriting())
        throw std::runtime_error("cannot write the data file in " + home.string());
}

struct ProgramCase {
    std::string name;
    std::vector<std::string> arguments;
    std::uint16_t port = 0;
    bool tls = false;
    int newCount = -1; ///< -1: no account, no check
};

void writeHeadlessSection(std::ostream& out, const TestServers::DovecotServer& dovecot,
                          const TestServers::TestCertificates& certificates, const Mailbox& box,
                          int runs) {
    const std::string program = VELOMAR_EXECUTABLE;
    const std::vector<ProgramCase> cases = {
        {"`velomar --version` (start and exit, no check)", {program, "--version"}, 0, false, -1},
        {"`velomar --check-once`, plain POP3, 0 new",
         {program, "--check-once"},
         dovecot.plainPort(),
         false,
         0},
        {"`velomar --check-once`, plain POP3, 100 new",
         {program, "--check-once"},
         dovecot.plainPort(),
         false,
         100},
        {"`velomar --check-once`, POP3 over TLS, 100 new",
         {program, "--check-once"},
         dovecot.tlsPort(),
         true,
         100},
    };
    std::vector<std::vector<ProgramCost>> costs(cases.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t k = 0; k < cases.size(); ++k) {
            const ProgramCase& programCase = cases[k];
            const TemporaryFolder home("velomar-bench-home-");
            if (programCase.newCount >= 0)
                writeAccount(home.path(), box, programCase.port, programCase.tls,
                             programCase.newCount);
            ProgramCost cost =
                runProgram(programCase.arguments, home.path(), certificates.authorityFile());
            const std::string expected = ": " + std::to_string(programCase.newCount) + " new, " +
                                         std::to_string(programCase.newCount) + " unread";
            if (cost.exitCode != 0 ||
                (programCase.newCount >= 0 && cost.output.find(expected) == std::string::npos))
                throw std::runtime_error(programCase.name + " gave exit code " +
                                         std::to_string(cost.exitCode) + " and:\n" + cost.output);
            costs[k].push_back(std::move(cost));
        }
    }
    out << "## 4. The headless check\n\n"
        << "The real executable as a child process with its own home, data and configuration "
           "folders, against the "
        << thousands(box.size)
        << "-message mailbox of section 1; its data file holds one account set up so that the "
           "newest messages are new. Figures from `wait4` for that child alone (`ru_maxrss`, "
           "user and system CPU), taken by the small `bench_measure_child`; median of "
        << runs
        << " runs, peak memory the largest of them (the kernel counts CPU time in scheduler ticks, "
           "so one run of a few milliseconds is coarse). Each run starts from a fresh data "
           "file.\n\n"
        << "| run | median wall (ms) | median CPU, user + system (ms) | peak resident memory "
           "(MiB) |\n"
        << "|---|---:|---:|---:|\n";
    for (std::size_t k = 0; k < cases.size(); ++k) {
        std::vector<double> wall, cpu;
        long peak = 0;
        for (const ProgramCost& cost : costs[k]) {
            wall.push_back(cost.wallSeconds);
            cpu.push_back(cost.userSeconds + cost.systemSeconds);
            peak = std::max(peak, cost.peakKilobytes);
        }
        out << "| " << cases[k].name << " | " << fixed(median(wall) * 1000, 1) << " | "
            << fixed(median(cpu) * 1000, 1) << " | " << fixed(static_cast<double>(peak) / 1024, 1)
            << " |\n";
    }
    out << "\n";
}

// ---- a slow link ----

constexpr auto kLinkDelay = std::chrono::milliseconds(25);
constexpr int kRoundTripGoal = 7; // a pipelined check of 10 new messages, connect and QUIT included

struct LinkRun {
    WireCounts counts;
    double seconds = 0;
};

LinkRun overLink(CountingRelay& relay, const Strategy& strategy, const Case& c,
                 const std::function<int(std::uint16_t)>& check) {
    const auto start = Clock::now();
    const int found = check(relay.port());
    LinkRun run{relay.takeCounts(), secondsSince(start)};
    checkFound(strategy, c, found);
    return run;
}

// The same mailbox over IMAP with TLS, for an account whose checks have seen all but the newest
// messages.
void writeImapLinkRows(std::ostream& out, const TestServers::DovecotServer& dovecot,
                       const Mailbox& box) {
    constexpr int kImapRoundTripGoal = 5;
    CountingRelay secure(dovecot.imapsPort(), kLinkDelay);
    // A first check, straight to the server, learns the mailbox's UIDVALIDITY and next UID.
    Logic::ImapMark everything;
    checkImapWithMailChecker(dovecot.imapsPort(), box, everything);
    out << "### IMAP\n\n"
        << "The same mailbox over IMAP with TLS from the first byte, through the same relay to "
           "Dovecot's IMAP port: our checker (the tray program's IDLE wake-ups run the same "
           "check) for an account whose checks have seen all messages but the newest. The relay "
           "cannot read commands inside TLS; the round trips count as above, the TLS handshake "
           "included. One run each.\n\n"
        << "| new | round trips | one check (ms) |\n|---:|---:|---:|\n";
    int tenTrips = 0;
    for (int newCount : kNewCounts) {
        Logic::ImapMark mark{everything.uidValidity,
                             everything.nextUid - static_cast<std::uint32_t>(newCount)};
        const auto start = Clock::now();
        const int found = checkImapWithMailChecker(secure.port(), box, mark);
        const LinkRun run{secure.takeCounts(), secondsSince(start)};
        if (found != newCount)
            throw std::runtime_error("the IMAP check found " + std::to_string(found) +
                                     " new messages where there are " + std::to_string(newCount));
        out << "| " << newCount << " | " << run.counts.roundTrips << " | "
            << fixed(run.seconds * 1000, 0) << " |\n";
        if (newCount == 10)
            tenTrips = run.counts.roundTrips;
    }
    out << "\nGoal: an IMAP check of 10 new messages waits for the server at most "
        << kImapRoundTripGoal << " times. Measured: **" << tenTrips << "** ("
        << (tenTrips <= kImapRoundTripGoal ? "met" : "not met") << ").\n\n";
}

void writeLinkSection(std::ostream& out, const TestServers::DovecotServer& dovecot,
                      const Mailbox& box) {
    CountingRelay pipelining(dovecot.plainPort(), kLinkDelay);
    CountingRelay oneByOne(dovecot.plainPort(), kLinkDelay, {"PIPELINING"});
    CountingRelay secure(dovecot.tlsPort(), kLinkDelay);
    const auto& all = strategies();
    out << "## 5. A check over a slow link\n\n"
        << "The " << thousands(box.size)
        << "-message mailbox of section 1 through the counting relay, which now holds every "
           "byte back "
        << kLinkDelay.count() << " ms in each direction (a " << 2 * kLinkDelay.count()
        << " ms round trip) and lets the connection reach Dovecot as late. One run each: the "
           "delay, not the machine, makes the time. The system completes the TCP handshake with "
           "the relay at once, so a real link adds one round trip to every row; the greeting "
           "counts as the first round trip. Ours runs twice: as Dovecot offers it, and with "
           "PIPELINING taken out of Dovecot's CAPA reply by the relay, so that it sends one "
           "command at a time.\n\n"
        << "| new | strategy | commands sent | round trips | one check (ms) |\n"
        << "|---:|---|---:|---:|---:|\n";
    LinkRun pipelinedTen;
    for (int newCount : kNewCounts) {
        const Case c = makeCase(box, newCount);
        const auto row = [&](const std::string& name, const LinkRun& run) {
            out << "| " << newCount << " | " << name << " | " << run.counts.commandCount() << " | "
                << run.counts.roundTrips << " | " << fixed(run.seconds * 1000, 0) << " |\n";
        };
        const auto ours = [&](std::uint16_t port) { return checkWithMailChecker(port, c); };
        const LinkRun pipelined = overLink(pipelining, all[0], c, ours);
        row("ours, pipelined", pipelined);
        row("ours, one command at a time", overLink(oneByOne, all[0], c, ours));
        for (std::size_t s = 1; s < all.size(); ++s)
            row(all[s].name, overLink(pipelining, all[s], c,
                                      [&](std::uint16_t port) { return all[s].check(port, c); }));
        if (newCount == 10)
            pipelinedTen = pipelined;
        std::cerr << "bench_check: slow link, " << newCount << " new: done\n";
    }
    const Case ten = makeCase(box, 10);
    const LinkRun tls = overLink(secure, all[0], ten, [&](std::uint16_t port) {
        return checkWithMailChecker(port, ten, true);
    });
    const int handshake = tls.counts.roundTrips - pipelinedTen.counts.roundTrips;
    out << "\nGoal: with pipelining, a check of 10 new messages waits for the server at most "
        << kRoundTripGoal << " times, connect and QUIT included. Measured: **"
        << pipelinedTen.counts.roundTrips << "** ("
        << (pipelinedTen.counts.roundTrips <= kRoundTripGoal ? "met" : "not met") << ").\n\n"
        << "The TLS handshake, counted apart: the same pipelined check of 10 new over POP3 with "
           "TLS through the same relay takes "
        << tls.counts.roundTrips << " round trips and " << fixed(tls.seconds * 1000, 0)
        << " ms, so the handshake adds " << handshake
        << (handshake == 1 ? " round trip" : " round trips") << " and "
        << fixed((tls.seconds - pipelinedTen.seconds) * 1000, 0) << " ms.\n\n";
    writeImapLinkRows(out, dovecot, box);
}

// ---- walking by unique ids or by dates ----

void writeIdsSection(std::ostream& out, const TestServers::DovecotServer& dovecot,
                     const std::vector<Mailbox>& boxes, int runs) {
    constexpr int kNew = 10;
    const Strategy& ours = strategies()[0];
    out << "### Walking by unique ids or by dates\n\n"
        << "Ours with " << kNew
        << " new messages, walking by the ids of its state file (Dovecot offers UIDL, and each "
           "message is asked for its id with its header) and by date (UIDL taken out of "
           "Dovecot's CAPA reply by the relay, as a server without ids). On loopback through the "
           "relay without delay, median of "
        << runs << " runs; over the slow link above, one run.\n\n"
        << "| messages | walk | loopback (ms) | commands sent | round trips | bytes received | "
           "slow link: round trips | slow link (ms) |\n"
        << "|---:|---|---:|---:|---:|---:|---:|---:|\n";
    for (const Mailbox& box : boxes) {
        if (box.size < 1000)
            continue;
        const Case c = makeCase(box, kNew);
        const auto check = [&c](std::uint16_t port) { return checkWithMailChecker(port, c); };
        for (const bool byIds : {true, false}) {
            const std::vector<std::string> hidden =
                byIds ? std::vector<std::string>{} : std::vector<std::string>{"UIDL"};
            CountingRelay near(dovecot.plainPort(), std::chrono::milliseconds(0), hidden);
            CountingRelay far(dovecot.plainPort(), kLinkDelay, hidden);
            const WireCounts counts = overLink(near, ours, c, check).counts;
            std::vector<double> seconds;
            for (int run = 0; run < runs; ++run)
                seconds.push_back(overLink(near, ours, c, check).seconds);
            const LinkRun slow = overLink(far, ours, c, check);
            out << "| " << thousands(box.size) << " | " << (byIds ? "by ids" : "by date") << " | "
                << fixed(median(seconds) * 1000, 2) << " | " << counts.commandCount() << " | "
                << counts.roundTrips << " | "
                << thousands(static_cast<long long>(counts.bytesReceived)) << " | "
                << slow.counts.roundTrips << " | " << fixed(slow.seconds * 1000, 0) << " |\n";
        }
        std::cerr << "bench_check: ids and dates, " << box.size << " messages: done\n";
    }
    out << "\n";
}

// ---- a server with huge headers ----

constexpr int kHugeMessages = 200;
constexpr std::size_t kHugeSubject = 1000 * 1000;
constexpr double kHugeGoalMiB = 8; // above `velomar --version`

// Plays a server whose every message has a header with a 1 MB subject, newer than any mark,
// for as long as the client talks to it.
void serveHugeHeaders(TestServers::ScriptedPop3Server& server) {
    const std::string header =
        "+OK\r\nReceived: from a by b; Mon, 1 Jan 2035 00:00:00 +0000\r\nSubject: " +
        std::string(kHugeSubject, 's') + "\r\n\r\n.\r\n";
    server.say("+OK hostile\r\n");
    for (std::string line = server.receiveLine(); !line.empty(); line = server.receiveLine()) {
        const std::string verb = line.substr(0, line.find_first_of(" \r"));
        if (verb == "CAPA")
            server.say("+OK\r\nTOP\r\nUIDL\r\nPIPELINING\r\n.\r\n");
        else if (verb == "STAT")
            server.say("+OK " + std::to_string(kHugeMessages) + " 0\r\n");
        else if (verb == "UIDL")
            server.say("+OK " + line.substr(5, line.size() - 7) + " id" +
                       line.substr(5, line.size() - 7) + "\r\n");
        else if (verb == "TOP")
            server.say(header);
        else
            server.say("+OK\r\n");
        if (verb == "QUIT")
            break;
    }
}

void writeHugeHeaderSection(std::ostream& out, const TestServers::TestCertificates& certificates,
                            int runs) {
    const std::string program = VELOMAR_EXECUTABLE;
    std::vector<ProgramCost> costs;
    ProgramCost version;
    for (int run = 0; run < runs; ++run) {
        TestServers::ScriptedPop3Server server;
        std::thread serving([&server] { serveHugeHeaders(server); });
        const TemporaryFolder home("velomar-bench-home-");
        writeAccount(home.path(), Mailbox{"huge", 1, {}}, server.port(), false, 0);
        costs.push_back(
            runProgram({program, "--check-once"}, home.path(), certificates.authorityFile()));
        serving.join();
        const TemporaryFolder bare("velomar-bench-home-");
        const ProgramCost start =
            runProgram({program, "--version"}, bare.path(), certificates.authorityFile());
        version.peakKilobytes = std::max(version.peakKilobytes, start.peakKilobytes);
    }
    std::vector<double> wall;
    long peak = 0;
    for (const ProgramCost& cost : costs) {
        wall.push_back(cost.wallSeconds);
        peak = std::max(peak, cost.peakKilobytes);
    }
    const double aboveStart = static_cast<double>(peak - version.peakKilobytes) / 1024;
    std::string outcome = costs.front().output;
    outcome = outcome.substr(0, outcome.find('\n'));
    out << "### A server with huge headers\n\n"
        << "`velomar --check-once` against a scripted server on loopback whose " << kHugeMessages
        << " messages each have a header with a subject of " << thousands(kHugeSubject)
        << " bytes (" << kHugeMessages
        << " MB in all), beside `velomar --version` as the floor; largest peak of " << runs
        << " runs. Only the first 64 KiB of each reply is kept and 1 000 characters of a subject; "
           "the check ends at its 16 MiB budget with what it found.\n\n"
        << "| run | median wall (ms) | peak resident memory (MiB) |\n|---|---:|---:|\n"
        << "| `velomar --version` | | "
        << fixed(static_cast<double>(version.peakKilobytes) / 1024, 1)
        << " |\n| `velomar --check-once`, huge headers | " << fixed(median(wall) * 1000, 1) << " | "
        << fixed(static_cast<double>(peak) / 1024, 1) << " |\n\n"
        << "Its report: `" << outcome << "`\n\n"
        << "Goal: the check holds at most " << fixed(kHugeGoalMiB, 0)
        << " MiB more than the program's start. Measured: **" << fixed(aboveStart, 1) << " MiB** ("
        << (aboveStart <= kHugeGoalMiB ? "met" : "not met") << ").\n\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: bench_check <check file> <headless file> <slow link file> [runs] "
                     "[mailbox sizes...]\n";
        return 2;
    }
    try {
        const int runs = argc > 4 ? std::atoi(argv[4]) : 5;
        std::vector<Mailbox> boxes;
        for (int arg = 5; arg < argc; ++arg)
            boxes.push_back({"box" + std::string(argv[arg]), std::atoi(argv[arg]), {}});
        if (boxes.empty())
            for (int size : {100, 1000, 10000})
                boxes.push_back({"box" + std::to_string(size), size, {}});

        TestServers::TestCertificates certificates;
        TestServers::DovecotServer dovecot(certificates.localhost());
        for (Mailbox& box : boxes)
            fillMailbox(dovecot, box);

        CountingRelay relay(dovecot.plainPort());
        const auto& all = strategies();
        std::map<std::pair<int, int>, std::vector<Measured>> results;
        for (const Mailbox& box : boxes) {
            for (int newCount : kNewCounts) {
                const Case c = makeCase(box, newCount);
                auto& measured = results[{box.size, newCount}];
                measured.resize(all.size());
                // The counted run also warms Dovecot's index and cache and the page cache.
                for (std::size_t s = 0; s < all.size(); ++s) {
                    checkFound(all[s], c, all[s].check(relay.port(), c));
                    measured[s].counts = relay.takeCounts();
                }
                for (int run = 0; run < runs; ++run) {
                    for (std::size_t s = 0; s < all.size(); ++s) {
                        const auto start = Clock::now();
                        const int found = all[s].check(dovecot.plainPort(), c);
                        measured[s].seconds.push_back(secondsSince(start));
                        checkFound(all[s], c, found);
                    }
                }
                std::cerr << "bench_check: " << box.size << " messages, " << newCount
                          << " new: done\n";
            }
        }
        std::ofstream checkOut(argv[1]);
        writeCheckSection(checkOut, boxes, results, runs);

        std::ofstream headlessOut(argv[2]);
        writeHeadlessSection(headlessOut, dovecot, certificates, boxes.back(), runs);
        writeHugeHeaderSection(headlessOut, certificates, runs);
        std::cerr << "bench_check: headless runs done\n";

        // A thousand messages, or the middle size asked for.
        const auto thousand = std::find_if(boxes.begin(), boxes.end(),
                                           [](const Mailbox& box) { return box.size == 1000; });
        certificates.trustAuthority();
        std::ofstream linkOut(argv[3]);
        writeLinkSection(linkOut, dovecot,
                         thousand != boxes.end() ? *thousand : boxes[boxes.size() / 2]);
        writeIdsSection(linkOut, dovecot, boxes, runs);
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << "bench_check: " << failure.what() << '\n';
        return 1;
    }
}
