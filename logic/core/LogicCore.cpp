#include "logic/core/LogicCore.h"

#include "foundation/Reporter.h"

#include <cstring>

LogicCore::LogicCore(const std::filesystem::path& dataFolder, const Pop3Limits& limits)
    : m_serverPresets("servers.xml"), m_dataFile(dataFolder, "general"),
      m_accountMgr(m_dataFile.openForReading()), m_checkStarter(m_accountMgr, limits) {
    m_dataFile.closeReading();
}

LogicCore::~LogicCore() = default;

bool LogicCore::saveAll() {
    std::lock_guard lock(m_accountMgr.accountLock());
    Norq::SaveLoad::Writer* writer = m_dataFile.openForWriting();
    if (writer != nullptr) {
        m_accountMgr.save(*writer);
        if (m_dataFile.closeWriting()) {
            m_saveFailure.clear();
            return true;
        }
    }
    m_saveFailure = m_dataFile.path().string() + ": " + std::strerror(m_dataFile.error());
    Norq::report("Logic", "the accounts could not be saved", m_saveFailure);
    return false;
}

std::string LogicCore::saveFailure() {
    std::lock_guard lock(m_accountMgr.accountLock());
    return m_saveFailure;
}
