#include "platform/SpecialFolders.h"

#include "platform/Environment.h"

#include <cerrno>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

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

// Made if missing; then a real folder of this user that nobody else may enter, with room for
// a socket name of `nameLength` characters.
bool isPrivateFolder(const std::filesystem::path& folder, std::size_t nameLength) {
    if (folder.empty() || !folder.is_absolute() ||
        folder.string().size() + 1 + nameLength >= sizeof(sockaddr_un::sun_path))
        return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat status {};
    return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

} // namespace

std::filesystem::path privateRuntimeFolder(const std::filesystem::path& ownFolder,
                                           const std::string& tempName, std::size_t nameLength) {
    const auto runtime = environmentVariable("XDG_RUNTIME_DIR");
    const auto temporary = environmentVariable("TMPDIR");
    const std::filesystem::path temporaryFolder =
        temporary && std::filesystem::path(*temporary).is_absolute() ? *temporary : "/tmp";
    for (const std::filesystem::path& folder :
         {runtime ? std::filesystem::path(*runtime) : std::filesystem::path(), ownFolder,
          temporaryFolder / (tempName + "-" + std::to_string(::geteuid()))}) {
        if (isPrivateFolder(folder, nameLength))
            return folder;
    }
    return {};
}

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
