// A header block comes from a stranger's server: any bytes must give a mail record, without
// reading outside the block.
#include "logic/Mail.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so reading one byte too far is caught.
    const std::vector<char> block(data, data + size);
    const Logic::Mail mail("user@example.org", std::string_view(block.data(), block.size()));
    // No character set turns one byte into more than two UTF-16 units.
    if (mail.subject().size() > size * 2)
        std::abort();
    return 0;
}
