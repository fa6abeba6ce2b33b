#include "transport/Pop3Reply.h"

#include "foundation/AsciiText.h"

#include <cstring>
#include <utility>

namespace {

bool startsPositive(const std::string& line) {
    return Norq::equalsIgnoringAsciiCase(std::string_view(line).substr(0, 3), "+ok");
}

} // namespace

void Pop3Reply::reset(bool multiLine) {
    const std::string rest = std::exchange(m_rest, {});
    m_bytes.clear();
    m_line.clear();
    m_multiLine = multiLine;
    m_complete = false;
    m_ok = false;
    m_tooLong = false;
    if (!rest.empty())
        feed(rest.data(), rest.size());
}

bool Pop3Reply::feed(const char* bytes, std::size_t length) {
    if (m_tooLong)
        return true;
    if (m_complete) {
        m_rest.append(bytes, length);
        return true;
    }
    while (length > 0) {
        const auto* lineFeed = static_cast<const char*>(std::memchr(bytes, '\n', length));
        const std::size_t take =
            lineFeed != nullptr ? static_cast<std::size_t>(lineFeed - bytes) + 1 : length;
        if (m_bytes.size() + m_line.size() + take > m_sizeLimit) {
            // Given up, and the memory with it: a server that never ends a line must not
            // make the reply grow without bound.
            m_tooLong = true;
            std::string().swap(m_line);
            std::string().swap(m_bytes);
            return true;
        }
        m_line.append(bytes, take);
        bytes += take;
        length -= take;
        // The CR may have come in the previous chunk; it is already in the line buffer.
        if (lineFeed != nullptr && m_line.size() >= 2 && m_line[m_line.size() - 2] == '\r') {
            endLine();
            if (m_complete) {
                m_rest.assign(bytes, length);
                return true;
            }
        }
    }
    return false;
}

void Pop3Reply::endLine() {
    if (m_bytes.empty()) {
        m_ok = startsPositive(m_line);
        // A negative reply has no further lines, even to a multi-line command.
        m_complete = !m_multiLine || !m_ok;
    } else {
        m_complete = m_line == ".\r\n";
    }
    m_bytes += m_line;
    m_line.clear();
}
