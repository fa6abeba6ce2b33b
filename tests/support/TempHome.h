#pragma once

#include <filesystem>
#include <string>

namespace TestSupport {

/// A throwaway folder that stands in for the user's home: HOME, XDG_CONFIG_HOME and
/// XDG_DATA_HOME point into it while the object lives, and it is removed afterwards.
class TempHome {
public:
    TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    ~TempHome();

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path configFolder() const { return m_path / ".config"; }
    std::filesystem::path dataFolder() const { return m_path / ".local/share"; }

private:
    std::filesystem::path m_path;
    std::string m_saved[3];
    bool m_wasSet[3] = {};
};

/// The whole content of a file ("" when it cannot be read).
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);

} // namespace TestSupport
