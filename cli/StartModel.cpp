#include "cli/StartModel.h"

#include "cli/ProgramContext.h"
#include "core/LogicCore.h"
#include "foundation/Exception.h"
#include "foundation/Reporter.h"
#include "platform/AtomicFile.h"

namespace {

// A save of another process of the program (a job without a window does not wait for the tray
// program) may be under way; its temporary copy is younger than this.
constexpr std::chrono::seconds kSaveInProgress{60};

// A save cut short by a kill or a power cut leaves its temporary copy beside the file for good,
// and the data file's copies hold the scrambled passwords.
void removeUnfinishedSaves(const std::filesystem::path& target) {
    for (const auto& [path, error] :
         Platform::AtomicFile::removeStaleTemporaries(target, kSaveInProgress)) {
        if (error == 0)
            Norq::report("Start", "removed what an unfinished save left", path.string());
        else
            Norq::report("Start", "cannot remove what an unfinished save left",
                         path.string() + ": " + Platform::errorText(error));
    }
}

} // namespace

std::unique_ptr<LogicCore> startModel(const ProgramContext& application) {
    removeUnfinishedSaves(LogicCore::dataFilePath(application.dataFolder()));
    removeUnfinishedSaves(LogicCore::seenFilePath(application.dataFolder()));
    removeUnfinishedSaves(application.settings().storePath());
    const std::filesystem::path presets = application.presetsFile();
    try {
        return std::make_unique<LogicCore>(application.dataFolder(), presets);
    } catch (const Norq::SaveLoad::Failure&) {
        // Nothing was changed: the file stays for whoever wants to look at it or restore it.
        throw Norq::Exception("The account file " +
                              LogicCore::dataFilePath(application.dataFolder()).string() +
                              " is damaged; move it away to start without accounts, or put a "
                              "backup of it in its place.");
    }
}
