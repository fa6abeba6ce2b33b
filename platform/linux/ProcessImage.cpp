#include "platform/ProcessImage.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace Platform {
namespace {

// glibc reads its tunables from this variable when a program starts. One the user set is left
// alone: they tune the library themselves.
constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr std::string_view kLargeHeapPages = "glibc.malloc.hugetlb=1";

} // namespace

int replaceProcessImage(const std::filesystem::path& executable, char* const* arguments,
                        bool largeHeapPages) {
    if (largeHeapPages)
        ::setenv(kTunables, kLargeHeapPages.data(), 0);
    ::execv(executable.c_str(), arguments);
    const int error = errno;
    takeLargeHeapPagesSetting();
    return error;
}

bool takeLargeHeapPagesSetting() {
    const char* tunables = std::getenv(kTunables);
    if (tunables == nullptr)
        return false;
    if (tunables == kLargeHeapPages)
        ::unsetenv(kTunables);
    return true;
}

} // namespace Platform
