#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {

/// Replaces a file whole or not at all. The new content is written to a temporary file beside
/// the target and renamed over it on `commit`, so a crash at any moment leaves either the old
/// file or the new one, never a truncated one. The file is created with owner-only access.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path target);
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    /// Removes the temporary file if `commit` was not reached.
    ~AtomicFile();

    /// False when the temporary file could not be created; nothing can be written then.
    bool isOpen() const { return m_fd >= 0; }
    /// Appends bytes; a failed write is remembered and makes `commit` fail.
    bool write(std::string_view bytes);
    /// Syncs the data and renames it over the target; true only if every step succeeded.
    /// On failure the target is left untouched and the temporary file is removed.
    bool commit();
    /// The errno value of the first failure, or 0.
    int error() const { return m_error; }

    struct StaleTemporary {
        std::filesystem::path path;
        /// 0 when it was removed, else the errno value of the failure.
        int error;
    };
    /// Removes what saves of `target` that never finished left beside it: this user's regular
    /// files named like the temporary files above and not changed for `olderThan`. A younger
    /// one may belong to a save in progress in another process, and stays.
    static std::vector<StaleTemporary> removeStaleTemporaries(const std::filesystem::path& target,
                                                              std::chrono::seconds olderThan);

private:
    void discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    int m_error = 0;
};

/// The system's description of an errno value ("No space left on device").
std::string errorText(int error);

/// Creates a folder and any missing parents with owner-only access (0700); existing folders
/// are left as they are. Returns the errno value of a failure, or 0.
int makePrivateDirectories(const std::filesystem::path& folder);

/// The errno value that says why this process cannot make files in the folder, or 0 when it
/// can.
int folderWriteError(const std::filesystem::path& folder);

} // namespace Platform
