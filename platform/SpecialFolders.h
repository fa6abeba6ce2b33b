#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace Platform {

/// The per-user folder for application data: $XDG_DATA_HOME, else ~/.local/share.
/// Empty when neither that variable nor HOME is set.
std::filesystem::path localAppDataFolder();

/// The per-user folder for settings: $XDG_CONFIG_HOME, else ~/.config. Empty when neither that
/// variable nor HOME is set.
std::filesystem::path userConfigFolder();

/// A folder that only this user can enter, for a local socket named with `nameLength`
/// characters: $XDG_RUNTIME_DIR; else `ownFolder`; else "<temporary folder>/<tempName>-<user
/// id>". Each is taken only when it is a real folder (not a link) of this user that nobody else
/// may enter, and when the socket's path fits the system's limit; a missing own or temporary
/// folder is made so. Empty when none will do: another user may have made the temporary one.
std::filesystem::path privateRuntimeFolder(const std::filesystem::path& ownFolder,
                                           const std::string& tempName, std::size_t nameLength);

/// The full path of the running executable; empty if the system cannot tell.
std::filesystem::path executablePath();

} // namespace Platform
