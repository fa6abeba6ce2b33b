#include "app/Application.h"

#include "foundation/Exception.h"
#include "foundation/FS.h"
#include "foundation/Product.h"
#include "platform/AtomicFile.h"
#include "platform/SpecialFolders.h"

#include <system_error>

Application::FsRootScope::FsRootScope() {
    Norq::FS::setRoot("basis");
}

Application::FsRootScope::~FsRootScope() {
    Norq::FS::setRoot("");
}

std::filesystem::path Application::findDataFolder() {
    const auto base = Platform::localAppDataFolder();
    if (base.empty())
        throw Norq::Exception("Can't find CSIDL_LOCAL_APPDATA folder path!");
    const auto folder = base / Norq::Product::kMaker / Norq::Product::kName;
    // A folder that cannot be made shows later, when the data file cannot be written.
    Platform::makePrivateDirectories(folder);
    return folder;
}

std::filesystem::path Application::presetsFile() const {
    return std::filesystem::path(Norq::FS::root()) / "servers.xml";
}

Application::Application(int argc, const char* const* argv)
    : m_dataFolder(findDataFolder()), m_options(argc, argv) {
    std::error_code ignored; // a missing install folder shows as missing installed files
    std::filesystem::current_path(std::filesystem::path(m_settings.installDir()), ignored);
}
