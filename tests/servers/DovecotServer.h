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

/// A real Dovecot server for one test run, started as a child process on loopback from a
/// throwaway folder (configuration, runtime and state folders, log, passwd-file, maildirs) that
/// goes away with the object. Plain POP3 always; when a certificate is given, POP3 over TLS from
/// the first byte and IMAP too: on one port with STARTTLS, where a password is refused before
/// the connection is secure, and on another over TLS from the first byte, both with IDLE. As
/// root (as in CI) Dovecot's master switches to `nobody` for the mail; otherwise every part of
/// it runs as the current user.
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
    /// 0 without a certificate, as are the IMAP ports.
    std::uint16_t tlsPort() const { return m_tlsPort; }
    /// IMAP in plain text, made secure with STARTTLS, at kStartTlsAddress.
    std::uint16_t imapPort() const { return m_imapPort; }
    /// IMAP over TLS from the first byte.
    std::uint16_t imapsPort() const { return m_imapsPort; }

    /// Where the IMAP port with STARTTLS listens. Dovecot takes a connection whose two ends
    /// have the same address for a secure one, and would take a password in plain text on it;
    /// a client on 127.0.0.1 reaches this address from another.
    static constexpr const char* kStartTlsAddress = "127.0.0.2";

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
    /// Expunges the message with this number from the user's mailbox, as another client would;
    /// the numbers of the messages after it go down by one.
    void remove(const std::string& user, int number);
    /// Ends every IMAP session at once, as a crash of the server's IMAP processes would: the
    /// connections are cut without a word.
    void cutImapConnections();

    /// Dovecot's log so far, for failure messages.
    std::string log() const;

private:
    void writeConfiguration(const std::optional<CertificateFiles>& tls);
    bool start();
    void stop();

    std::filesystem::path m_folder;
    std::uint16_t m_plainPort = 0;
    std::uint16_t m_tlsPort = 0;
    std::uint16_t m_imapPort = 0;
    std::uint16_t m_imapsPort = 0;
    pid_t m_process = -1;
    uid_t m_mailUid;
    gid_t m_mailGid;
    /// User and group names Dovecot runs as when not started by root.
    std::optional<std::pair<std::string, std::string>> m_runAs;
    /// Each user's message files by number, from 1; named without the flags Dovecot appends.
    std::map<std::string, std::vector<std::string>> m_messageFiles;
    int m_deliveries = 0;
};

} // namespace TestServers
