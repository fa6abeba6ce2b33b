// The registry file is the user's to edit: any text must parse to a defined result, and what
// parsed must survive a format-and-parse round trip unchanged.
#include "platform/RegistryStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto snapshot = Platform::RegistryStore::parse(text);
    const auto again =
        Platform::RegistryStore::parse(Platform::RegistryStore::format(snapshot.keys));
    if (!again.problem.empty() || again.keys != snapshot.keys)
        std::abort();
    return 0;
}
