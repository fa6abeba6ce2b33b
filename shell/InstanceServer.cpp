#include "shell/InstanceServer.h"

#include "cli/InstanceProtocol.h"
#include "foundation/Reporter.h"

#include <QEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace {

enum class Owner { Nobody, Another, Unknown };

// Who answers on the socket: nobody (no file, or one left without a listener), another
// program, or unknown when this one cannot even try (no file descriptor left, say).
Owner socketOwner(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path); // a local connection is made, or refused, at once
    if (probe.state() != QLocalSocket::UnconnectedState)
        return Owner::Another;
    switch (probe.error()) {
    case QLocalSocket::ServerNotFoundError:
    case QLocalSocket::ConnectionRefusedError:
        return Owner::Nobody;
    default:
        return Owner::Unknown;
    }
}

} // namespace

InstanceServer::InstanceServer(QString socketPath, Handler handler, QObject* parent)
    : InstanceServer(std::move(socketPath), std::move(handler), Limits{}, parent) {}

InstanceServer::InstanceServer(QString socketPath, Handler handler, Limits limits, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath)), m_handler(std::move(handler)),
      m_limits(limits), m_server(new QLocalServer(this)), m_retry(new QTimer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->installEventFilter(this);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection()) {
            if (m_connections < m_limits.connections) {
                serve(connection);
                continue;
            }
            // Closed unread: connections nobody ends must not use up the file descriptors
            // that later requests, and the listening socket itself, need.
            connection->abort();
            delete connection;
        }
    });
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &InstanceServer::listenAgain);
}

bool InstanceServer::listen() {
    QLocalServer::removeServer(m_socketPath);
    m_wanted = m_server->listen(m_socketPath);
    return m_wanted;
}

bool InstanceServer::eventFilter(QObject* watched, QEvent* event) {
    // When an accept fails (no file descriptor left, say), QLocalServer closes its socket and
    // says nothing; what shows is the notifier it listened with going away.
    if (watched == m_server && event->type() == QEvent::ChildRemoved && m_wanted &&
        m_server->socketDescriptor() == -1 && !m_retry->isActive())
        m_retry->start(0); // not from inside the notifier's destruction
    return false;
}

void InstanceServer::listenAgain() {
    if (!m_wanted || m_server->socketDescriptor() != -1)
        return;
    QString failure = m_server->errorString();
    switch (socketOwner(m_socketPath)) {
    case Owner::Another:
        // Its socket is left alone: later starts reach that program instead.
        m_wanted = false;
        Norq::report("Desktop", "another program took over the local socket",
                     m_socketPath.toStdString());
        return;
    case Owner::Nobody:
        // Forgets the socket that stopped; the file this removes is one nobody answers on.
        m_server->close();
        if (m_server->listen(m_socketPath)) {
            m_reported = false;
            return;
        }
        failure = m_server->errorString();
        break;
    case Owner::Unknown:
        break;
    }
    if (!m_reported) {
        m_reported = true;
        Norq::report("Desktop", "the local socket stopped listening; trying again",
                     m_socketPath.toStdString() + ": " + failure.toStdString());
    }
    m_retry->start(m_limits.retryDelay);
}

void InstanceServer::serve(QLocalSocket* connection) {
    connection->setParent(this);
    ++m_connections;
    connect(connection, &QObject::destroyed, this, [this] { --m_connections; });
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    auto* timeout = new QTimer(connection);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, connection, &QLocalSocket::abort);
    timeout->start(m_limits.requestTimeout);

    const QPointer<QLocalSocket> guarded(connection);
    const Reply reply = [guarded](const JobOutput& output) {
        if (guarded == nullptr)
            return;
        guarded->write(QByteArray::fromStdString(InstanceProtocol::encodeReply(output)));
        guarded->disconnectFromServer(); // after the written bytes have gone out
    };
    auto received = std::make_shared<std::string>();
    connect(connection, &QLocalSocket::readyRead, connection, [=, this] {
        if (!timeout->isActive())
            return; // the request is complete; anything more is ignored
        *received += connection->readAll().toStdString();
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
