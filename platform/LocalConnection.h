#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace Platform {

/// The client end of a connection to a local socket (a Unix domain socket on Linux), with
/// blocking reads and writes.
class LocalConnection {
public:
    LocalConnection() = default;
    LocalConnection(const LocalConnection&) = delete;
    LocalConnection& operator=(const LocalConnection&) = delete;
    ~LocalConnection();

    /// Connects to the socket at `path`, waiting at most `patience` while its listener is too
    /// busy to take more; false when nothing listens there or the path is too long.
    bool connect(const std::string& path, std::chrono::milliseconds patience);
    /// Sends all of `bytes`; false when the connection broke.
    bool send(std::string_view bytes);
    /// Waits for the next bytes and appends them to `received`; false once the other end has
    /// closed the connection or it broke.
    bool receive(std::string& received);

private:
    void close();

    int m_fd = -1;
};

} // namespace Platform
