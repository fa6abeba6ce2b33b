#pragma once

#include "cli/JobOutput.h"

#include <filesystem>
#include <optional>
#include <string>

class ProgramContext;
class CommandLineOptions;
class LogicCore;
struct CheckReport;

/// The jobs `velomar` does without a window: --help, --version, --check-once [--json] and the
/// account commands --add-account, --list-accounts [--json] and --remove-account. A job that
/// reads or changes the accounts runs in this process only while no tray program runs;
/// otherwise the tray program does it (the data file keeps a single writer).
class CommandLineJob {
public:
    enum class Kind {
        None,  ///< no job: the tray program starts
        Usage, ///< the command line is wrong; `runAlone` says why
        Help,
        Version,
        // The jobs on the accounts, from here on.
        CheckOnce,
        AddAccount,
        ListAccounts,
        RemoveAccount,
    };

    explicit CommandLineJob(const CommandLineOptions& options);

    Kind kind() const { return m_kind; }
    /// False when the options ask for no job: the tray program starts.
    bool isRequested() const { return m_kind != Kind::None; }
    /// True for the jobs on the accounts, which a running tray program does instead.
    bool needsAccounts() const { return m_kind >= Kind::CheckOnce; }
    /// True when the job reads a password before it runs, in the process the user started.
    bool needsPassword() const { return m_kind == Kind::AddAccount; }
    const NewAccountRequest& newAccount() const { return m_newAccount; }

    /// What the job reads before it runs, in the process the user started: the password of
    /// --add-account, typed at the terminal without being shown, or the first line of standard
    /// input when that is not a terminal (never an argument, which other users could see).
    /// --remove-account at a terminal asks first, unless --yes. Empty for the other jobs;
    /// nothing, with the reason on standard error, when there is none or the answer was no.
    std::optional<std::string> readInput(const std::filesystem::path& dataFolder) const;

    /// Runs a job that needs no accounts: --help, --version, or the complaint about a wrong
    /// command line.
    JobOutput runAlone() const;
    /// Runs a job on the accounts in this process, building the model; `input` is the
    /// password the job read.
    JobOutput run(const ProgramContext& application, const std::string& input) const;
    /// Runs a job on the accounts on this model, waiting for a check or a connection test.
    JobOutput runOn(LogicCore& core, const std::string& input) const;
    /// How the check job prints a check's result.
    JobOutput checkOutput(const CheckReport& report) const;

    static const char* usage();
    /// Whether the tray program starts with its window hidden: --minimized or -minimized.
    static bool startsMinimized(const CommandLineOptions& options);

private:
    void choose(const CommandLineOptions& options);
    void readNewAccount(const CommandLineOptions& options);
    void refuse(std::string why);
    /// Asks at the terminal whether to remove the account; true to go on.
    bool confirmRemoval(const std::filesystem::path& dataFolder) const;

    Kind m_kind = Kind::None;
    bool m_json = false;
    bool m_yes = false;
    std::string m_emailAddress;
    NewAccountRequest m_newAccount;
    std::string m_usageError;
};

/// Writes the output to this process's standard output and error; returns the exit code.
int printJobOutput(const JobOutput& output);
