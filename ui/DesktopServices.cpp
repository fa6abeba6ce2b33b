#include "ui/DesktopServices.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <gio/gio.h>

namespace DesktopServices {
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

QString fromUtf8(const char* text) {
    return text == nullptr ? QString() : QString::fromUtf8(text);
}

} // namespace

std::optional<MailClient> defaultMailClient() {
    std::unique_ptr<GAppInfo, GObjectDeleter> handler(
        g_app_info_get_default_for_uri_scheme("mailto"));
    if (!handler)
        return std::nullopt;
    return MailClient{fromUtf8(g_app_info_get_id(handler.get())),
                      fromUtf8(g_app_info_get_commandline(handler.get()))};
}

bool startCommandLine(const QString& commandLine) {
    const QByteArray text = commandLine.toUtf8();
    gchar** parsed = nullptr;
    if (!g_shell_parse_argv(text.constData(), nullptr, &parsed, nullptr))
        return false;
    const std::unique_ptr<gchar*, StrvDeleter> words(parsed);
    QStringList arguments;
    for (gchar** word = parsed + 1; *word != nullptr; ++word)
        arguments.append(QString::fromUtf8(*word));
    // Reports a program that cannot be executed as a failure, and leaves no child to reap.
    return QProcess::startDetached(QString::fromUtf8(parsed[0]), arguments);
}

bool openWithDefaultHandler(const QString& address) {
    GError* failure = nullptr;
    const bool opened =
        g_app_info_launch_default_for_uri(address.toUtf8().constData(), nullptr, &failure);
    const std::unique_ptr<GError, GErrorDeleter> owned(failure);
    return opened;
}

} // namespace DesktopServices
