#pragma once

// Runs the real executable as a script would, through the shell.

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace TestProgram {

struct ProgramRun {
    std::string output;
    int exitCode = -1;
};

/// Runs `program` with the given options after the shell commands `before`, as a person would:
/// without the internal diagnostics. Standard output only, unless `errors` sends standard error
/// there too.
inline ProgramRun run(const std::string& program, const std::string& options,
                      const std::string& before = "", const std::string& errors = "2>/dev/null") {
    const std::string command =
        "unset VELOMAR_DEBUG; " + before + " '" + program + "' " + options + " " + errors;
    ProgramRun result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

/// The velomar of this build.
inline ProgramRun velomar(const std::string& options, const std::string& before = "",
                          const std::string& errors = "2>/dev/null") {
    return run(VELOMAR_EXECUTABLE, options, before, errors);
}

} // namespace TestProgram
