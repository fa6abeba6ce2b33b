#include "platform/SecretStore.h"

#include "platform/linux/LibSecret.h"

#include <cstdlib>
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

// Only an error the library made is ever held, so the library is there to free it.
struct ErrorDeleter {
    void operator()(GError* error) const { LibSecret::get()->errorFree(error); }
};
using Error = std::unique_ptr<GError, ErrorDeleter>;

SecretStore::Answer failure(const LibSecret& calls, const Error& error) {
    SecretStore::Answer answer;
    answer.reason = error->message != nullptr ? error->message : "";
    const GQuark ioError = calls.ioErrorQuark();
    if (error->domain == calls.errorQuark() && error->code == SECRET_ERROR_IS_LOCKED)
        answer.outcome = SecretStore::Outcome::Locked;
    else if (error->domain == ioError && error->code == G_IO_ERROR_CANCELLED)
        answer.outcome = SecretStore::Outcome::Locked;
    else if (error->domain == calls.dbusErrorQuark() &&
             (error->code == G_DBUS_ERROR_SERVICE_UNKNOWN ||
              error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER ||
              error->code == G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND))
        answer.outcome = SecretStore::Outcome::NoService;
    else if (error->domain == ioError && error->code == G_IO_ERROR_NOT_FOUND)
        answer.outcome = SecretStore::Outcome::NoService; // no session bus
    else if (error->domain == ioError && error->code == G_IO_ERROR_FAILED &&
             std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
        answer.outcome = SecretStore::Outcome::NoService;
    else
        answer.outcome = SecretStore::Outcome::Failed;
    return answer;
}

// Without the library there is no keyring to reach, as without a Secret Service.
SecretStore::Answer noLibrary() {
    return {SecretStore::Outcome::NoService, {}, "libsecret-1.so.0 cannot be loaded"};
}

// The item's attributes, for the calls that find it.
class Attributes {
public:
    Attributes(const LibSecret& calls, const std::string& emailAddress)
        : m_calls(calls), m_table(calls.hashTableNew(calls.stringHash, calls.stringEqual)) {
        // The table keeps the pointers: the strings outlive it.
        calls.hashTableInsert(m_table, const_cast<char*>("application"),
                              const_cast<char*>(kApplication));
        calls.hashTableInsert(m_table, const_cast<char*>("address"),
                              const_cast<char*>(emailAddress.c_str()));
    }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    ~Attributes() { m_calls.hashTableUnref(m_table); }
    GHashTable* table() const { return m_table; }

private:
    const LibSecret& m_calls;
    GHashTable* m_table;
};

SecretStore::Answer done(std::string secret = {}) {
    return {SecretStore::Outcome::Done, std::move(secret), {}};
}

// A lookup finds nothing when the item's keyring stays locked (its prompt cancelled, or one
// that cannot show): a search that does not unlock tells that from an item that is not there.
// It asks for the items' paths only: item objects made for it would be left to GLib's
// asynchronous start-up, which keeps them to the end of the process.
SecretStore::Answer lockedOrMissing(const LibSecret& calls, const std::string& emailAddress) {
    GError* raw = nullptr;
    SecretService* service = calls.serviceGet(SECRET_SERVICE_NONE, nullptr, &raw);
    Error error(raw);
    if (error)
        return failure(calls, error);
    const Attributes attributes(calls, emailAddress);
    gchar** unlocked = nullptr;
    gchar** locked = nullptr;
    raw = nullptr;
    calls.serviceSearchPaths(service, schema(), attributes.table(), nullptr, &unlocked, &locked,
                             &raw);
    error.reset(raw);
    const bool found = locked != nullptr && locked[0] != nullptr;
    calls.stringsFree(unlocked);
    calls.stringsFree(locked);
    calls.objectUnref(service);
    if (error)
        return failure(calls, error);
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
    const LibSecret* calls = LibSecret::get();
    if (calls == nullptr)
        return noLibrary();
    GError* raw = nullptr;
    const std::string label = "Quorvex Velomar: " + emailAddress;
    const gboolean stored = calls->passwordStore(schema(), Attributes(*calls, emailAddress).table(),
                                                 SECRET_COLLECTION_DEFAULT, label.c_str(),
                                                 password.c_str(), nullptr, &raw);
    const Error error(raw);
    if (error)
        return failure(*calls, error);
    return stored ? done() : Answer{Outcome::Failed, {}, "the keyring did not store it"};
}

SecretStore::Answer SecretStore::lookup(const std::string& emailAddress) {
    const LibSecret* calls = LibSecret::get();
    if (calls == nullptr)
        return noLibrary();
    GError* raw = nullptr;
    gchar* secret =
        calls->passwordLookup(schema(), Attributes(*calls, emailAddress).table(), nullptr, &raw);
    const Error error(raw);
    if (error)
        return failure(*calls, error);
    if (secret == nullptr)
        return lockedOrMissing(*calls, emailAddress);
    std::string value(secret);
    calls->passwordFree(secret);
    return done(std::move(value));
}

SecretStore::Answer SecretStore::remove(const std::string& emailAddress) {
    const LibSecret* calls = LibSecret::get();
    if (calls == nullptr)
        return noLibrary();
    GError* raw = nullptr;
    const gboolean removed =
        calls->passwordClear(schema(), Attributes(*calls, emailAddress).table(), nullptr, &raw);
    const Error error(raw);
    if (error)
        return failure(*calls, error);
    return removed ? done() : Answer{Outcome::NotFound, {}, {}};
}

} // namespace Platform
