#include "platform/Terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iterator>
#include <termios.h>
#include <unistd.h>

namespace Platform {
namespace {

// What an interrupted read puts back before the signal does what it would have done, and
// what it hides again when a stopped program goes on.
int g_terminal = -1;
termios g_saved{};
termios g_hidden{};

void restoreAndRaise(int signal) {
    const int savedErrno = errno;
    ::tcsetattr(g_terminal, TCSAFLUSH, &g_saved);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    struct sigaction ours {};
    ::sigaction(signal, &byDefault, &ours);
    // Unblocked, so that it takes effect here and not once the handler has returned.
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(signal);
    // Only a stop comes back here, once the program goes on (fg): the typing stays hidden.
    ::sigaction(signal, &ours, nullptr);
    ::tcsetattr(g_terminal, TCSANOW, &g_hidden);
    errno = savedErrno;
}

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

std::optional<std::string> readLine(int fd, std::size_t limit) {
    std::string line;
    bool any = false;
    char c;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        if (line.size() < limit)
            line += c;
    }
    if (!any)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

bool standardInputIsTerminal() {
    return ::isatty(STDIN_FILENO) == 1;
}

std::optional<std::string> readHiddenLine(const std::string& prompt, std::size_t limit) {
    const int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (terminal < 0)
        return std::nullopt;
    termios saved{};
    if (::tcgetattr(terminal, &saved) != 0) {
        ::close(terminal);
        return std::nullopt;
    }
    g_terminal = terminal;
    g_saved = saved;
    struct sigaction restore {};
    restore.sa_handler = restoreAndRaise;
    struct sigaction previous[std::size(kInterruptions)];
    for (std::size_t i = 0; i < std::size(kInterruptions); ++i)
        ::sigaction(kInterruptions[i], &restore, &previous[i]);

    termios hidden = saved;
    hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    hidden.c_lflag |= ECHONL; // the user still sees that the line was taken
    g_hidden = hidden;
    ::tcsetattr(terminal, TCSAFLUSH, &hidden);
    [[maybe_unused]] const ssize_t shown = ::write(terminal, prompt.data(), prompt.size());
    auto line = readLine(terminal, limit);
    ::tcsetattr(terminal, TCSAFLUSH, &saved);

    for (std::size_t i = 0; i < std::size(kInterruptions); ++i)
        ::sigaction(kInterruptions[i], &previous[i], nullptr);
    g_terminal = -1;
    ::close(terminal);
    return line;
}

std::optional<std::string> readStandardInputLine(std::size_t limit) {
    return readLine(STDIN_FILENO, limit);
}

} // namespace Platform
