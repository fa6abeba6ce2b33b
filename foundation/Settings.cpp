#include "foundation/Settings.h"

#include "foundation/InstallLayout.h"
#include "foundation/Product.h"
#include "foundation/TextConversion.h"
#include "platform/SpecialFolders.h"

namespace Norq {
namespace {

const std::string kKeyPath =
    "Software\\" + std::string(Product::kMaker) + "\\" + std::string(Product::kName);
const std::string kNotificationSound = "NotificationSound";
const std::string kInstallDir = "InstallDir";
const std::string kMainWndSize = "MainWndSize";
const std::string kFlags = "Flags";
const std::string kTimeout = "Timeout";
const std::string kNotificationStyle = "NotificationStyle";

} // namespace

Settings::Settings()
    : Settings(Platform::RegistryStore(
                   Platform::RegistryStore::userStorePath(Product::kMaker, Product::kName)),
               Platform::Autostart(std::string(Product::kName)),
               InstallLayout::frontDoor(Platform::executablePath())) {}

Settings::Settings(Platform::RegistryStore store, Platform::Autostart autostart,
                   std::filesystem::path executable)
    : XRegistry(std::move(store), kKeyPath), m_autostart(std::move(autostart)),
      m_executable(std::move(executable)) {
    const std::filesystem::path installDir = m_executable.parent_path();
    const auto basis = InstallLayout::findBasisFolder(installDir);
    enroll(kNotificationSound, (basis.value_or(installDir / "basis") / "notify.wav").string(),
           true);
    enroll(kInstallDir, installDir.string(), true);
    enroll(kMainWndSize, std::uint32_t{0x01900244}, true); // 580 x 400
    enroll(kFlags, FlagShowPopup | FlagPlaySound, true);
    enroll(kTimeout, std::uint32_t{5}, true);
    enroll(kNotificationStyle, std::uint32_t{0}, true);
}

std::u16string Settings::notificationSound() const {
    return toWide(getValue<std::string>(kNotificationSound));
}

void Settings::setNotificationSound(std::u16string_view path) {
    setValue(kNotificationSound, toNarrow(path));
}

std::u16string Settings::installDir() const {
    return toWide(getValue<std::string>(kInstallDir));
}

void Settings::setInstallDir(std::u16string_view folder) {
    setValue(kInstallDir, toNarrow(folder));
}

Settings::WindowSize Settings::mainWindowSize() const {
    const std::uint32_t value = getValue<std::uint32_t>(kMainWndSize);
    return {value & 0xFFFF, value >> 16};
}

void Settings::setMainWindowSize(unsigned width, unsigned height) {
    setValue(kMainWndSize, std::uint32_t{(height << 16) | (width & 0xFFFF)});
}

std::uint32_t Settings::timeout() const {
    return getValue<std::uint32_t>(kTimeout);
}

void Settings::setTimeout(std::uint32_t minutes) {
    setValue(kTimeout, minutes);
}

std::uint32_t Settings::flags() const {
    return getValue<std::uint32_t>(kFlags);
}

void Settings::setFlags(std::uint32_t flags) {
    setValue(kFlags, flags);
}

Settings::NotificationStyle Settings::notificationStyle() const {
    const std::uint32_t stored = getValue<std::uint32_t>(kNotificationStyle);
    return stored <= static_cast<std::uint32_t>(NotificationStyle::Desktop)
               ? static_cast<NotificationStyle>(stored)
               : NotificationStyle::Automatic;
}

void Settings::setNotificationStyle(NotificationStyle style) {
    setValue(kNotificationStyle, static_cast<std::uint32_t>(style));
}

bool Settings::isAutostart() const {
    return m_autostart.isEnabled();
}

bool Settings::enableAutostart() {
    return m_autostart.enable(m_executable);
}

bool Settings::disableAutostart() {
    return m_autostart.disable();
}

bool Settings::upgradeAutostart() {
    return m_autostart.startHidden();
}

} // namespace Norq
