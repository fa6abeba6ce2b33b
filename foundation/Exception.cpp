#include "foundation/Exception.h"

#include "foundation/DebugOutputStream.h"

namespace Norq {
namespace {

void emitCreationLine(const std::string& message) {
    DebugOutputStream stream;
    stream << "Norq::Exception [" << message << "]\n";
    stream.flush();
}

} // namespace

Exception::Exception(const char* message) : m_message(message) {
    emitCreationLine(m_message);
}

Exception::Exception(std::string message) : m_message(std::move(message)) {
    emitCreationLine(m_message);
}

} // namespace Norq
