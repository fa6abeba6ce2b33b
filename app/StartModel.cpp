#include "app/StartModel.h"

#include "app/Application.h"
#include "core/LogicCore.h"
#include "foundation/Exception.h"

std::unique_ptr<LogicCore> startModel(const Application& application) {
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
