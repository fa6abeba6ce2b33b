#include "core/LogicCore.h"

#include "foundation/Reporter.h"

namespace {

const std::string kDataFileName = "general";

} // namespace

LogicCore::LogicCore(const std::filesystem::path& dataFolder,
                     const std::filesystem::path& presetsFile, const Pop3Limits& limits)
    : m_serverPresets(Logic::ServerPresets::fromFile(presetsFile)),
      m_dataFile(dataFolder, kDataFileName), m_accountMgr(m_dataFile.openForReading()),
      m_checkStarter(m_accountMgr, limits) {
    m_dataFile.closeReading();
}

LogicCore::~LogicCore() = default;

std::filesystem::path LogicCore::dataFilePath(const std::filesystem::path& dataFolder) {
    return Norq::DataFile::pathOf(dataFolder, kDataFileName);
}

std::string LogicCore::saveError() {
    // The checker thread saves at the end of every check while the interface thread may ask.
    std::lock_guard lock(m_accountMgr.accountLock());
    if (m_dataFile.saveError().empty())
        return {};
    return m_dataFile.path().string() + ": " + m_dataFile.saveError();
}

bool LogicCore::saveAll() {
    std::lock_guard lock(m_accountMgr.accountLock());
    Norq::SaveLoad::Writer* writer = m_dataFile.openForWriting();
    if (writer != nullptr) {
        m_accountMgr.save(*writer);
        if (m_dataFile.closeWriting())
            return true;
    }
    Norq::report("Logic", "the accounts could not be saved", m_dataFile.path().string());
    return false;
}
