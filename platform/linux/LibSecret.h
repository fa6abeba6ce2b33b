#pragma once

// The search for the paths of locked items is among the calls libsecret marks as open to
// change; it has been there unchanged since 0.16.
#define SECRET_API_SUBJECT_TO_CHANGE
#include <libsecret/secret.h>

namespace Platform {

/// The calls of libsecret (and of the GLib under it) that the keyring uses, found in the library
/// when the keyring is first used rather than when the program starts: a job that never touches
/// the keyring (a check without accounts, --version) does not pay for loading GLib.
struct LibSecret {
    decltype(&secret_password_storev_sync) passwordStore;
    decltype(&secret_password_lookupv_sync) passwordLookup;
    decltype(&secret_password_clearv_sync) passwordClear;
    decltype(&secret_password_free) passwordFree;
    decltype(&secret_service_get_sync) serviceGet;
    decltype(&secret_service_search_for_dbus_paths_sync) serviceSearchPaths;
    decltype(&secret_error_get_quark) errorQuark;
    decltype(&g_io_error_quark) ioErrorQuark;
    decltype(&g_dbus_error_quark) dbusErrorQuark;
    decltype(&g_error_free) errorFree;
    decltype(&g_strfreev) stringsFree;
    decltype(&g_object_unref) objectUnref;
    decltype(&g_hash_table_new) hashTableNew;
    decltype(&g_hash_table_insert) hashTableInsert;
    decltype(&g_hash_table_unref) hashTableUnref;
    decltype(&g_str_hash) stringHash;
    decltype(&g_str_equal) stringEqual;

    /// Loaded once, by the first call; nullptr when the library or one of its calls is missing.
    static const LibSecret* get();
};

} // namespace Platform
