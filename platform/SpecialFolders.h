#pragma once

#include <filesystem>

namespace Platform {

/// The per-user folder for application data: $XDG_DATA_HOME, else ~/.local/share.
/// Empty when neither that variable nor HOME is set.
std::filesystem::path localAppDataFolder();

/// The per-user folder for settings: $XDG_CONFIG_HOME, else ~/.config. Empty when neither that
/// variable nor HOME is set.
std::filesystem::path userConfigFolder();

/// The full path of the running executable; empty if the system cannot tell.
std::filesystem::path executablePath();

} // namespace Platform
