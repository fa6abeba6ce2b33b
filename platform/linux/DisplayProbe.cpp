#include "platform/DisplayProbe.h"

#include "platform/Environment.h"

#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Platform {
namespace {

// A connection that is accepted and closed at once: the server sees a client that left.
bool acceptsConnection(int family, const sockaddr* address, socklen_t length) {
    const int socket = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool connected = ::connect(socket, address, length) == 0;
    ::close(socket);
    return connected;
}

// A name that does not fit a socket address answers nothing. `abstract` looks in the
// abstract namespace, where an X server also listens.
bool localSocketAnswers(const std::string& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + 1);
    return acceptsConnection(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length);
}

bool tcpAnswers(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return false;
    bool answers = false;
    for (const addrinfo* at = found; at != nullptr && !answers; at = at->ai_next)
        answers = acceptsConnection(at->ai_family, at->ai_addr, at->ai_addrlen);
    ::freeaddrinfo(found);
    return answers;
}

} // namespace

DisplayProbe probeX11Display() {
    DisplayProbe probe;
    probe.name = environmentVariable("DISPLAY").value_or("");
    const auto colon = probe.name.rfind(':');
    if (colon == std::string::npos)
        return probe;
    const std::string host = probe.name.substr(0, colon);
    // ":0.1" is screen 1 of display 0.
    const std::string display =
        probe.name.substr(colon + 1, probe.name.find('.', colon) - colon - 1);
    if (display.empty() || display.find_first_not_of("0123456789") != std::string::npos ||
        display.size() > 4)
        return probe;
    if (host.empty() || host == "unix") {
        probe.place = "/tmp/.X11-unix/X" + display;
        probe.answers =
            localSocketAnswers(probe.place, false) || localSocketAnswers(probe.place, true);
    } else {
        const int port = 6000 + std::stoi(display);
        probe.place = host + " port " + std::to_string(port);
        probe.answers = tcpAnswers(host, port);
    }
    return probe;
}

DisplayProbe probeWaylandDisplay() {
    DisplayProbe probe;
    probe.name = environmentVariable("WAYLAND_DISPLAY").value_or("");
    if (probe.name.empty())
        return probe;
    probe.place = probe.name.front() == '/'
                      ? probe.name
                      : environmentVariable("XDG_RUNTIME_DIR").value_or("") + "/" + probe.name;
    probe.answers = localSocketAnswers(probe.place, false);
    return probe;
}

} // namespace Platform
