#include "transport/Pop3Reply.h"

#include "foundation/AsciiText.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::string_view kEndLine = ".\r\n";

bool startsPositive(const std::string& line) {
    return Norq::equalsIgnoringAsciiCase(std::string_view(line).substr(0, 3), "+ok");
}

} // namespace

void Pop3Reply::reset(bool multiLine) {
    const std::string rest = std::exchange(m_rest, {});
    m_bytes.clear();
    m_line.clear();
    m_lineCut = false;
    m_lastWasCr = false;
    m_size = 0;
    m_cut = false;
    m_firstLine = true;
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
        if (m_size + take > m_sizeLimit) {
            // Given up, and the memory with it: a server that never ends a line must not
            // make the reply grow without bound.
            m_tooLong = true;
            std::string().swap(m_line);
            std::string().swap(m_bytes);
            return true;
        }
        m_size += take;
        // Room for what is kept, and always for a line as short as the "." that ends a reply.
        const std::size_t held = m_bytes.size() + m_line.size();
        const std::size_t room =
            std::max(held < kKept ? kKept - held : 0,
                     kEndLine.size() - std::min(m_line.size(), kEndLine.size()));
        m_line.append(bytes, std::min(take, room));
        m_lineCut |= take > room;
        // The CR may have come in the previous chunk.
        const bool crBefore = take >= 2 ? bytes[take - 2] == '\r' : m_lastWasCr;
        m_lastWasCr = bytes[take - 1] == '\r';
        bytes += take;
        length -= take;
        if (lineFeed != nullptr && crBefore) {
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
    if (m_firstLine) {
        m_ok = startsPositive(m_line);
        // A negative reply has no further lines, even to a multi-line command.
        m_complete = !m_multiLine || !m_ok;
        m_firstLine = false;
    } else {
        m_complete = !m_lineCut && m_line == kEndLine;
    }
    // Once a line was dropped, so is every line after it but the last.
    m_cut |= m_lineCut || (!m_complete && m_bytes.size() + m_line.size() > kKept);
    if (!m_cut || m_complete)
        m_bytes += m_line;
    m_line.clear();
    m_lineCut = false;
}
