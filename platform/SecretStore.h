#pragma once

#include <string>

namespace Platform {

/// Account passwords in the desktop's keyring, through the Secret Service on the session bus
/// (GNOME Keyring, KeePassXC, KDE's wallet): one item per account, labelled
/// "Quorvex Velomar: <address>", found again by the attributes application=velomar and
/// address=<address>. Every call waits for the service (and for a prompt that unlocks the
/// keyring, if the service shows one): never call it on the interface thread.
class SecretStore {
public:
    enum class Outcome {
        Done,
        /// No item for that address (lookup), or none to delete (remove).
        NotFound,
        /// No Secret Service on the session bus, or no session bus at all.
        NoService,
        /// The keyring stayed locked: its prompt was cancelled, or it cannot prompt here.
        Locked,
        Failed,
    };
    struct Answer {
        Outcome outcome = Outcome::Failed;
        /// The password, for a lookup that was Done.
        std::string secret;
        /// What the service said, for the outcomes that are not Done or NotFound.
        std::string reason;
    };

    /// Whether a Secret Service answers now (one that starts on demand is started).
    static bool available();
    static Answer store(const std::string& emailAddress, const std::string& password);
    static Answer lookup(const std::string& emailAddress);
    static Answer remove(const std::string& emailAddress);
};

} // namespace Platform
