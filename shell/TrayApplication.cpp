#include "shell/TrayApplication.h"

#include "platform/Environment.h"
#include "ui/ProgramIcon.h"

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

} // namespace

bool TrayApplication::hasDisplay(int argc, char** argv) {
    return platformChosen(argc, argv) || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

std::unique_ptr<TrayApplication> TrayApplication::create(int& argc, char** argv) {
    // Set for the start only, so the programs the user starts from here do not inherit it.
    const bool preferX11 = !platformChosen(argc, argv) && isSet("DISPLAY");
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
