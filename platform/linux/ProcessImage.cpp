#include "platform/ProcessImage.h"

#include <cerrno>
#include <unistd.h>

namespace Platform {

int replaceProcessImage(const std::filesystem::path& executable, char* const* arguments) {
    ::execv(executable.c_str(), arguments);
    return errno;
}

} // namespace Platform
