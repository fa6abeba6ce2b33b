#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace Bench {

/// What one POP3 conversation cost on the wire.
struct WireCounts {
    /// Lines the client sent, by command verb ("TOP", "USER", ...).
    std::map<std::string, int> commands;
    /// Bytes the server sent, greeting included.
    std::size_t bytesReceived = 0;

    int commandCount() const;
    int count(const std::string& verb) const;
};

/// A TCP relay on 127.0.0.1 between a client and a server port, one connection at a time, that
/// counts what passes: the client's command lines and the server's bytes. It lets the check be
/// measured without a counter inside the code being measured.
class CountingRelay {
public:
    explicit CountingRelay(std::uint16_t serverPort);
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

    std::uint16_t m_serverPort;
    std::uint16_t m_port = 0;
    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    std::mutex m_mutex;
    std::condition_variable m_idle;
    bool m_busy = false;
    WireCounts m_counts;
    std::string m_partialLine;
    std::thread m_thread;
};

} // namespace Bench
