#pragma once

#include "foundation/XRegistry.h"
#include "platform/Autostart.h"

#include <filesystem>
#include <string>

namespace Norq {

/// The program's settings in the current user's registry store, plus the log-on start entry.
/// Setters change memory only; callers `save` right after.
class Settings : public XRegistry {
public:
    static constexpr std::uint32_t FlagShowPopup = 1;
    static constexpr std::uint32_t FlagPlaySound = 2;

    /// How new mail and failing accounts are shown.
    enum class NotificationStyle : std::uint32_t {
        Automatic = 0, ///< as suits the desktop: desktop notifications where own pop-ups fail
        Popups = 1,    ///< the program's own pop-ups in the bottom-right corner
        Desktop = 2,   ///< the desktop's notifications
    };

    struct WindowSize {
        unsigned width;
        unsigned height;
    };

    /// The current user's store and autostart entry, with defaults taken from the running
    /// executable's folder.
    Settings();
    /// Explicit store, autostart entry and executable (for tests and tools).
    Settings(Platform::RegistryStore store, Platform::Autostart autostart,
             std::filesystem::path executable);

    std::u16string notificationSound() const;
    void setNotificationSound(std::u16string_view path);
    std::u16string installDir() const;
    /// Only for a stored folder that no longer holds the program's files (the program moved):
    /// the start-up puts the folder it really runs from in its place.
    void setInstallDir(std::u16string_view folder);
    WindowSize mainWindowSize() const;
    void setMainWindowSize(unsigned width, unsigned height);
    std::uint32_t timeout() const;
    void setTimeout(std::uint32_t minutes);
    std::uint32_t flags() const;
    void setFlags(std::uint32_t flags);
    /// An unknown stored value reads as Automatic.
    NotificationStyle notificationStyle() const;
    void setNotificationStyle(NotificationStyle style);

    /// The executable a person starts (for the tray program, the velomar that starts it), whose
    /// folder is the default install folder.
    const std::filesystem::path& executable() const { return m_executable; }

    bool isAutostart() const;
    /// The log-on start entry's file, for messages.
    std::filesystem::path autostartEntry() const { return m_autostart.entryPath(); }
    /// Creates or replaces the entry; false when it could not be written.
    bool enableAutostart();
    bool disableAutostart();
    /// An older version's entry starts the program hidden from now on; false when it could not
    /// be rewritten.
    bool upgradeAutostart();

private:
    Platform::Autostart m_autostart;
    std::filesystem::path m_executable;
};

} // namespace Norq
