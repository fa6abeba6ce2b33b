#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace Norq::InstallLayout {

/// The folders that may hold the installed files ("basis": servers.xml, notify.wav) of a
/// program whose executable is in `installDir`, in the order they are tried: beside the
/// executable, as in a build tree, and <prefix>/share/velomar/basis for an installed
/// <prefix>/bin/velomar.
std::vector<std::filesystem::path> basisFolders(const std::filesystem::path& installDir);

/// The first of `basisFolders` that holds servers.xml; nothing when none does.
std::optional<std::filesystem::path> findBasisFolder(const std::filesystem::path& installDir);

} // namespace Norq::InstallLayout
