#pragma once

#include <filesystem>
#include <string>

namespace Platform {

/// The entry that starts a program when the user logs on: on Linux the XDG autostart file
/// $XDG_CONFIG_HOME/autostart/<name>.desktop.
class Autostart {
public:
    explicit Autostart(std::string name);

    /// True when the entry exists and can be read, whatever program it names.
    bool isEnabled() const;
    /// Creates or replaces the entry so that it starts `executable` with its window hidden
    /// (-minimized); false on failure.
    bool enable(const std::filesystem::path& executable) const;
    /// Removes the entry; true when it is gone afterwards.
    bool disable() const;
    /// An entry written by an older version opens the window at every log-on: its Exec line
    /// gains -minimized, and keeps the program it names. False when it could not be rewritten.
    bool startHidden() const;

    std::filesystem::path entryPath() const;
    /// The desktop entry's text; `Exec` holds the path quoted by the desktop-entry rules.
    std::string entryText(const std::filesystem::path& executable) const;

private:
    std::string m_name;
};

} // namespace Platform
