#include "platform/SecretStore.h"

// The search for the paths of locked items is among the calls libsecret marks as open to
// change; it has been there unchanged since 0.16.
#define SECRET_API_SUBJECT_TO_CHANGE
#include <libsecret/secret.h>

#include <memory>

namespace Platform {
namespace {

// The attributes name the program and the address, so that a keyring manager (or secret-tool)
// finds the items without knowing the schema.
const SecretSchema* schema() {
    static const SecretSchema instance = {"com.quorvexsoftware.velomar.Password",
                                          SECRET_SCHEMA_DONT_MATCH_NAME,
                                          {{"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                           {"address", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                           {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                          0,
                                          nullptr,
                                          nullptr,
                                          nullptr,
                                          nullptr,
                                          nullptr,
                                          nullptr,
                                          nullptr};
    return &instance;
}

constexpr const char* kApplication = "velomar";

struct ErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorDeleter>;

SecretStore::Answer failure(const Error& error) {
    SecretStore::Answer answer;
    answer.reason = error->message != nullptr ? error->message : "";
    if (error->domain == SECRET_ERROR && error->code == SECRET_ERROR_IS_LOCKED)
        answer.outcome = SecretStore::Outcome::Locked;
    else if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED))
        answer.outcome = SecretStore::Outcome::Locked;
    else if (error->domain == G_DBUS_ERROR && (error->code == G_DBUS_ERROR_SERVICE_UNKNOWN ||
                                               error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER ||
                                               error->code == G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND))
        answer.outcome = SecretStore::Outcome::NoService;
    else if (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_NOT_FOUND)
        answer.outcome = SecretStore::Outcome::NoService; // no session bus
    else if (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_FAILED &&
             g_getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
        answer.outcome = SecretStore::Outcome::NoService;
    else
        answer.outcome = SecretStore::Outcome::Failed;
    return answer;
}

SecretStore::Answer done(std::string secret = {}) {
    return {SecretStore::Outcome::Done, std::move(secret), {}};
}

// A lookup finds nothing when the item's keyring stays locked (its prompt cancelled, or one
// that cannot show): a search that does not unlock tells that from an item that is not there.
// It asks for the items' paths only: item objects made for it would be left to GLib's
// asynchronous start-up, which keeps them to the end of the process.
SecretStore::Answer lockedOrMissing(const std::string& emailAddress) {
    GError* raw = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &raw);
    Error error(raw);
    if (error)
        return failure(error);
    GHashTable* attributes = secret_attributes_build(schema(), "application", kApplication,
                                                     "address", emailAddress.c_str(), nullptr);
    gchar** unlocked = nullptr;
    gchar** locked = nullptr;
    raw = nullptr;
    secret_service_search_for_dbus_paths_sync(service, schema(), attributes, nullptr, &unlocked,
                                              &locked, &raw);
    error.reset(raw);
    const bool found = locked != nullptr && locked[0] != nullptr;
    g_strfreev(unlocked);
    g_strfreev(locked);
    g_hash_table_unref(attributes);
    g_object_unref(service);
    if (error)
        return failure(error);
    if (found)
        return {SecretStore::Outcome::Locked, {}, "the keyring is locked"};
    return {SecretStore::Outcome::NotFound, {}, {}};
}

} // namespace

bool SecretStore::available() {
    const Answer probe = lookup(std::string());
    return probe.outcome == Outcome::Done || probe.outcome == Outcome::NotFound ||
           probe.outcome == Outcome::Locked;
}

SecretStore::Answer SecretStore::store(const std::string& emailAddress,
                                       const std::string& password) {
    GError* raw = nullptr;
    const std::string label = "Quorvex Velomar: " + emailAddress;
    const gboolean stored = secret_password_store_sync(
        schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), password.c_str(), nullptr, &raw,
        "application", kApplication, "address", emailAddress.c_str(), nullptr);
    const Error error(raw);
    if (error)
        return failure(error);
    return stored ? done() : Answer{Outcome::Failed, {}, "the keyring did not store it"};
}

SecretStore::Answer SecretStore::lookup(const std::string& emailAddress) {
    GError* raw = nullptr;
    gchar* secret =
        secret_password_lookup_sync(schema(), nullptr, &raw, "application", kApplication, "address",
                                    emailAddress.c_str(), nullptr);
    const Error error(raw);
    if (error)
        return failure(error);
    if (secret == nullptr)
        return lockedOrMissing(emailAddress);
    std::string value(secret);
    secret_password_free(secret);
    return done(std::move(value));
}

SecretStore::Answer SecretStore::remove(const std::string& emailAddress) {
    GError* raw = nullptr;
    const gboolean removed =
        secret_password_clear_sync(schema(), nullptr, &raw, "application", kApplication, "address",
                                   emailAddress.c_str(), nullptr);
    const Error error(raw);
    if (error)
        return failure(error);
    return removed ? done() : Answer{Outcome::NotFound, {}, {}};
}

} // namespace Platform
