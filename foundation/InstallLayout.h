#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

/// Where the files that come with the program are, for a program whose executable is in
/// `installDir`: beside it, as in a build tree, or in <prefix>/share/velomar for an installed
/// <prefix>/bin/velomar. The tray program is an executable of its own that `velomar` starts:
/// beside it in a build, <prefix>/libexec/velomar/velomar-tray once installed.
namespace Norq::InstallLayout {

/// The folders that may hold the installed files ("basis": servers.xml, notify.wav), in the
/// order they are tried.
std::vector<std::filesystem::path> basisFolders(const std::filesystem::path& installDir);

/// The first of `basisFolders` that holds servers.xml; nothing when none does.
std::optional<std::filesystem::path> findBasisFolder(const std::filesystem::path& installDir);

/// The user guide: docs/user-guide.html in the first of those two places that has it, or
/// beside the executable when neither does.
std::filesystem::path userGuide(const std::filesystem::path& installDir);

/// The tray program for the `velomar` in `installDir`; nothing when neither place has it.
std::optional<std::filesystem::path> findTrayProgram(const std::filesystem::path& installDir);

/// The executable a person starts for this executable of the program: `velomar` itself, or for
/// the tray program, the `velomar` that starts it (which need not exist).
std::filesystem::path frontDoor(const std::filesystem::path& executable);

} // namespace Norq::InstallLayout
