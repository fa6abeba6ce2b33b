#pragma once

/// What the desktop the tray program runs on does for its own pop-ups.
namespace DesktopTraits {

/// False where the program's own pop-ups cannot show as they should: on Wayland, which lets no
/// program place its windows, and on an X server without a compositor, where they cannot fade.
bool ownPopupsFit();

} // namespace DesktopTraits
