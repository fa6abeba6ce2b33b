#pragma once

#include <string>

namespace TestSupport {

/// Collects what is written to standard error (the debug output) while the object lives.
class StderrCapture {
public:
    StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    ~StderrCapture();

    /// Everything written so far.
    std::string text() const;

private:
    int m_savedFd;
    int m_fileFd;
};

} // namespace TestSupport
