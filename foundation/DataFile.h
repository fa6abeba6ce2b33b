#pragma once

#include "foundation/SaveLoad.h"

#include <filesystem>
#include <memory>
#include <string>

namespace Platform {
class AtomicFile;
}

namespace Norq {

/// One store of records: <data folder>/data/<name>.bin. Read once through a Reader; rewritten
/// whole through a Writer, and only replaced when the whole new content reached the disk.
class DataFile {
public:
    /// Creates the "data" subfolder (owner-only access); nothing is opened yet.
    DataFile(const std::filesystem::path& dataFolder, const std::string& name);
    ~DataFile();

    /// Where the store of that name lives.
    static std::filesystem::path pathOf(const std::filesystem::path& dataFolder,
                                        const std::string& name);

    /// A fresh Reader at the start of the file; the null reader when it cannot be opened.
    SaveLoad::Reader& openForReading();
    void closeReading();

    /// A fresh Writer, or nullptr when no new file can be made beside the old one.
    SaveLoad::Writer* openForWriting();
    /// Writes what the Writer collected and puts it in place of the old file. On any failure
    /// the old file stays as it was and false is returned.
    bool closeWriting();

    const std::filesystem::path& path() const { return m_path; }
    /// Why the last save failed (the system's words), or empty after a successful one.
    const std::string& saveError() const { return m_saveError; }

private:
    std::filesystem::path m_path;
    /// The whole file while it is read.
    std::string m_contents;
    std::unique_ptr<SaveLoad::Reader> m_reader;
    std::unique_ptr<Platform::AtomicFile> m_output;
    std::unique_ptr<SaveLoad::Writer> m_writer;
    std::string m_saveError;
    /// The size of the file as last read or written.
    std::size_t m_lastSize = 0;
};

} // namespace Norq
