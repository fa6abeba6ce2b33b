#pragma once

namespace Platform {

/// The requests to end the program that come as signals — the desktop session ending or
/// `kill` (SIGTERM), Ctrl+C in a terminal (SIGINT), the terminal closing (SIGHUP) — caught
/// while this object lives, so the program can end as its own Exit ends it. The first request
/// makes `descriptor` readable; a second one ends the program at once, as if none was caught.
/// One object at a time.
class TerminationSignals {
public:
    TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    ~TerminationSignals();

    /// The descriptor to watch for readability; -1 if the system could not make one (then the
    /// signals end the program as before).
    int descriptor() const { return m_read; }

private:
    int m_read = -1;
};

} // namespace Platform
