#include "platform/TerminationSignals.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace Platform {
namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// Written by the handler, which may only make async-signal-safe calls.
volatile std::sig_atomic_t g_write = -1;

void caught(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_write, &byte, 1);
}

void handleWith(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // The handler goes after its first signal: a second one ends the program.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = ends[0];
    g_write = ends[1];
    handleWith(caught);
}

TerminationSignals::~TerminationSignals() {
    if (m_read < 0)
        return;
    handleWith(SIG_DFL);
    ::close(g_write);
    ::close(m_read);
    g_write = -1;
}

} // namespace Platform
