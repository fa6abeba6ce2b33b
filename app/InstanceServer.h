#pragma once

#include "app/CommandLineJob.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

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

    InstanceServer(QString socketPath, Handler handler, QObject* parent = nullptr);

    /// Replaces a socket left by a crashed run (the caller holds the instance lock, so no
    /// live program owns it). False when the socket cannot be made; the program then runs
    /// without it, and later starts cannot reach it.
    bool listen();

private:
    void serve(QLocalSocket* connection);

    QString m_socketPath;
    Handler m_handler;
    QLocalServer* m_server;
};
