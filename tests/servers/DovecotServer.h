#pragma once

#include "tests/servers/TestCertificates.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace TestServers {

/// A real Dovecot POP3 server for one test run, started as a child process on 127.0.0.1 from
/// a throwaway folder (configuration, runtime and state folders, log, passwd-file, maildirs)
/// that goes away with the object. Plain POP3 always; POP3 over TLS from the first byte when
/// a certificate is given. As root (as in CI) Dovecot's master switches to `nobody` for the
/// mail; otherwise every part of it runs as the current user.
class DovecotServer {
public:
    /// Starts Dovecot and returns once it accepts connections. Throws std::runtime_error (with
    /// the end of Dovecot's log) when it cannot be started.
    explicit DovecotServer(std::optional<CertificateFiles> tls = std::nullopt);
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;
    /// Stops Dovecot, waits for it, and removes the folder.
    ~DovecotServer();

    std::uint16_t plainPort() const { return m_plainPort; }
    /// 0 without a certificate.
    std::uint16_t tlsPort() const { return m_tlsPort; }

    /// Adds a user with an empty mailbox; the password is stored in plain text. Each name once:
    /// Dovecot would not notice a changed password at once.
    void addUser(const std::string& name, const std::string& password);
    /// Puts a message (raw RFC 5322 text) at the end of the user's mailbox, so POP3 numbers
    /// follow the order of delivery; returns its message number. The dates are whatever the
    /// text says.
    int deliver(const std::string& user, std::string_view message);
    /// Puts many messages at the end of the user's mailbox, in order, as `deliver` does one;
    /// returns the number of the last.
    int deliverMany(const std::string& user, const std::vector<std::string>& messages);

    /// Dovecot's log so far, for failure messages.
    std::string log() const;

private:
    void writeConfiguration(const std::optional<CertificateFiles>& tls);
    bool start();
    void stop();

    std::filesystem::path m_folder;
    std::uint16_t m_plainPort = 0;
    std::uint16_t m_tlsPort = 0;
    pid_t m_process = -1;
    uid_t m_mailUid;
    gid_t m_mailGid;
    /// User and group names Dovecot runs as when not started by root.
    std::optional<std::pair<std::string, std::string>> m_runAs;
    std::map<std::string, int> m_messageCounts;
    int m_deliveries = 0;
};

} // namespace TestServers
