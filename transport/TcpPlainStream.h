#pragma once

#include "transport/TcpStream.h"

namespace Vusk {

class TcpPlainStream : public TcpStream {
public:
    /// The socket stays with its owner.
    explicit TcpPlainStream(int socket) : m_socket(socket) {}

    int write(const char* data, int length) override;
    int read(char* buffer, int capacity) override;
    int pending() override { return 0; }

private:
    int m_socket;
};

} // namespace Vusk
