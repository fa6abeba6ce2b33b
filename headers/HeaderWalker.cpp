#include "headers/HeaderWalker.h"

#include "foundation/AsciiText.h"

#include <cstring>

void HeaderWalker::walk(Listener& listener) const {
    const char* const begin = m_block.data();
    const size_t size = m_block.size();
    size_t pos = 0;
    while (pos < size) {
        // The field ends at the first CR LF not followed by a space or TAB; the search resumes
        // after each continuation, so every byte is looked at once.
        size_t fieldEnd = size;
        size_t next = size;
        size_t search = pos;
        while (search < size) {
            const void* cr = std::memchr(begin + search, '\r', size - search);
            if (cr == nullptr)
                break;
            const size_t at = static_cast<size_t>(static_cast<const char*>(cr) - begin);
            if (at + 1 >= size || begin[at + 1] != '\n') {
                search = at + 1;
                continue;
            }
            if (at + 2 < size && (begin[at + 2] == ' ' || begin[at + 2] == '\t')) {
                search = at + 2;
                continue;
            }
            fieldEnd = at;
            next = at + 2;
            break;
        }
        if (fieldEnd == pos) {
            listener.onHeadersEnd(begin + next, begin + size);
            return;
        }
        listener.onField(begin + pos, begin + fieldEnd);
        pos = next;
    }
}

const char* matchFieldName(std::string_view name, const char* fieldStart, const char* fieldEnd) {
    if (fieldEnd - fieldStart < static_cast<std::ptrdiff_t>(name.size()))
        return nullptr;
    if (!Norq::equalsIgnoringAsciiCase(name, std::string_view(fieldStart, name.size())))
        return nullptr;
    const char* value = fieldStart + name.size();
    while (value < fieldEnd && (*value == ' ' || *value == '\t'))
        ++value;
    return value;
}
