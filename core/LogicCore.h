#pragma once

#include "core/CheckStarter.h"
#include "core/ModelObserver.h"
#include "core/SerialWork.h"
#include "foundation/DataFile.h"
#include "logic/AccountMgr.h"
#include "logic/ServerPresets.h"

#include <filesystem>
#include <mutex>

/// The root of the mail model: the server presets, the data file with the accounts and their
/// unread messages, and the starter of checks. Built before any window, destroyed after the
/// last one.
class LogicCore {
public:
    /// Reads data/general.bin in the data folder and the state file beside it, data/seen.bin,
    /// and the server presets from `presetsFile` when they are first asked for. A damaged data
    /// file throws Norq::SaveLoad::Failure; a missing one gives no accounts, a missing presets
    /// file no presets. A missing or damaged state file is not an error: checks then walk each
    /// mailbox by date.
    LogicCore(const std::filesystem::path& dataFolder, const std::filesystem::path& presetsFile,
              const Pop3Limits& limits = {});
    LogicCore(const LogicCore&) = delete;
    LogicCore& operator=(const LogicCore&) = delete;
    ~LogicCore();

    /// The data file of the accounts in this data folder.
    static std::filesystem::path dataFilePath(const std::filesystem::path& dataFolder);
    /// The state file of the ids the checks have seen, beside it.
    static std::filesystem::path seenFilePath(const std::filesystem::path& dataFolder);

    /// Read on the first call, from any thread: most runs (a check that works) need none.
    const Logic::ServerPresets& serverPresets() const;
    Logic::AccountMgr& accountMgr() { return m_accountMgr; }
    CheckStarter& checkStarter() { return m_checkStarter; }
    /// The thread that writes to the desktop's keyring, in the order asked for: the deletion
    /// for a removed account never overtakes the password of one added again under its
    /// address. Its tasks may use the model.
    SerialWork& keyringWork() { return m_keyringWork; }
    /// The thread that changes messages on the servers (marks them read); its tasks may use
    /// the model.
    SerialWork& serverWork() { return m_serverWork; }
    /// Hears what UserActions change; not owned, nullptr for none.
    void setModelObserver(ModelObserver* observer) { m_modelObserver = observer; }
    ModelObserver* modelObserver() const { return m_modelObserver; }

    /// Writes every account and its unread messages, then the ids the checks have seen. When a
    /// file cannot be written the old one stays, the accounts stay in memory, and false is
    /// returned; the next save tries again. The data file goes first: were the state file to be
    /// ahead of it after a crash, messages it lists as seen would never have been reported.
    bool saveAll();
    /// Something in the model changed that no save has written yet.
    void markChanged();
    /// Saves when something changed since the last save that worked; true when nothing is
    /// left unsaved.
    bool saveIfChanged();
    /// Why the last save failed, naming the file: "<path>: <reason>"; empty after a
    /// successful one. Safe from any thread: it waits for a save in progress.
    std::string saveError();

private:
    std::filesystem::path m_presetsFile;
    mutable std::once_flag m_presetsRead;
    mutable Logic::ServerPresets m_serverPresets;
    Norq::DataFile m_dataFile;
    Norq::DataFile m_seenFile;
    Logic::AccountMgr m_accountMgr;
    CheckStarter m_checkStarter;
    ModelObserver* m_modelObserver = nullptr;
    /// Guarded by the account lock.
    bool m_changed = false;
    /// Last, so that they end first: their tasks may still read the model.
    SerialWork m_keyringWork;
    SerialWork m_serverWork;
};
