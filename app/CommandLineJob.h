#pragma once

#include <string>

class Application;
class CommandLineOptions;
struct CheckReport;

/// What a command-line job printed and how it ended.
struct JobOutput {
    int exitCode = 0;
    std::string standardOutput;
    std::string standardError;
};

/// The jobs `velomar` does without a window: --help, --version and --check-once [--json]. A job
/// that reads or changes the accounts runs in this process only while no tray program runs;
/// otherwise the tray program does it (the data file keeps a single writer).
class CommandLineJob {
public:
    explicit CommandLineJob(const CommandLineOptions& options);

    /// False when the options ask for no job: the tray program starts.
    bool isRequested() const { return m_kind != Kind::None; }
    /// True for the jobs on the accounts, which a running tray program does instead.
    bool needsAccounts() const { return m_kind == Kind::CheckOnce; }
    /// Runs the job in this process.
    JobOutput run(const Application& application) const;
    /// How the check job prints a check's result.
    JobOutput checkOutput(const CheckReport& report) const;

    static const char* usage();

private:
    enum class Kind { None, Help, Version, CheckOnce };

    Kind m_kind = Kind::None;
    bool m_json = false;
};

/// Writes the output to this process's standard output and error; returns the exit code.
int printJobOutput(const JobOutput& output);
