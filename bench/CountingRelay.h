#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Bench {

/// What one POP3 conversation cost on the wire.
struct WireCounts {
    /// Lines the client sent, by command verb ("TOP", "USER", ...).
    std::map<std::string, int> commands;
    /// Bytes the server sent, greeting included.
    std::size_t bytesReceived = 0;
    /// How often the client waited for the server: each time the server spoke after the client
    /// had, the connection counting as the client's first word (so the greeting is one).
    int roundTrips = 0;

    int commandCount() const;
    int count(const std::string& verb) const;
};

/// A TCP relay on 127.0.0.1 between a client and a server port, one connection at a time, that
/// counts what passes: the client's command lines, the server's bytes and the round trips. It
/// lets the check be measured without a counter inside the code being measured.
///
/// It can also stand in for a slow link: every byte is held back `delay` in each direction, and
/// the connection reaches the server `delay` after the client made it (the system completes the
/// TCP handshake with the relay at once, so that round trip of a real link is not in the times).
/// The server's capability lines named in `hidden` are taken out of its CAPA reply: without
/// "PIPELINING" any server is one that does not pipeline, without "UIDL" one without unique ids.
class CountingRelay {
public:
    explicit CountingRelay(std::uint16_t serverPort,
                           std::chrono::milliseconds delay = std::chrono::milliseconds(0),
                           std::vector<std::string> hidden = {});
    CountingRelay(const CountingRelay&) = delete;
    CountingRelay& operator=(const CountingRelay&) = delete;
    ~CountingRelay();

    std::uint16_t port() const { return m_port; }

    /// Waits until the connections accepted so far have ended on both sides, then hands back
    /// their counts and starts counting afresh.
    WireCounts takeCounts();

private:
    void serve();
    void relay(int client);
    /// Counts the command lines in what the client sent.
    void countCommands(const char* bytes, std::size_t length);
    /// What of the server's bytes goes on to the client; whole lines only when hiding.
    std::string passOn(const char* bytes, std::size_t length);

    std::uint16_t m_serverPort;
    std::chrono::milliseconds m_delay;
    std::vector<std::string> m_hidden;
    std::uint16_t m_port = 0;
    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    std::mutex m_mutex;
    std::condition_variable m_idle;
    bool m_busy = false;
    WireCounts m_counts;
    std::string m_partialLine;
    std::string m_serverLine;
    std::thread m_thread;
};

} // namespace Bench
