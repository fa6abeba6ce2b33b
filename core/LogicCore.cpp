#include "core/LogicCore.h"

#include "foundation/Reporter.h"

namespace {

const std::string kDataFileName = "general";
const std::string kSeenFileName = "seen";

// Rewrites `file` with what `write` gives; reports `failure` when it could not be done.
template <class Write> bool writeWhole(Norq::DataFile& file, const char* failure, Write&& write) {
    if (Norq::SaveLoad::Writer* writer = file.openForWriting()) {
        write(*writer);
        if (file.closeWriting())
            return true;
    }
    Norq::report("Logic", failure, file.path().string());
    return false;
}

} // namespace

LogicCore::LogicCore(const std::filesystem::path& dataFolder,
                     const std::filesystem::path& presetsFile, const Pop3Limits& limits)
    : m_presetsFile(presetsFile), m_dataFile(dataFolder, kDataFileName),
      m_seenFile(dataFolder, kSeenFileName), m_accountMgr(m_dataFile.openForReading()),
      m_checkStarter(m_accountMgr, limits) {
    m_dataFile.closeReading();
    m_accountMgr.loadSeenMessages(m_seenFile.openForReading());
    m_seenFile.closeReading();
}

LogicCore::~LogicCore() = default;

const Logic::ServerPresets& LogicCore::serverPresets() const {
    std::call_once(m_presetsRead,
                   [this] { m_serverPresets = Logic::ServerPresets::fromFile(m_presetsFile); });
    return m_serverPresets;
}

std::filesystem::path LogicCore::dataFilePath(const std::filesystem::path& dataFolder) {
    return Norq::DataFile::pathOf(dataFolder, kDataFileName);
}

std::filesystem::path LogicCore::seenFilePath(const std::filesystem::path& dataFolder) {
    return Norq::DataFile::pathOf(dataFolder, kSeenFileName);
}

std::string LogicCore::saveError() {
    // The checker thread saves at the end of every check while the interface thread may ask.
    std::lock_guard lock(m_accountMgr.accountLock());
    for (const Norq::DataFile* file : {&m_dataFile, &m_seenFile}) {
        if (!file->saveError().empty())
            return file->path().string() + ": " + file->saveError();
    }
    return {};
}

bool LogicCore::saveAll() {
    std::lock_guard lock(m_accountMgr.accountLock());
    const bool saved = writeWhole(m_dataFile, "the accounts could not be saved",
                                  [this](auto& writer) { m_accountMgr.save(writer); }) &&
                       writeWhole(m_seenFile, "the seen messages could not be saved",
                                  [this](auto& writer) { m_accountMgr.saveSeenMessages(writer); });
    m_changed = !saved;
    return saved;
}

void LogicCore::markChanged() {
    std::lock_guard lock(m_accountMgr.accountLock());
    m_changed = true;
}

bool LogicCore::saveIfChanged() {
    std::lock_guard lock(m_accountMgr.accountLock());
    return !m_changed || saveAll();
}
