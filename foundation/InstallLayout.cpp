#include "foundation/InstallLayout.h"

#include <system_error>

namespace Norq::InstallLayout {

std::vector<std::filesystem::path> basisFolders(const std::filesystem::path& installDir) {
    return {installDir / "basis",
            (installDir / ".." / "share" / "velomar" / "basis").lexically_normal()};
}

std::optional<std::filesystem::path> findBasisFolder(const std::filesystem::path& installDir) {
    for (const auto& folder : basisFolders(installDir)) {
        std::error_code error;
        if (std::filesystem::is_regular_file(folder / "servers.xml", error))
            return folder;
    }
    return std::nullopt;
}

} // namespace Norq::InstallLayout
