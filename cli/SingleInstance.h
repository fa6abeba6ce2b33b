#pragma once

#include "cli/JobOutput.h"
#include "cli/WriterLock.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace Platform {
class LocalConnection;
}

/// One program per user works on the data file: the one that holds the writer lock. The tray
/// program among them also listens on a local socket in the user's runtime folder, through
/// which a later start hands over what it was asked to do.
class SingleInstance {
public:
    enum class Role {
        First,  ///< this process holds the lock and does the work itself
        Second, ///< a tray program runs and answers; `ask` hands the work over
    };

    explicit SingleInstance(const std::filesystem::path& dataFolder);
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    /// Takes the lock, or finds the running tray program's socket. While neither works (a
    /// tray program is still starting, or a headless check holds the lock) it tries again for
    /// at most `patience`, then throws Norq::Exception.
    Role claim(std::chrono::milliseconds patience = std::chrono::seconds(60));
    /// After Second: sends the arguments, and what the job read before (`input`), and waits
    /// for the running program's answer.
    JobOutput ask(const std::vector<std::string>& arguments, const std::string& input = {});

    /// The socket the tray program of this data folder listens on.
    const std::string& socketPath() const { return m_socketPath; }

private:
    WriterLock m_lock;
    std::string m_socketPath;
    std::unique_ptr<Platform::LocalConnection> m_connection;
};
