#pragma once

#include <string>

namespace Platform {

/// What was found where the environment says a display is, before any window system library
/// is loaded: a display that is named but not there is told in the program's own words.
struct DisplayProbe {
    /// The display's name as the environment gives it (":0", "wayland-0"); empty when unset.
    std::string name;
    /// Where it was looked for: a socket's path, or a host and port.
    std::string place;
    /// Something accepted a connection there.
    bool answers = false;
};

/// The X11 display $DISPLAY names: its local socket (":0", "unix:0") or, for "host:0", TCP
/// port 6000 on that host.
DisplayProbe probeX11Display();
/// The Wayland display $WAYLAND_DISPLAY names: its socket in $XDG_RUNTIME_DIR, or the path it
/// gives.
DisplayProbe probeWaylandDisplay();

} // namespace Platform
