// Reply assembly from a hostile server's bytes, in chunks of any size: the same reply whatever
// the chunking, and never more than the size limit kept.
#include "transport/Pop3Reply.h"

#include <cstdlib>
#include <vector>

namespace {

constexpr std::size_t kLimit = 4096;

// The first byte picks multi-line or not and the chunk sizes; the rest is what the server sent.
Pop3Reply assemble(const std::vector<char>& data, bool multiLine, unsigned seed, bool chunked) {
    Pop3Reply reply(kLimit);
    reply.reset(multiLine);
    std::size_t at = 0;
    while (at < data.size()) {
        const std::size_t chunk =
            chunked ? 1 + (seed = seed * 1103515245u + 12345u) % 7 : data.size();
        const std::size_t length = std::min(chunk, data.size() - at);
        const bool done = reply.feed(data.data() + at, length);
        at += length;
        if (done)
            break;
    }
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool multiLine = (data[0] & 1) != 0;
    const std::vector<char> bytes(data + 1, data + size);
    const Pop3Reply whole = assemble(bytes, multiLine, data[0], false);
    const Pop3Reply pieces = assemble(bytes, multiLine, data[0], true);
    if (whole.bytes() != pieces.bytes() || whole.isComplete() != pieces.isComplete() ||
        whole.isOk() != pieces.isOk() || whole.isTooLong() != pieces.isTooLong())
        std::abort();
    if (whole.bytes().size() > kLimit + 2)
        std::abort();
    return 0;
}
