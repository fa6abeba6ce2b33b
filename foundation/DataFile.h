#pragma once

#include "foundation/SaveLoad.h"

#include <filesystem>
#include <fstream>
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
    /// Creates the "data" subfolder (owner-only access) and opens the file for reading.
    DataFile(const std::filesystem::path& dataFolder, const std::string& name);
    ~DataFile();

    /// A fresh Reader at the start of the file; the null reader when it cannot be opened.
    SaveLoad::Reader& openForReading();
    void closeReading();

    /// A fresh Writer, or nullptr when no new file can be made beside the old one.
    SaveLoad::Writer* openForWriting();
    /// Writes what the Writer collected and puts it in place of the old file. On any failure
    /// the old file stays as it was and false is returned.
    bool closeWriting();

    const std::filesystem::path& path() const { return m_path; }
    /// The errno value that made the last save fail; 0 after one that succeeded.
    int error() const { return m_error; }

private:
    std::filesystem::path m_path;
    std::ifstream m_input;
    std::unique_ptr<SaveLoad::Reader> m_reader;
    std::unique_ptr<Platform::AtomicFile> m_output;
    std::unique_ptr<SaveLoad::Writer> m_writer;
    int m_error = 0;
};

} // namespace Norq
