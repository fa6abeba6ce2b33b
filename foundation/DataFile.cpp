#include "foundation/DataFile.h"

#include "platform/AtomicFile.h"

#include <fstream>

namespace Norq {

DataFile::DataFile(const std::filesystem::path& dataFolder, const std::string& name)
    : m_path(pathOf(dataFolder, name)) {
    Platform::makePrivateDirectories(m_path.parent_path()); // a failure shows at the first save
}

DataFile::~DataFile() = default;

std::filesystem::path DataFile::pathOf(const std::filesystem::path& dataFolder,
                                       const std::string& name) {
    return dataFolder / "data" / (name + ".bin");
}

SaveLoad::Reader& DataFile::openForReading() {
    closeReading();
    // Read whole, at once: the records are then read from memory.
    std::ifstream input(m_path, std::ios::binary | std::ios::ate);
    if (const std::streamoff size = input ? std::streamoff(input.tellg()) : 0; size > 0) {
        m_contents.resize(static_cast<std::size_t>(size));
        input.seekg(0);
        input.read(m_contents.data(), size);
        m_contents.resize(static_cast<std::size_t>(input.gcount()));
        m_lastSize = m_contents.size();
    }
    m_reader = input.is_open() ? std::make_unique<SaveLoad::Reader>(m_contents)
                               : std::make_unique<SaveLoad::Reader>();
    return *m_reader;
}

void DataFile::closeReading() {
    m_reader.reset();
    std::string().swap(m_contents); // gives the memory back
}

SaveLoad::Writer* DataFile::openForWriting() {
    m_writer.reset();
    // The folder may have been removed while the program ran.
    Platform::makePrivateDirectories(m_path.parent_path());
    m_output = std::make_unique<Platform::AtomicFile>(m_path);
    if (!m_output->isOpen()) {
        m_saveError = Platform::errorText(m_output->error());
        m_output.reset();
        return nullptr;
    }
    // Most saves write about what the last load or save did.
    m_writer = std::make_unique<SaveLoad::Writer>(m_lastSize + m_lastSize / 8);
    return m_writer.get();
}

bool DataFile::closeWriting() {
    if (!m_output || !m_writer)
        return false;
    const bool saved = m_output->write(m_writer->bytes()) && m_output->commit();
    m_saveError = saved ? std::string() : Platform::errorText(m_output->error());
    m_lastSize = m_writer->bytes().size();
    m_writer.reset();
    m_output.reset();
    return saved;
}

} // namespace Norq
