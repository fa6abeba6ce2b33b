#include "cli/AccountCommands.h"

#include "cli/ConnectionTestCollector.h"
#include "cli/JsonText.h"
#include "core/LogicCore.h"
#include "foundation/TextConversion.h"
#include "logic/Account.h"
#include "transport/ConnectionTestThread.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace {

// An account whose last check failed, in this run or an earlier one, is "failed".
const char* statusWord(const AccountView& account) {
    switch (account.status) {
    case Logic::AccountStatus::Idle:
        return account.failureReason.empty() ? "idle" : "failed";
    case Logic::AccountStatus::Failed:
        return "failed";
    case Logic::AccountStatus::Pending:
        return "waiting";
    case Logic::AccountStatus::Processing:
        return "checking";
    }
    return "idle";
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

JobOutput failed(const std::string& message) {
    return {1, {}, "velomar: " + message + "\n"};
}

JobOutput taken(const std::string& emailAddress) {
    return failed("Account with e-mail address [" + emailAddress + "] already exists.");
}

bool isImap(const Logic::ConnectionSettings& settings) {
    return settings.protocol() == Logic::ConnectionSettings::Protocol::Imap;
}

// "TLS", or for IMAP "STARTTLS" and for POP3 "no TLS".
std::string securityOf(const Logic::ConnectionSettings& settings) {
    return settings.useTls() ? "TLS" : isImap(settings) ? "STARTTLS" : "no TLS";
}

std::string describe(const Logic::AccountSuggestion& account) {
    const Logic::ConnectionSettings& settings = account.connectionSettings;
    std::string text = (isImap(settings) ? "IMAP server " : "POP3 server ") +
                       settings.serverName() + ", port " + std::to_string(settings.port()) + ", " +
                       securityOf(settings) + ", login \"" + settings.userLogin() + "\"";
    if (account.preferences.readMailAction() == Logic::ReadMailAction::OpenUrl)
        text += ", read mail at " + Norq::toNarrow(account.preferences.url());
    return text;
}

} // namespace

AccountCommands::AccountCommands(LogicCore& core) : m_actions(core), m_view(core), m_core(core) {}

Logic::AccountSuggestion AccountCommands::newAccount(const NewAccountRequest& request,
                                                     const std::string& password) const {
    Logic::AccountSuggestion account = Logic::suggestAccount(
        m_core.serverPresets(), request.emailAddress, password, request.protocol);
    Logic::ConnectionSettings& settings = account.connectionSettings;
    if (request.serverName)
        settings.setServerName(*request.serverName);
    settings.setUseTls(request.useTls);
    const bool imap = settings.protocol() == Logic::ConnectionSettings::Protocol::Imap;
    settings.setPort(
        request.port.value_or(imap ? (request.useTls ? 993 : 143) : (request.useTls ? 995 : 110)));
    if (request.userLogin)
        settings.setUserLogin(*request.userLogin);
    return account;
}

std::optional<JobOutput> AccountCommands::refusal(const Logic::AccountSuggestion& account) const {
    const Logic::ConnectionSettings& settings = account.connectionSettings;
    if (m_view.account(settings.emailAddress()))
        return taken(settings.emailAddress());
    const Logic::ServerPreset* provider = providerOf(settings.emailAddress());
    if (provider != nullptr && !provider->offersPop3() && !provider->offersImap())
        return failed(settings.emailAddress() + " cannot be added: " + provider->noPasswordText());
    if (settings.serverName().empty())
        return failed(std::string("the server presets know no ") +
                      (isImap(settings) ? "IMAP" : "POP3") + " server for " +
                      settings.emailAddress() +
                      "; give it with --server NAME (and --port, --tls as your provider says).");
    return std::nullopt;
}

std::optional<JobOutput> AccountCommands::testFailure(const ConnectionTestResult& test) {
    if (test.succeeded)
        return std::nullopt;
    return failed("the connection test failed: " + test.failure +
                  "\nNothing was added. Check the address and --server, --port, --tls or "
                  "--no-tls and --login, or add the account untested with --no-test.");
}

JobOutput AccountCommands::add(const Logic::AccountSuggestion& account,
                               const ConnectionTestResult* test,
                               const PasswordPlacement& placement) {
    const Logic::ConnectionSettings& settings = placement.settings;
    if (placement.place == PasswordPlacement::Place::AddressTaken)
        return taken(settings.emailAddress());
    if (placement.place == PasswordPlacement::Place::Refused)
        return failed("the password could not be kept: " + placement.reason +
                      ". Nothing was added.");
    auto added = std::make_unique<Logic::Account>();
    added->setConnectionSettings(settings);
    added->setPreferences(account.preferences);
    switch (m_actions.addAccount(std::move(added))) {
    case ActionResult::Saved:
        break;
    case ActionResult::AddressTaken:
        return taken(settings.emailAddress());
    case ActionResult::NotSaved:
    case ActionResult::NoSuchAccount:
        return failed("could not save the new account: " + m_core.saveError() +
                      ". Make sure you can write to that file and its folder.");
    }
    std::string report;
    if (test != nullptr)
        report = "Connection test: logged in; " + std::to_string(test->messageCount) +
                 " messages in the mailbox.\n";
    report += "Added " + settings.emailAddress() + ": " + describe(account) + ".\n";
    if (placement.place == PasswordPlacement::Place::Keyring)
        report += "The password is kept in the desktop's keyring.\n";
    if (const Logic::ServerPreset* provider = providerOf(settings.emailAddress()))
        if (const std::string note = provider->noteWithHelp(isImap(settings)); !note.empty())
            report += "About " + std::string(Logic::domainOf(settings.emailAddress())) + ": " +
                      note + "\n";
    std::string warning;
    if (placement.place == PasswordPlacement::Place::File)
        warning = std::string("velomar: ") + kNoKeyringNote + ".\n";
    if (!settings.useTls() && !isImap(settings))
        warning += "velomar: warning: without TLS the password travels unencrypted over the "
                   "network; use --tls if the server offers it.\n";
    return {0, report, warning};
}

const Logic::ServerPreset* AccountCommands::providerOf(const std::string& emailAddress) const {
    return m_core.serverPresets().find(Logic::domainOf(emailAddress));
}

JobOutput AccountCommands::addAfterTest(const NewAccountRequest& request,
                                        const std::string& password) {
    const Logic::AccountSuggestion account = newAccount(request, password);
    if (auto refused = refusal(account))
        return *refused;
    if (!request.test)
        return add(account, nullptr, placeNewAccountPassword(m_core, account.connectionSettings));
    std::mutex mutex;
    std::condition_variable ended;
    std::optional<ConnectionTestResult> result;
    ConnectionTestCollector collector(
        account.connectionSettings,
        m_core.serverPresets().refusalAdvice(account.connectionSettings.serverName()),
        [&](const ConnectionTestResult& outcome) {
            std::lock_guard lock(mutex);
            result = outcome;
            ended.notify_one();
        });
    ConnectionTestThread test(collector, account.connectionSettings);
    test.start();
    {
        std::unique_lock lock(mutex);
        ended.wait(lock, [&] { return result.has_value(); });
    }
    test.stop();
    if (auto failure = testFailure(*result))
        return *failure;
    return add(account, &*result, placeNewAccountPassword(m_core, account.connectionSettings));
}

JobOutput AccountCommands::list(bool json) const {
    const std::vector<AccountView> accounts = m_view.accounts();
    std::string out;
    if (json) {
        out = "{\"accounts\": [";
        for (std::size_t i = 0; i < accounts.size(); ++i) {
            const AccountView& account = accounts[i];
            out += i ? ", " : "";
            out += "{\"email\": " + jsonString(account.emailAddress) +
                   ", \"server\": " + jsonString(account.serverName) +
                   ", \"port\": " + std::to_string(account.port) +
                   ", \"protocol\": " + (account.imap ? "\"imap\"" : "\"pop3\"") +
                   ", \"tls\": " + (account.useTls ? "true" : "false") +
                   ", \"status\": " + jsonString(statusWord(account)) + ", \"reason\": " +
                   (account.failureReason.empty() ? "null" : jsonString(account.failureReason)) +
                   ", \"unread\": " + std::to_string(account.unread) +
                   ", \"password\": " + (account.passwordInKeyring ? "\"keyring\"" : "\"file\"") +
                   "}";
        }
        return {0, out + "]}\n", {}};
    }
    if (accounts.empty())
        return {0, "No accounts are set up.\n", {}};
    std::size_t addressWidth = 0;
    std::size_t serverWidth = 0;
    for (const AccountView& account : accounts) {
        addressWidth = std::max(addressWidth, account.emailAddress.size());
        serverWidth = std::max(serverWidth,
                               account.serverName.size() + 1 + std::to_string(account.port).size());
    }
    for (const AccountView& account : accounts) {
        out += padded(account.emailAddress, addressWidth) + "  " +
               padded(account.serverName + ":" + std::to_string(account.port), serverWidth) + "  " +
               (account.imap ? "IMAP " : "POP3 ") +
               (account.useTls ? "TLS      "
                : account.imap ? "STARTTLS "
                               : "no TLS   ") +
               padded(statusWord(account), 9) +
               padded(std::to_string(account.unread) + " unread", 10) +
               (account.passwordInKeyring ? "password in keyring" : "password in file");
        if (!account.failureReason.empty())
            out += "  failed: " + account.failureReason;
        out += "\n";
    }
    return {0, out, {}};
}

JobOutput AccountCommands::remove(const std::string& emailAddress) {
    switch (m_actions.removeAccount(emailAddress)) {
    case ActionResult::Saved:
        return {0, "Removed " + emailAddress + ".\n", {}};
    case ActionResult::NoSuchAccount:
    case ActionResult::AddressTaken:
        break;
    case ActionResult::NotSaved:
        return failed("could not remove " + emailAddress +
                      ": the account file could not be written: " + m_core.saveError() +
                      ". The account stays; make sure you can write to that file and its folder.");
    }
    return failed("there is no account with the e-mail address [" + emailAddress +
                  "]; velomar --list-accounts lists them.");
}

std::optional<AccountView> AccountCommands::peek(const std::filesystem::path& dataFolder,
                                                 const std::string& emailAddress) {
    try {
        LogicCore core(dataFolder, {});
        return ModelReader(core).account(emailAddress);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
