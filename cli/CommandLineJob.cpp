#include "cli/CommandLineJob.h"

#include "cli/AccountCommands.h"
#include "cli/HeadlessCheck.h"
#include "cli/ProgramContext.h"
#include "cli/StartModel.h"
#include "core/LogicCore.h"
#include "core/ModelReader.h"
#include "foundation/Product.h"
#include "logic/ServerPreset.h"
#include "platform/Terminal.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <vector>

namespace {

using Kind = CommandLineJob::Kind;

// Which jobs an option goes with (a job's own option goes with that job; the tray program is
// Kind::None), and what value it needs: none when `value` is nullptr.
struct OptionRule {
    std::string_view name;
    std::vector<Kind> jobs;
    const char* value;
};

const std::vector<OptionRule> kRules = {
    {"-version", {Kind::Version}, nullptr},
    {"-check-once", {Kind::CheckOnce}, nullptr},
    {"-add-account", {Kind::AddAccount}, "the account's e-mail address"},
    {"-list-accounts", {Kind::ListAccounts}, nullptr},
    {"-remove-account", {Kind::RemoveAccount}, "the e-mail address of the account to remove"},
    {"-json", {Kind::CheckOnce, Kind::ListAccounts}, nullptr},
    {"-server", {Kind::AddAccount}, "the POP3 server's name"},
    {"-port", {Kind::AddAccount}, "a port number from 1 to 65535"},
    {"-imap", {Kind::AddAccount}, nullptr},
    {"-pop3", {Kind::AddAccount}, nullptr},
    {"-tls", {Kind::AddAccount}, nullptr},
    {"-no-tls", {Kind::AddAccount}, nullptr},
    {"-login", {Kind::AddAccount}, "the login name"},
    {"-no-test", {Kind::AddAccount}, nullptr},
    {"-yes", {Kind::RemoveAccount}, nullptr},
    {"minimized", {Kind::None}, nullptr},
    {"-minimized", {Kind::None}, nullptr},
};
// The rules of the jobs themselves come first.
constexpr std::size_t kJobRules = 5;

// The longest password read: far more than any server takes.
constexpr std::size_t kMaxPasswordSize = 4096;

// As the user wrote it: the parser keeps the option's name without its first '-'.
std::string shown(const std::string& name) {
    return "-" + name;
}

std::string jobOption(Kind job) {
    for (std::size_t i = 0; i < kJobRules; ++i) {
        if (kRules[i].jobs.front() == job)
            return shown(std::string(kRules[i].name));
    }
    return "the tray program";
}

// "--check-once or --list-accounts", the jobs an option goes with.
std::string jobsOf(const OptionRule& rule) {
    std::string jobs;
    for (std::size_t i = 0; i < rule.jobs.size(); ++i)
        jobs += (i == 0 ? "" : i + 1 == rule.jobs.size() ? " or " : ", ") + jobOption(rule.jobs[i]);
    return jobs;
}

bool isHelp(const std::string& name) {
    return name == "-help" || name == "h";
}

std::optional<std::uint16_t> portNumber(const std::string& text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

CommandLineJob::CommandLineJob(const CommandLineOptions& options)
    : m_json(options.hasOption("-json")), m_yes(options.hasOption("-yes")) {
    choose(options);
    if (m_kind == Kind::AddAccount)
        readNewAccount(options);
    else if (m_kind == Kind::RemoveAccount)
        m_emailAddress = *options.optionValue("-remove-account");
}

void CommandLineJob::choose(const CommandLineOptions& options) {
    // A word the program does not know is refused wherever it stands, --help or not.
    if (!options.strays().empty())
        return refuse("unexpected argument \"" + options.strays().front() + "\"");
    for (const auto& [name, value] : options.all()) {
        const bool known =
            isHelp(name) || std::any_of(kRules.begin(), kRules.end(),
                                        [&](const OptionRule& r) { return r.name == name; });
        if (!known)
            return refuse("unknown option " + shown(name));
    }
    for (const char* help : {"-help", "h"}) {
        const auto value = options.optionValue(help);
        if (value && !value->empty())
            return refuse("\"" + *value + "\" after " + shown(help) + " is not an option");
        if (value)
            m_kind = Kind::Help;
    }
    if (m_kind == Kind::Help)
        return;
    for (std::size_t i = 0; i < kJobRules; ++i) {
        if (!options.hasOption(std::string(kRules[i].name)))
            continue;
        if (m_kind != Kind::None)
            return refuse("give only one of --check-once, --add-account, --list-accounts, "
                          "--remove-account and --version");
        m_kind = kRules[i].jobs.front();
    }
    const Kind job = m_kind;
    for (const auto& [name, value] : options.all()) {
        const auto rule = std::find_if(kRules.begin(), kRules.end(),
                                       [&](const OptionRule& r) { return r.name == name; });
        if (std::find(rule->jobs.begin(), rule->jobs.end(), job) == rule->jobs.end())
            return refuse(shown(name) + " goes only with " + jobsOf(*rule));
        if (rule->value != nullptr && value.empty())
            return refuse(shown(name) + " needs " + rule->value);
        if (rule->value == nullptr && !value.empty())
            return refuse("\"" + value + "\" after " + shown(name) + " is not an option");
    }
}

void CommandLineJob::readNewAccount(const CommandLineOptions& options) {
    m_newAccount.emailAddress = *options.optionValue("-add-account");
    if (!Logic::isEmailAddress(m_newAccount.emailAddress))
        return refuse("--add-account needs an e-mail address such as me@example.org, not \"" +
                      m_newAccount.emailAddress + "\"");
    m_newAccount.serverName = options.optionValue("-server");
    m_newAccount.userLogin = options.optionValue("-login");
    if (const auto port = options.optionValue("-port")) {
        m_newAccount.port = portNumber(*port);
        if (!m_newAccount.port)
            return refuse("--port needs a port number from 1 to 65535, not \"" + *port + "\"");
    }
    if (options.hasOption("-tls") && options.hasOption("-no-tls"))
        return refuse("give --tls or --no-tls, not both");
    if (options.hasOption("-imap") && options.hasOption("-pop3"))
        return refuse("give --imap or --pop3, not both");
    using Protocol = Logic::ConnectionSettings::Protocol;
    if (options.hasOption("-imap"))
        m_newAccount.protocol = Protocol::Imap;
    else if (options.hasOption("-pop3"))
        m_newAccount.protocol = Protocol::Pop3;
    m_newAccount.useTls = !options.hasOption("-no-tls");
    m_newAccount.test = !options.hasOption("-no-test");
}

void CommandLineJob::refuse(std::string why) {
    m_kind = Kind::Usage;
    m_usageError = std::move(why);
}

JobOutput CommandLineJob::runAlone() const {
    switch (m_kind) {
    case Kind::Help:
        return {0, usage(), {}};
    case Kind::Version:
        return {0, Norq::Product::versionText() + '\n', {}};
    case Kind::Usage:
        return {2, {}, "velomar: " + m_usageError + "\n\n" + usage()};
    default:
        return {2, {}, std::string("velomar: nothing to do\n\n") + usage()};
    }
}

JobOutput CommandLineJob::run(const ProgramContext& application, const std::string& input) const {
    if (!needsAccounts())
        return runAlone();
    const std::unique_ptr<LogicCore> core = startModel(application);
    return runOn(*core, input);
}

JobOutput CommandLineJob::runOn(LogicCore& core, const std::string& input) const {
    switch (m_kind) {
    case Kind::CheckOnce: {
        HeadlessCheck check(core);
        return checkOutput(check.run());
    }
    case Kind::AddAccount:
        return AccountCommands(core).addAfterTest(m_newAccount, input);
    case Kind::ListAccounts:
        return AccountCommands(core).list(m_json);
    case Kind::RemoveAccount:
        return AccountCommands(core).remove(m_emailAddress);
    default:
        return runAlone();
    }
}

JobOutput CommandLineJob::checkOutput(const CheckReport& report) const {
    std::string failure;
    if (report.saveFailure)
        failure = "velomar: could not save what the check found: " + *report.saveFailure + '\n';
    return {report.exitCode(), m_json ? report.json() : report.plainText(), failure};
}

const char* CommandLineJob::usage() {
    return "Usage: velomar [--minimized]\n"
           "       velomar --check-once [--json]\n"
           "       velomar --add-account ADDRESS [--imap | --pop3] [--server NAME] [--port N]\n"
           "                             [--tls | --no-tls] [--login NAME] [--no-test]\n"
           "       velomar --list-accounts [--json]\n"
           "       velomar --remove-account ADDRESS [--yes]\n"
           "       velomar --help | -h | --version\n"
           "\n"
           "  without options  start the tray program, or show its window if it runs already\n"
           "  --minimized      start with the window hidden in the tray (also -minimized)\n"
           "  --check-once     check every account once, print what is new and exit\n"
           "  --json           print the result as one JSON object\n"
           "  --add-account    add an account: server, port, TLS, login and the read-mail\n"
           "                   page come from the provider list as in the account wizard;\n"
           "                   the password is typed at the terminal without being shown, or\n"
           "                   read from the first line of standard input when that is not a\n"
           "                   terminal (never give it on the command line); the connection\n"
           "                   is tried first and the account added only if that works;\n"
           "                   the password goes to the desktop's keyring, or, where none\n"
           "                   answers, into the account file (scrambled, not encrypted)\n"
           "    --imap, --pop3  the protocol (IMAP where the provider list offers it, else\n"
           "                   POP3)\n"
           "    --server NAME  the server instead of the provider list's\n"
           "    --port N       its port (unless given: 995 with TLS and 110 without for\n"
           "                   POP3, 993 and 143 for IMAP)\n"
           "    --tls, --no-tls  TLS from the first byte (the default), or else for IMAP\n"
           "                   STARTTLS, for POP3 plain text, which sends the password\n"
           "                   unencrypted\n"
           "    --login NAME   the login name instead of the one made from the address\n"
           "    --no-test      add the account without trying the connection\n"
           "  --list-accounts  list the accounts: address, server, port, protocol, TLS,\n"
           "                   status, unread messages and where the password is kept (never\n"
           "                   the password)\n"
           "  --remove-account  remove the account with that address, its messages and its\n"
           "                   keyring item; at a terminal it asks first\n"
           "    --yes          remove without asking\n"
           "  --help, -h, --version  this text, the version\n"
           "\n"
           "While the tray program runs, it does the check and the account changes asked for\n"
           "on the command line, so one program at a time writes the account file.\n"
           "\n"
           "Exit codes:\n"
           "  0  done\n"
           "  1  the program could not do it (the reason on standard error): no installed\n"
           "     files, an account file that is damaged or cannot be written (also when\n"
           "     what a check found could not be saved), a connection test that failed,\n"
           "     an address that is taken or unknown, no display for the tray program\n"
           "  2  the command line is wrong (an unknown option or a stray word included)\n"
           "  3  --check-once: some account could not be checked\n"
           "\n"
           "Files:\n"
           "  $XDG_DATA_HOME/Quorvex Software/Quorvex Velomar/data/general.bin\n"
           "      the accounts and their unread messages (default ~/.local/share/...)\n"
           "  $XDG_CONFIG_HOME/Quorvex Software/Quorvex Velomar.reg\n"
           "      the settings (default ~/.config/...)\n"
           "  $XDG_DATA_HOME/Quorvex Software/Quorvex Velomar/data/seen.bin\n"
           "      the messages each account's checks have seen, and why an account fails\n"
           "  $XDG_CONFIG_HOME/autostart/Quorvex Velomar.desktop\n"
           "      the start at log-on, when it is switched on\n"
           "  <prefix>/share/velomar/basis/servers.xml, notify.wav\n"
           "      the provider list and the sound (basis/ beside the executable in a build)\n"
           "\n"
           "Environment:\n"
           "  VELOMAR_DEBUG=1  also print the program's internal diagnostics on standard error\n";
}

bool CommandLineJob::startsMinimized(const CommandLineOptions& options) {
    return options.hasOption("minimized") || options.hasOption("-minimized");
}

std::optional<std::string>
CommandLineJob::readInput(const std::filesystem::path& dataFolder) const {
    if (m_kind == Kind::RemoveAccount)
        return confirmRemoval(dataFolder) ? std::optional<std::string>(std::string())
                                          : std::nullopt;
    if (!needsPassword())
        return std::string();
    const auto password =
        Platform::standardInputIsTerminal()
            ? Platform::readHiddenLine("Password for " + m_newAccount.emailAddress + ": ",
                                       kMaxPasswordSize)
            : Platform::readStandardInputLine(kMaxPasswordSize);
    if (!password)
        std::cerr << "velomar: no password for " << m_newAccount.emailAddress
                  << ": type it when asked, or give it on the first line of standard input\n";
    return password;
}

bool CommandLineJob::confirmRemoval(const std::filesystem::path& dataFolder) const {
    if (m_yes || !Platform::standardInputIsTerminal())
        return true;
    // Read as it stands on disk, while another start may be using it: the question only needs
    // the unread count. An account that is not there is the job's to report.
    const auto account = AccountCommands::peek(dataFolder, m_emailAddress);
    if (!account)
        return true;
    std::cerr << removalQuestion(*account) << " [y/N] " << std::flush;
    const std::string answer = Platform::readStandardInputLine(16).value_or("");
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes")
        return true;
    std::cerr << "velomar: nothing removed\n";
    return false;
}

int printJobOutput(const JobOutput& output) {
    std::cout << output.standardOutput << std::flush;
    std::cerr << output.standardError << std::flush;
    return output.exitCode;
}
