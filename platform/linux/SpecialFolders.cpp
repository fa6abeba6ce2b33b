#include "platform/SpecialFolders.h"

#include "platform/Environment.h"

#include <system_error>

namespace Platform {
namespace {

// The XDG rules: a variable that is unset, empty or not absolute is ignored.
std::filesystem::path xdgFolder(const char* variable, const char* fallbackUnderHome) {
    if (const auto value = environmentVariable(variable); value && !value->empty()) {
        std::filesystem::path folder(*value);
        if (folder.is_absolute())
            return folder;
    }
    const auto home = environmentVariable("HOME");
    if (!home || home->empty())
        return {};
    return std::filesystem::path(*home) / fallbackUnderHome;
}

} // namespace

std::filesystem::path localAppDataFolder() {
    return xdgFolder("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path userConfigFolder() {
    return xdgFolder("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path executablePath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

} // namespace Platform
