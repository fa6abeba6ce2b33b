#include "foundation/Reporter.h"

#include "foundation/DebugOutputStream.h"
#include "foundation/OneObj.h"

namespace Norq {

void Reporter::report(std::string_view source, std::string_view message, std::string_view detail) {
    DebugOutputStream stream;
    stream << source << ": " << message << " $[" << detail << "]\n";
    stream.flush();
}

void report(std::string_view source, std::string_view message, std::string_view detail) {
    OneObj<Reporter>::instance().report(source, message, detail);
}

} // namespace Norq
