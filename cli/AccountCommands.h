#pragma once

#include "cli/JobOutput.h"
#include "core/ModelReader.h"
#include "core/PasswordPlacement.h"
#include "core/UserActions.h"
#include "logic/AccountSuggestion.h"
#include "logic/ServerPreset.h"

#include <filesystem>
#include <optional>
#include <string>

class LogicCore;
struct ConnectionTestResult;

/// The account commands of the command line on a model, through the core's user actions and
/// view, so they work the same in a process of their own and in the running tray program.
class AccountCommands {
public:
    explicit AccountCommands(LogicCore& core);

    /// The account the request describes: what the account wizard would fill in from the
    /// presets for the address, with the request's own values in their place.
    Logic::AccountSuggestion newAccount(const NewAccountRequest& request,
                                        const std::string& password) const;
    /// Why the account cannot be added before anything is tried: another account has its
    /// address (the wizard's message), its provider takes no password, or no server is known
    /// for it. Nothing when it can.
    std::optional<JobOutput> refusal(const Logic::AccountSuggestion& account) const;
    /// What to say when the connection test failed; nothing when it worked.
    static std::optional<JobOutput> testFailure(const ConnectionTestResult& test);
    /// Adds the account, with its password where `placement` put it (placeNewAccountPassword),
    /// after its connection test worked (`test` is nullptr when none was run). Says where the
    /// password is kept, what the provider list notes about the provider, and warns of a password
    /// sent without TLS.
    JobOutput add(const Logic::AccountSuggestion& account, const ConnectionTestResult* test,
                  const PasswordPlacement& placement);
    /// The whole of --add-account here: refusal, test (waited for), adding.
    JobOutput addAfterTest(const NewAccountRequest& request, const std::string& password);

    /// --list-accounts: one line per account, or one JSON object.
    JobOutput list(bool json) const;
    /// --remove-account
    JobOutput remove(const std::string& emailAddress);
    /// The account as the data file in this folder has it now, read without taking the file
    /// over; nothing when it is not there or the file cannot be read.
    static std::optional<AccountView> peek(const std::filesystem::path& dataFolder,
                                           const std::string& emailAddress);

private:
    /// What the provider list says about the address's domain; nullptr for an unknown one.
    const Logic::ServerPreset* providerOf(const std::string& emailAddress) const;

    UserActions m_actions;
    ModelReader m_view;
    LogicCore& m_core;
};
