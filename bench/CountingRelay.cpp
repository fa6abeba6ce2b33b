#include "bench/CountingRelay.h"

#include <algorithm>
#include <arpa/inet.h>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace Bench {
namespace {

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Small POP3 writes must not wait for Nagle's algorithm, or the relay would add delays that
// the direct connection does not have.
void noDelay(int socket) {
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool sendAll(int socket, const char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t sent = ::send(socket, bytes, length, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

} // namespace

int WireCounts::commandCount() const {
    int total = 0;
    for (const auto& [verb, count] : commands)
        total += count;
    return total;
}

int WireCounts::count(const std::string& verb) const {
    const auto found = commands.find(verb);
    return found == commands.end() ? 0 : found->second;
}

CountingRelay::CountingRelay(std::uint16_t serverPort, std::chrono::milliseconds delay,
                             std::vector<std::string> hidden)
    : m_serverPort(serverPort), m_delay(delay), m_hidden(std::move(hidden)) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 4) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        if (m_listener >= 0)
            ::close(m_listener);
        throw std::runtime_error("the counting relay cannot listen");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

CountingRelay::~CountingRelay() {
    // A full pipe would already wake the relay; nothing to do if the write fails.
    [[maybe_unused]] const ssize_t ignored = ::write(m_stopPipe[1], "x", 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
}

WireCounts CountingRelay::takeCounts() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy; });
    WireCounts counts = std::move(m_counts);
    m_counts = {};
    return counts;
}

void CountingRelay::serve() {
    for (;;) {
        pollfd waits[2] = {{m_listener, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0)
            continue;
        if (waits[1].revents != 0)
            return;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        {
            std::lock_guard lock(m_mutex);
            m_busy = true;
        }
        relay(client);
        ::close(client);
        std::lock_guard lock(m_mutex);
        m_busy = false;
        m_idle.notify_all();
    }
}

void CountingRelay::relay(int client) {
    using Clock = std::chrono::steady_clock;
    struct Held {
        Clock::time_point due;
        std::string bytes;
    };
    // The connection request travels to the server like any byte.
    pollfd stopWait{m_stopPipe[0], POLLIN, 0};
    if (::poll(&stopWait, 1, static_cast<int>(m_delay.count())) != 0)
        return;
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(m_serverPort);
    if (server < 0 ||
        ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (server >= 0)
            ::close(server);
        return;
    }
    noDelay(client);
    noDelay(server);
    std::deque<Held> toServer;
    std::deque<Held> toClient;
    char buffer[65536];
    bool clientOpen = true;
    bool serverOpen = true;
    bool clientSpoke = true; // connecting is the client's first word
    // Either side closing ends the conversation once what it sent has been passed on: a POP3
    // server hangs up after QUIT, and a client that hangs up first has nothing more to say.
    for (;;) {
        const auto now = Clock::now();
        for (auto [queue, to] : {std::pair{&toServer, server}, std::pair{&toClient, client}}) {
            while (!queue->empty() && queue->front().due <= now) {
                sendAll(to, queue->front().bytes.data(), queue->front().bytes.size());
                queue->pop_front();
            }
        }
        if ((!clientOpen && toServer.empty()) || (!serverOpen && toClient.empty()))
            break;
        int wait = -1;
        for (const auto* queue : {&toServer, &toClient}) {
            if (!queue->empty()) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(queue->front().due - now).count();
                wait = wait < 0 ? static_cast<int>(left) : std::min(wait, static_cast<int>(left));
            }
        }
        pollfd waits[3] = {{clientOpen ? client : -1, POLLIN, 0},
                           {serverOpen ? server : -1, POLLIN, 0},
                           {m_stopPipe[0], POLLIN, 0}};
        if (::poll(waits, 3, wait) < 0)
            continue;
        if (waits[2].revents != 0)
            break;
        const auto arrived = Clock::now();
        if (waits[0].revents != 0) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                clientOpen = false;
            } else {
                // Counted before it is passed on, so the counts are complete by the time the
                // client has its answer.
                countCommands(buffer, static_cast<std::size_t>(got));
                clientSpoke = true;
                toServer.push_back(
                    {arrived + m_delay, std::string(buffer, static_cast<std::size_t>(got))});
            }
        }
        if (waits[1].revents != 0) {
            const ssize_t got = ::recv(server, buffer, sizeof buffer, 0);
            if (got <= 0) {
                serverOpen = false;
            } else {
                {
                    std::lock_guard lock(m_mutex);
                    m_counts.bytesReceived += static_cast<std::size_t>(got);
                    if (std::exchange(clientSpoke, false))
                        ++m_counts.roundTrips;
                }
                toClient.push_back(
                    {arrived + m_delay, passOn(buffer, static_cast<std::size_t>(got))});
            }
        }
    }
    ::close(server);
    std::lock_guard lock(m_mutex);
    m_partialLine.clear();
    m_serverLine.clear();
}

void CountingRelay::countCommands(const char* bytes, std::size_t length) {
    std::lock_guard lock(m_mutex);
    m_partialLine.append(bytes, length);
    std::size_t start = 0;
    for (std::size_t end = m_partialLine.find('\n'); end != std::string::npos;
         end = m_partialLine.find('\n', start)) {
        const std::string line = m_partialLine.substr(start, end - start);
        ++m_counts.commands[line.substr(0, line.find_first_of(" \r"))];
        start = end + 1;
    }
    m_partialLine.erase(0, start);
}

std::string CountingRelay::passOn(const char* bytes, std::size_t length) {
    if (m_hidden.empty())
        return std::string(bytes, length);
    m_serverLine.append(bytes, length);
    std::string out;
    std::size_t start = 0;
    for (std::size_t end = m_serverLine.find('\n'); end != std::string::npos;
         end = m_serverLine.find('\n', start)) {
        const std::string_view line(m_serverLine.data() + start, end + 1 - start);
        const std::string_view name = line.substr(0, line.size() - 2);
        if (std::find(m_hidden.begin(), m_hidden.end(), name) == m_hidden.end())
            out += line;
        start = end + 1;
    }
    m_serverLine.erase(0, start);
    return out;
}

} // namespace Bench
