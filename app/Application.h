#pragma once

#include "app/CommandLineOptions.h"
#include "foundation/Settings.h"

#include <filesystem>

/// The process-wide pieces every way of running the program shares: the installed-files root,
/// the per-user data folder, the settings and the command line. Constructing it also makes the
/// install folder the current directory, so "basis/..." resolves next to the executable.
class Application {
public:
    /// Throws Norq::Exception "Can't find CSIDL_LOCAL_APPDATA folder path!" when the user has
    /// no data folder (neither XDG_DATA_HOME nor HOME).
    Application(int argc, const char* const* argv);

    const std::filesystem::path& dataFolder() const { return m_dataFolder; }
    /// The provider list among the installed files.
    std::filesystem::path presetsFile() const;
    Norq::Settings& settings() { return m_settings; }
    const CommandLineOptions& options() const { return m_options; }

private:
    /// The installed-files root is "basis" while the application lives.
    class FsRootScope {
    public:
        FsRootScope();
        FsRootScope(const FsRootScope&) = delete;
        FsRootScope& operator=(const FsRootScope&) = delete;
        ~FsRootScope();
    };

    static std::filesystem::path findDataFolder();

    FsRootScope m_fsRoot;
    std::filesystem::path m_dataFolder;
    Norq::Settings m_settings;
    CommandLineOptions m_options;
};
