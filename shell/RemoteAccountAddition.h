#pragma once

#include "cli/ConnectionTestCollector.h"
#include "cli/JobOutput.h"
#include "logic/AccountSuggestion.h"
#include "shell/InstanceServer.h"

#include <QObject>

#include <memory>

class ConnectionTestThread;
class LogicCore;

/// `velomar --add-account` asked of the running tray program: the connection test runs on a
/// thread of its own, and the account is added on the interface thread once it succeeded, and
/// the answer sent. It deletes itself once it has answered; when the program ends first, the
/// test is abandoned and the asking start hears that the program ended.
class RemoteAccountAddition : public QObject {
    Q_OBJECT
public:
    static void start(LogicCore& core, const NewAccountRequest& request,
                      const std::string& password, InstanceServer::Reply reply, QObject* parent);

    ~RemoteAccountAddition() override;

private:
    RemoteAccountAddition(LogicCore& core, const Logic::AccountSuggestion& account,
                          InstanceServer::Reply reply, QObject* parent);
    void finish(const ConnectionTestResult& result);

    LogicCore& m_core;
    Logic::AccountSuggestion m_account;
    InstanceServer::Reply m_reply;
    ConnectionTestCollector m_collector;
    std::unique_ptr<ConnectionTestThread> m_test;
};
