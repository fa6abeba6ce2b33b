#include "shell/TrayApplication.h"

#include "platform/DisplayProbe.h"
#include "platform/Environment.h"
#include "ui/ProgramIcon.h"

#include <QDir>
#include <QLibraryInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool isSet(const char* name) {
    return !Platform::environmentVariable(name).value_or("").empty();
}

bool platformChosen(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            return true;
    }
    return isSet("QT_QPA_PLATFORM");
}

// Qt gives up on a display it cannot reach with a fatal message; there is no window to show
// it in, so it goes to standard error and the program ends as after any failure.
void fatalToStandardError(QtMsgType type, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "velomar: %s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg)
        std::_Exit(1);
}

bool waylandSupportInstalled() {
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                         QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty();
}

// ":5" (nothing answers at /tmp/.X11-unix/X5), or that the variable is not set.
std::string tried(const Platform::DisplayProbe& probe, const char* kind, const char* variable) {
    if (probe.name.empty())
        return std::string(variable) + " is not set";
    if (probe.place.empty())
        return std::string(kind) + " display \"" + probe.name + "\" is not a display name";
    return std::string(kind) + " display \"" + probe.name + "\" does not answer (" + probe.place +
           ")";
}

} // namespace

std::string TrayApplication::displayProblem(int argc, char** argv) {
    if (platformChosen(argc, argv))
        return {};
    const Platform::DisplayProbe x11 = Platform::probeX11Display();
    if (x11.answers)
        return {};
    const Platform::DisplayProbe wayland = Platform::probeWaylandDisplay();
    if (wayland.answers && waylandSupportInstalled())
        return {};
    std::string problem = "There is no display for the tray program: ";
    if (wayland.answers)
        problem += "the Wayland display \"" + wayland.name +
                   "\" answers, but Qt's Wayland support (Debian: qt6-wayland) is not "
                   "installed, and " +
                   tried(x11, "the X11", "DISPLAY") +
                   ". Install qt6-wayland, or XWayland (Debian: xwayland) for the X11 display.";
    else
        problem += tried(x11, "the X11", "DISPLAY") + " and " +
                   tried(wayland, "the Wayland", "WAYLAND_DISPLAY") +
                   ". Start it in a desktop session; on Wayland it needs XWayland (Debian: "
                   "xwayland) or qt6-wayland.";
    return problem + " Scripts and cron jobs check with velomar --check-once, which needs no "
                     "display.";
}

std::unique_ptr<TrayApplication> TrayApplication::create(int& argc, char** argv) {
    // Set for the start only, so the programs the user starts from here do not inherit it.
    const bool preferX11 = !platformChosen(argc, argv) && Platform::probeX11Display().answers;
    if (preferX11)
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    const QtMessageHandler previous = qInstallMessageHandler(fatalToStandardError);
    std::unique_ptr<TrayApplication> application(new TrayApplication(argc, argv));
    qInstallMessageHandler(previous);
    if (preferX11)
        qunsetenv("QT_QPA_PLATFORM");
    return application;
}

TrayApplication::TrayApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setQuitOnLastWindowClosed(false); // the program lives on in the notification area
    setWindowIcon(programIcon());     // every window's, the exception box's too
}

int TrayApplication::exec() {
    const int code = QApplication::exec();
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    return code;
}

bool TrayApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (!m_failure)
            m_failure = std::current_exception();
        exit(1);
        return false;
    }
}
