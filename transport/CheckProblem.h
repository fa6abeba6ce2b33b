#pragma once

#include <chrono>
#include <string>

/// What kind of failure kept an account from being checked.
enum class CheckFailure {
    Connect, ///< no POP3 connection: name, network, no greeting, or the connection broke
    Tls,     ///< the TLS set-up failed, an untrusted certificate among the causes
    Login,   ///< the server refused the login name or the password
    /// The server's replies could not be used: STAT refused or without a count, TOP refused for
    /// the first or the last message, or a reply cut short by a time limit, the size limit or a
    /// lost connection. Nothing of such a check counts, so the next one walks again.
    Server,
    /// The server turned the log-in down for now: too soon after the last one (LOGIN-DELAY), or
    /// the mailbox is in use by another session. Not a wrong password.
    Busy,
    /// The password is kept in the desktop's keyring, which could not give it: no keyring here
    /// (a job outside the desktop session), a locked one, or no item for the account. Not a
    /// wrong password either.
    Keyring,
};

/// The kind as one word, as scripts read it: "connect", "tls", "login", "server", "busy",
/// "keyring".
const char* failureName(CheckFailure kind);

/// Why an account could not be checked, as the account shows it and as it is retried.
struct CheckProblem {
    CheckFailure kind = CheckFailure::Connect;
    /// A sentence for the user, with the server's own words when it gave any.
    std::string reason;
    /// The failure may pass by itself (no connection, no answer, busy): worth trying again
    /// before the next scheduled check.
    bool mayPass = false;
    /// The least wait before the next log-in that the server asked for; zero when it named none.
    std::chrono::seconds retryAfter{0};
};
