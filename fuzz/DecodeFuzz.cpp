// Header text with encoded words: any bytes, read in each raw code page.
#include "headers/EncodedWord.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<char> text(data, data + size);
    const std::string_view value(text.data(), text.size());
    for (const CodePage page : {CodePage::Ansi, CodePage::Utf7, CodePage::Utf8}) {
        // No character set turns one byte into more than two UTF-16 units.
        if (decodeHeaderText(value, page).size() > 2 * size + 2)
            std::abort();
    }
    return 0;
}
