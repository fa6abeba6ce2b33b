#pragma once

#include "cli/CommandLineOptions.h"
#include "foundation/Settings.h"

#include <filesystem>
#include <optional>
#include <vector>

/// What every way of running the program starts from: the per-user data folder, the settings,
/// the command line and the installed files ("basis") of the install folder.
class ProgramContext {
public:
    /// Throws Norq::Exception, with what to do, when the user has no home folder (neither
    /// XDG_DATA_HOME nor HOME) or the data folder cannot be made or written.
    ProgramContext(int argc, const char* const* argv);

    const std::filesystem::path& dataFolder() const { return m_dataFolder; }
    /// The provider list among the installed files. Throws Norq::Exception naming every
    /// folder looked in when the installed files are nowhere to be found.
    std::filesystem::path presetsFile() const;
    Norq::Settings& settings() { return m_settings; }
    const Norq::Settings& settings() const { return m_settings; }
    const CommandLineOptions& options() const { return m_options; }

private:
    static std::filesystem::path findDataFolder();
    /// Chooses the install folder and its installed files.
    void findInstallFolder();
    void replaceStaleInstallFolder(const std::filesystem::path& stale,
                                   const std::filesystem::path& current);

    std::filesystem::path m_dataFolder;
    Norq::Settings m_settings;
    CommandLineOptions m_options;
    std::optional<std::filesystem::path> m_basisFolder;
    std::vector<std::filesystem::path> m_basisLookedIn;
};
