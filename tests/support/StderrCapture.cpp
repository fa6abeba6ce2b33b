#include "tests/support/StderrCapture.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace TestSupport {

StderrCapture::StderrCapture() {
    std::fflush(stderr);
    FILE* file = std::tmpfile();
    if (file == nullptr)
        std::abort();
    m_fileFd = ::dup(fileno(file));
    std::fclose(file);
    m_savedFd = ::dup(STDERR_FILENO);
    ::dup2(m_fileFd, STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
    std::fflush(stderr);
    ::dup2(m_savedFd, STDERR_FILENO);
    ::close(m_savedFd);
    ::close(m_fileFd);
}

std::string StderrCapture::text() const {
    std::fflush(stderr);
    std::string content;
    char buffer[4096];
    off_t offset = 0;
    ssize_t n;
    while ((n = ::pread(m_fileFd, buffer, sizeof buffer, offset)) > 0) {
        content.append(buffer, static_cast<size_t>(n));
        offset += n;
    }
    return content;
}

} // namespace TestSupport
