#include "cli/ProgramContext.h"

#include "foundation/Exception.h"
#include "foundation/InstallLayout.h"
#include "foundation/Product.h"
#include "foundation/TextConversion.h"
#include "platform/AtomicFile.h"
#include "platform/SpecialFolders.h"

#include <algorithm>
#include <system_error>

namespace {

const std::string kProduct(Norq::Product::kName);

// "a", "a and b", "a, b and c"
std::string listed(const std::vector<std::filesystem::path>& folders) {
    std::string text;
    for (std::size_t i = 0; i < folders.size(); ++i)
        text += (i == 0 ? "" : i + 1 == folders.size() ? " and " : ", ") + folders[i].string();
    return text;
}

} // namespace

std::filesystem::path ProgramContext::findDataFolder() {
    const auto base = Platform::localAppDataFolder();
    if (base.empty())
        throw Norq::Exception(kProduct +
                              " cannot find your home folder: neither HOME nor XDG_DATA_HOME is "
                              "set. Set HOME to your home folder and start it again.");
    const auto folder = base / Norq::Product::kMaker / Norq::Product::kName;
    int error = Platform::makePrivateDirectories(folder);
    if (error == 0)
        error = Platform::folderWriteError(folder);
    if (error != 0)
        throw Norq::Exception(kProduct + " cannot write to its data folder " + folder.string() +
                              " (" + Platform::errorText(error) + "). Make sure you can write " +
                              "there, or set XDG_DATA_HOME to a folder you can write to.");
    return folder;
}

ProgramContext::ProgramContext(int argc, const char* const* argv)
    : m_dataFolder(findDataFolder()), m_options(argc, argv) {
    findInstallFolder();
}

void ProgramContext::findInstallFolder() {
    // The files beside the running executable are the ones of its own version, so they win; a
    // stored folder is used only when the executable has none of its own (a copy of it alone).
    const std::filesystem::path ownFolder = m_settings.executable().parent_path();
    const std::filesystem::path storedFolder(m_settings.installDir());
    std::filesystem::path installFolder = ownFolder;
    m_basisLookedIn = Norq::InstallLayout::basisFolders(ownFolder);
    m_basisFolder = Norq::InstallLayout::findBasisFolder(ownFolder);
    if (!m_basisFolder && storedFolder != ownFolder) {
        const auto stored = Norq::InstallLayout::basisFolders(storedFolder);
        m_basisLookedIn.insert(m_basisLookedIn.end(), stored.begin(), stored.end());
        m_basisFolder = Norq::InstallLayout::findBasisFolder(storedFolder);
        if (m_basisFolder)
            installFolder = storedFolder;
    }
    if (installFolder != storedFolder)
        replaceStaleInstallFolder(storedFolder, installFolder);
}

void ProgramContext::replaceStaleInstallFolder(const std::filesystem::path& stale,
                                               const std::filesystem::path& current) {
    // The stored folder is not the one in use (the program was moved or installed elsewhere):
    // it is corrected in memory, and so on disk with the next settings change. The bundled
    // sound of the stale folder becomes the bundled sound of this one.
    const std::filesystem::path sound(m_settings.notificationSound());
    const auto staleBasis = Norq::InstallLayout::basisFolders(stale);
    if (m_basisFolder && sound.filename() == "notify.wav" &&
        std::find(staleBasis.begin(), staleBasis.end(), sound.parent_path()) != staleBasis.end())
        m_settings.setNotificationSound(Norq::toWide((*m_basisFolder / "notify.wav").string()));
    m_settings.setInstallDir(Norq::toWide(current.string()));
}

std::filesystem::path ProgramContext::presetsFile() const {
    if (!m_basisFolder)
        throw Norq::Exception(kProduct +
                              " cannot find its installed files (servers.xml, notify.wav): it "
                              "looked in " +
                              listed(m_basisLookedIn) +
                              ". Install it again (cmake --install, or its package), or start "
                              "the velomar of a complete build.");
    return *m_basisFolder / "servers.xml";
}
