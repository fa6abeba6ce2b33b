// servers.xml is an installed file a user may edit: any text reads to a defined table.
#include "foundation/FS.h"
#include "logic/ServerPresets.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path root = [] {
        auto folder = std::filesystem::temp_directory_path() /
                      ("velomar-fuzz-presets-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        return folder;
    }();
    {
        std::ofstream file(root / "servers.xml", std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Norq::FS::setRoot(root.string());
    const Logic::ServerPresets presets("servers.xml");
    return presets.size() > size ? 1 : 0;
}
