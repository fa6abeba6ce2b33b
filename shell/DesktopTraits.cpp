#include "shell/DesktopTraits.h"

#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace {

// A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
bool x11CompositorRuns(xcb_connection_t* connection, int screen) {
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()),
            nullptr),
        &std::free);
    if (!atom)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}

} // namespace

namespace DesktopTraits {

bool ownPopupsFit() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QStringLiteral("wayland"))
        return false;
    if (platform != QStringLiteral("xcb"))
        return true;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return true;
    // Screen 0: a desktop today is one X screen, however many monitors it spans.
    return x11CompositorRuns(x11->connection(), 0);
}

} // namespace DesktopTraits
