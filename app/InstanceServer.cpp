#include "app/InstanceServer.h"

#include "app/InstanceProtocol.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace {

// A start that connects but never finishes its request is dropped after this long.
constexpr int kRequestTimeoutMs = 10000;

} // namespace

InstanceServer::InstanceServer(QString socketPath, Handler handler, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)), m_handler(std::move(handler)),
      m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection())
            serve(connection);
    });
}

bool InstanceServer::listen() {
    QLocalServer::removeServer(m_socketPath);
    return m_server->listen(m_socketPath);
}

void InstanceServer::serve(QLocalSocket* connection) {
    connection->setParent(this);
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    auto* timeout = new QTimer(connection);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, connection, &QLocalSocket::abort);
    timeout->start(kRequestTimeoutMs);

    const QPointer<QLocalSocket> guarded(connection);
    const Reply reply = [guarded](const JobOutput& output) {
        if (guarded == nullptr)
            return;
        guarded->write(InstanceProtocol::encodeReply(output));
        guarded->disconnectFromServer(); // after the written bytes have gone out
    };
    auto received = std::make_shared<QByteArray>();
    connect(connection, &QLocalSocket::readyRead, connection, [=, this] {
        if (!timeout->isActive())
            return; // the request is complete; anything more is ignored
        *received += connection->readAll();
        InstanceProtocol::Request request = InstanceProtocol::decodeRequest(*received);
        if (request.state == InstanceProtocol::Request::State::Incomplete &&
            received->size() > InstanceProtocol::kMaxRequestSize)
            request.state = InstanceProtocol::Request::State::Invalid;
        switch (request.state) {
        case InstanceProtocol::Request::State::Incomplete:
            return;
        case InstanceProtocol::Request::State::Invalid:
            timeout->stop();
            reply({2, {}, "velomar: the running Quorvex Velomar could not read the request\n"});
            return;
        case InstanceProtocol::Request::State::Complete:
            timeout->stop();
            received->clear();
            m_handler(request.arguments, request.input, reply);
            return;
        }
    });
}
