// servers.xml is an installed file a user may edit: any text reads to a defined table.
#include "logic/ServerPresets.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto presets = Logic::ServerPresets::fromText(text, "servers.xml");
    // Every preset takes at least one byte of its own text.
    if (presets.size() > size)
        std::abort();
    return 0;
}
