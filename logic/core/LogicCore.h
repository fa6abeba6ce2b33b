#pragma once

#include "foundation/DataFile.h"
#include "logic/AccountMgr.h"
#include "logic/ServerPresets.h"
#include "logic/core/CheckStarter.h"

#include <filesystem>
#include <mutex>
#include <string>

/// The root of the mail model: the server presets, the data file with the accounts and their
/// unread messages, and the starter of checks. Built before any window, destroyed after the
/// last one.
class LogicCore {
public:
    /// Reads "servers.xml" under the installed-files root and data/general.bin in the data
    /// folder. A damaged data file throws Norq::SaveLoad::Failure; a missing one gives no
    /// accounts.
    explicit LogicCore(const std::filesystem::path& dataFolder, const Pop3Limits& limits = {});
    LogicCore(const LogicCore&) = delete;
    LogicCore& operator=(const LogicCore&) = delete;
    ~LogicCore();

    /// Held around a whole user action on the model, taken before the account lock.
    std::recursive_mutex& modelLock() { return m_modelLock; }
    Logic::ServerPresets& serverPresets() { return m_serverPresets; }
    Logic::AccountMgr& accountMgr() { return m_accountMgr; }
    CheckStarter& checkStarter() { return m_checkStarter; }

    /// Writes every account and its unread messages. When the file cannot be written the old
    /// one stays, the accounts stay in memory, and false is returned; the next save tries again.
    bool saveAll();
    /// Why the last save failed (the file and the system's reason); empty after one that worked.
    std::string saveFailure();

private:
    std::recursive_mutex m_modelLock;
    Logic::ServerPresets m_serverPresets;
    Norq::DataFile m_dataFile;
    Logic::AccountMgr m_accountMgr;
    CheckStarter m_checkStarter;
    std::string m_saveFailure; ///< guarded by the account lock, as saves are
};
