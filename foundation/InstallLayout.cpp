#include "foundation/InstallLayout.h"

#include <system_error>

namespace Norq::InstallLayout {
namespace {

std::vector<std::filesystem::path> places(const std::filesystem::path& installDir,
                                          std::string_view folder) {
    return {installDir / folder,
            (installDir / ".." / "share" / "velomar" / folder).lexically_normal()};
}

std::optional<std::filesystem::path> firstHolding(const std::filesystem::path& installDir,
                                                  std::string_view folder, std::string_view file) {
    for (const auto& place : places(installDir, folder)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(place / file, error))
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

} // namespace Norq::InstallLayout
