#include "platform/Autostart.h"

#include "platform/AtomicFile.h"
#include "platform/SpecialFolders.h"

#include <fstream>
#include <sstream>
#include <system_error>

namespace Platform {
namespace {

const std::string kHidden = " -minimized";

// Exec quoting: inside double quotes, '"', '`', '$' and '\' take a backslash; then the whole
// value is escaped as a desktop-entry string, which doubles every backslash once more. A '%'
// would start a field code and is written "%%".
std::string execArgument(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$')
            quoted += "\\\\";
        else if (c == '\\')
            quoted += "\\\\\\";
        if (c == '%')
            quoted += '%';
        if (c == '\n')
            quoted += "\\n";
        else
            quoted += c;
    }
    return quoted + '"';
}

} // namespace

Autostart::Autostart(std::string name) : m_name(std::move(name)) {}

std::filesystem::path Autostart::entryPath() const {
    const auto folder = userConfigFolder();
    if (folder.empty())
        return {};
    return folder / "autostart" / (m_name + ".desktop");
}

std::string Autostart::entryText(const std::filesystem::path& executable) const {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           m_name +
           "\n"
           "Exec=" +
           execArgument(executable.string()) +
           // At log-on the program goes to the tray; its window is a click away.
           kHidden +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool Autostart::isEnabled() const {
    const auto path = entryPath();
    if (path.empty())
        return false;
    std::ifstream entry(path);
    return entry.good();
}

bool Autostart::enable(const std::filesystem::path& executable) const {
    const auto path = entryPath();
    if (path.empty() || makePrivateDirectories(path.parent_path()) != 0)
        return false;
    AtomicFile file(path);
    return file.write(entryText(executable)) && file.commit();
}

bool Autostart::disable() const {
    const auto path = entryPath();
    if (path.empty())
        return false;
    std::error_code error;
    std::filesystem::remove(path, error);
    return !std::filesystem::exists(path, error);
}

bool Autostart::startHidden() const {
    const auto path = entryPath();
    std::ifstream entry(path);
    if (path.empty() || !entry)
        return true;
    std::ostringstream rewritten;
    bool changed = false;
    for (std::string line; std::getline(entry, line);) {
        if (line.starts_with("Exec=") && !line.ends_with(kHidden) &&
            !line.ends_with(" -" + kHidden.substr(1))) {
            line += kHidden;
            changed = true;
        }
        rewritten << line << '\n';
    }
    if (!changed)
        return true;
    AtomicFile file(path);
    return file.write(rewritten.str()) && file.commit();
}

} // namespace Platform
