#include "platform/DebugOutput.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace Platform {

void debugOutput(const char* text) {
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
