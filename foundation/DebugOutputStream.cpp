#include "foundation/DebugOutputStream.h"

#include "platform/DebugOutput.h"

namespace Norq {

DebugOutputStream::Buffer::Buffer(Sink sink) : m_sink(sink ? sink : &Platform::debugOutput) {
    setp(m_area, m_area + kPieceLength);
}

DebugOutputStream::Buffer::int_type DebugOutputStream::Buffer::overflow(int_type c) {
    emit();
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int DebugOutputStream::Buffer::sync() {
    emit();
    return 0;
}

void DebugOutputStream::Buffer::emit() {
    *pptr() = '\0';
    m_sink(m_area);
    setp(m_area, m_area + kPieceLength);
}

DebugOutputStream::DebugOutputStream(Sink sink) : std::ostream(nullptr), m_buffer(sink) {
    rdbuf(&m_buffer);
}

DebugOutputStream::~DebugOutputStream() = default;

} // namespace Norq
