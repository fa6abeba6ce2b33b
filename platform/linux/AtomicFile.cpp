#include "platform/AtomicFile.h"

#include <cctype>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace Platform {
namespace {

constexpr std::string_view kTemporarySuffix = ".XXXXXX";

// mkstemp replaces the X's with letters and digits.
bool isTemporaryName(std::string_view name, std::string_view targetName) {
    if (name.size() != targetName.size() + kTemporarySuffix.size() ||
        !name.starts_with(targetName) || name[targetName.size()] != '.')
        return false;
    for (const char c : name.substr(targetName.size() + 1)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

} // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : m_target(std::move(target)) {
    std::string pattern = m_target.string() + std::string(kTemporarySuffix);
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    m_temporary = pattern;
    ::fchmod(m_fd, S_IRUSR | S_IWUSR);
}

AtomicFile::~AtomicFile() {
    discard();
}

bool AtomicFile::write(std::string_view bytes) {
    if (m_fd < 0 || m_error != 0)
        return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool AtomicFile::commit() {
    if (m_fd < 0)
        return false;
    if (m_error == 0 && ::fsync(m_fd) != 0)
        m_error = errno;
    if (::close(m_fd) != 0 && m_error == 0)
        m_error = errno;
    m_fd = -1;
    if (m_error == 0 && ::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        m_error = errno;
    if (m_error != 0) {
        discard();
        return false;
    }
    m_temporary.clear();
    // The rename itself must reach the disk too, or a crash could bring back the old name.
    const int folder = ::open(m_target.parent_path().empty() ? "." : m_target.parent_path().c_str(),
                              O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void AtomicFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
}

std::vector<AtomicFile::StaleTemporary>
AtomicFile::removeStaleTemporaries(const std::filesystem::path& target,
                                   std::chrono::seconds olderThan) {
    std::vector<StaleTemporary> found;
    const std::filesystem::path folder =
        target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
    const std::string targetName = target.filename().string();
    if (targetName.empty())
        return found;
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    const std::time_t cutoff = std::time(nullptr) - olderThan.count();
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::path& path = entries->path();
        struct stat info {};
        if (!isTemporaryName(path.filename().string(), targetName) ||
            ::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || info.st_mtime > cutoff)
            continue;
        found.push_back({path, ::unlink(path.c_str()) == 0 ? 0 : errno});
    }
    return found;
}

std::string errorText(int error) {
    return std::system_category().message(error);
}

int makePrivateDirectories(const std::filesystem::path& folder) {
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (partial == partial.root_path())
            continue;
        if (::mkdir(partial.c_str(), S_IRWXU) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

int folderWriteError(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

} // namespace Platform
