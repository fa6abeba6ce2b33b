#include "foundation/InstallLayout.h"

#include <system_error>

namespace Norq::InstallLayout {
namespace {

constexpr std::string_view kTrayProgram = "velomar-tray";

bool isFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::vector<std::filesystem::path> places(const std::filesystem::path& installDir,
                                          std::string_view folder) {
    return {installDir / folder,
            (installDir / ".." / "share" / "velomar" / folder).lexically_normal()};
}

std::optional<std::filesystem::path> firstHolding(const std::filesystem::path& installDir,
                                                  std::string_view folder, std::string_view file) {
    for (const auto& place : places(installDir, folder)) {
        if (isFile(place / file))
            return place;
    }
    return std::nullopt;
}

} // namespace

std::vector<std::filesystem::path> basisFolders(const std::filesystem::path& installDir) {
    return places(installDir, "basis");
}

std::optional<std::filesystem::path> findBasisFolder(const std::filesystem::path& installDir) {
    return firstHolding(installDir, "basis", "servers.xml");
}

std::filesystem::path userGuide(const std::filesystem::path& installDir) {
    return firstHolding(installDir, "docs", "user-guide.html").value_or(installDir / "docs") /
           "user-guide.html";
}

std::optional<std::filesystem::path> findTrayProgram(const std::filesystem::path& installDir) {
    for (const auto& candidate :
         {installDir / kTrayProgram,
          (installDir / ".." / "libexec" / "velomar" / kTrayProgram).lexically_normal()}) {
        if (isFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::filesystem::path frontDoor(const std::filesystem::path& executable) {
    if (executable.filename() != kTrayProgram)
        return executable;
    const std::filesystem::path beside = executable.parent_path() / "velomar";
    if (isFile(beside))
        return beside;
    return (executable.parent_path() / ".." / ".." / "bin" / "velomar").lexically_normal();
}

} // namespace Norq::InstallLayout
