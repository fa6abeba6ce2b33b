// Response assembly and reading from a hostile server's bytes, in chunks of any size: the same
// responses whatever the chunking, never more kept than the size limit, and every response read
// through to its end without reading past it.
#include "transport/ImapResponse.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kLimit = 4096;

struct Assembled {
    std::vector<std::string> responses;
    bool tooLong = false;
    std::string unfinished;
};

// Every response in `data`, fed whole or in chunks of 1 to 7 bytes that the seed picks.
Assembled assemble(const std::vector<char>& data, unsigned seed, bool chunked) {
    Assembled assembled;
    ImapResponse response(kLimit);
    std::size_t at = 0;
    while (at < data.size()) {
        const std::size_t chunk =
            chunked ? 1 + (seed = seed * 1103515245u + 12345u) % 7 : data.size();
        const std::size_t length = std::min(chunk, data.size() - at);
        response.feed(data.data() + at, length);
        at += length;
        while (response.isComplete()) {
            assembled.responses.push_back(response.bytes());
            response.reset();
        }
        if (response.isTooLong())
            break;
    }
    assembled.tooLong = response.isTooLong();
    assembled.unfinished = response.bytes();
    return assembled;
}

// Reads a response as the session would: its start, then values until the end or a value that
// cannot be read.
void read(const std::string& bytes) {
    ImapReader reader(bytes);
    std::string_view atom;
    if (!reader.skip('*') && !reader.skip('+'))
        reader.readAtom(atom);
    reader.skip(' ');
    std::uint32_t number = 0;
    if (reader.readNumber(number))
        reader.skip(' ');
    const ImapReader start = reader;
    const ImapResponseText text = reader.readText();
    if (text.text.size() > bytes.size() || text.argument.size() > text.text.size())
        std::abort();
    reader = start;
    while (!reader.atEnd()) {
        std::string value;
        bool nil = false;
        if (!reader.skip(' ') && !reader.readNString(value, nil) && !reader.skipValue() &&
            !reader.skipSection())
            break;
        if (value.size() > bytes.size())
            std::abort();
    }
    if (reader.rest().size() > bytes.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::vector<char> bytes(data + 1, data + size);
    const Assembled whole = assemble(bytes, data[0], false);
    const Assembled pieces = assemble(bytes, data[0], true);
    if (whole.responses != pieces.responses || whole.tooLong != pieces.tooLong ||
        whole.unfinished != pieces.unfinished)
        std::abort();
    for (const std::string& response : whole.responses) {
        if (response.size() > kLimit || !response.ends_with("\r\n"))
            std::abort();
        read(response);
    }
    return 0;
}
