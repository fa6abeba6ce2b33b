#include "platform/DesktopLaunch.h"

#include <gio/gio.h>

#include <memory>

namespace Platform {
namespace {

// Owns what GLib hands out and frees it with the matching call.
struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};
struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
struct StrvDeleter {
    void operator()(gchar** strings) const { g_strfreev(strings); }
};

// Whether a GLib call that may fail said it worked; the failure's details are dropped.
bool succeeded(gboolean result, GError* failure) {
    const std::unique_ptr<GError, GErrorDeleter> owned(failure);
    return result != FALSE;
}

} // namespace

bool launchDefaultMailClient() {
    const std::unique_ptr<GAppInfo, GObjectDeleter> handler(
        g_app_info_get_default_for_uri_scheme("mailto"));
    if (!handler)
        return false;
    GError* failure = nullptr;
    return succeeded(g_app_info_launch_uris(handler.get(), nullptr, nullptr, &failure), failure);
}

bool startCommandLine(const std::string& commandLine) {
    gchar** parsed = nullptr;
    if (!g_shell_parse_argv(commandLine.c_str(), nullptr, &parsed, nullptr))
        return false;
    const std::unique_ptr<gchar*, StrvDeleter> words(parsed);
    // Without G_SPAWN_DO_NOT_REAP_CHILD the program runs as a grandchild: no child to reap.
    GError* failure = nullptr;
    return succeeded(g_spawn_async(nullptr, parsed, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                                   nullptr, &failure),
                     failure);
}

bool openWithDefaultHandler(const std::string& address) {
    GError* failure = nullptr;
    return succeeded(g_app_info_launch_default_for_uri(address.c_str(), nullptr, &failure),
                     failure);
}

} // namespace Platform
