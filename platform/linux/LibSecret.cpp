#include "platform/linux/LibSecret.h"

#include <cstring>
#include <dlfcn.h>
#include <optional>

namespace Platform {
namespace {

// A symbol as the function it is; false when the library lacks it.
template <typename Function> bool bind(void* library, const char* name, Function& function) {
    void* symbol = ::dlsym(library, name);
    std::memcpy(&function, &symbol, sizeof function);
    return symbol != nullptr;
}

std::optional<LibSecret> load() {
    // Kept loaded to the end: GLib's threads stay, and unloading it is not supported.
    void* library = ::dlopen("libsecret-1.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return std::nullopt;
    LibSecret calls{};
    const bool complete =
        bind(library, "secret_password_storev_sync", calls.passwordStore) &&
        bind(library, "secret_password_lookupv_sync", calls.passwordLookup) &&
        bind(library, "secret_password_clearv_sync", calls.passwordClear) &&
        bind(library, "secret_password_free", calls.passwordFree) &&
        bind(library, "secret_service_get_sync", calls.serviceGet) &&
        bind(library, "secret_service_search_for_dbus_paths_sync", calls.serviceSearchPaths) &&
        bind(library, "secret_error_get_quark", calls.errorQuark) &&
        bind(library, "g_io_error_quark", calls.ioErrorQuark) &&
        bind(library, "g_dbus_error_quark", calls.dbusErrorQuark) &&
        bind(library, "g_error_free", calls.errorFree) &&
        bind(library, "g_strfreev", calls.stringsFree) &&
        bind(library, "g_object_unref", calls.objectUnref) &&
        bind(library, "g_hash_table_new", calls.hashTableNew) &&
        bind(library, "g_hash_table_insert", calls.hashTableInsert) &&
        bind(library, "g_hash_table_unref", calls.hashTableUnref) &&
        bind(library, "g_str_hash", calls.stringHash) &&
        bind(library, "g_str_equal", calls.stringEqual);
    if (!complete)
        return std::nullopt;
    return calls;
}

} // namespace

const LibSecret* LibSecret::get() {
    static const std::optional<LibSecret> calls = load();
    return calls ? &*calls : nullptr;
}

} // namespace Platform
