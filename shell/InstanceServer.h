#pragma once

#include "cli/JobOutput.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QTimer;

/// The tray program's end of the local socket: reads each request a later start sends and
/// answers it once the handler has the result, which may take as long as a check.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    /// Safe to call at any time, also after the asking program has gone.
    using Reply = std::function<void(const JobOutput&)>;
    /// `input` is what the asking start read before it asked (a password), never an argument.
    using Handler = std::function<void(const std::vector<std::string>& arguments,
                                       const std::string& input, Reply reply)>;

    struct Limits {
        /// Connections served at the same time; one more is closed at once, unread.
        int connections = 32;
        /// Between tries to listen again after the socket stopped listening.
        std::chrono::milliseconds retryDelay{2000};
        /// A start that connects but does not finish its request is dropped after this long.
        std::chrono::milliseconds requestTimeout{10000};
    };

    InstanceServer(QString socketPath, Handler handler, QObject* parent = nullptr);
    InstanceServer(QString socketPath, Handler handler, Limits limits, QObject* parent = nullptr);

    /// Replaces a socket left by a crashed run (the caller holds the instance lock, so no
    /// live program owns it). False when the socket cannot be made; the program then runs
    /// without it, and later starts cannot reach it. Once listening, it keeps listening: when
    /// the socket stops (no file descriptor left to accept with, say), it listens again.
    bool listen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void serve(QLocalSocket* connection);
    void listenAgain();

    QString m_socketPath;
    Handler m_handler;
    Limits m_limits;
    QLocalServer* m_server;
    QTimer* m_retry;
    int m_connections = 0;
    bool m_wanted = false;
    bool m_reported = false;
};
