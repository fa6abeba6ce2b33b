#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace TestServers {

/// The full path of a program found on PATH or in the system folders; throws
/// std::runtime_error naming the package to install when it is missing.
std::filesystem::path findProgram(const std::string& name, const std::string& package);

/// Runs a program to its end with its output going to `outputFile`; returns its exit status
/// (-1 when it could not be started or was killed by a signal).
int runProgram(const std::vector<std::string>& arguments, const std::filesystem::path& outputFile);

/// Starts a program in the background with its output going to `outputFile`; throws
/// std::runtime_error when it cannot be started.
pid_t startProgram(const std::vector<std::string>& arguments,
                   const std::filesystem::path& outputFile);

/// Makes a fresh folder under the system's temporary folder, readable by everyone.
std::filesystem::path makeTemporaryFolder(const std::string& prefix);

/// A port on 127.0.0.1 that nothing listens on at the moment of the call.
unsigned short freeLoopbackPort();

} // namespace TestServers
