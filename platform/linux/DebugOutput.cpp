#include "platform/DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace Platform {

void debugOutput(const char* text) {
    // A person reads standard error too: the internal lines only when asked for.
    static const bool wanted = std::getenv("VELOMAR_DEBUG") != nullptr &&
                               std::strcmp(std::getenv("VELOMAR_DEBUG"), "1") == 0;
    if (!wanted)
        return;
    // One write per piece, so pieces from different threads never mix inside a piece.
    const size_t length = std::strlen(text);
    size_t written = 0;
    while (written < length) {
        const ssize_t n = ::write(STDERR_FILENO, text + written, length - written);
        if (n <= 0)
            return;
        written += static_cast<size_t>(n);
    }
}

} // namespace Platform
