#pragma once

#include "cli/ConnectionTestCollector.h"
#include "cli/JobOutput.h"
#include "core/PasswordPlacement.h"
#include "logic/AccountSuggestion.h"
#include "shell/InstanceServer.h"

#include <QFutureWatcher>
#include <QObject>

#include <memory>

class ConnectionTestThread;
class LogicCore;

/// `velomar --add-account` asked of the running tray program: the connection test runs on a
/// thread of its own, the password goes to the keyring on the keyring's thread, and the account
/// is added on the interface thread once both worked, and the answer sent. It deletes itself
/// once it has answered; when the program ends first, the test is abandoned and the asking
/// start hears that the program ended.
class RemoteAccountAddition : public QObject {
    Q_OBJECT
public:
    static void start(LogicCore& core, const NewAccountRequest& request,
                      const std::string& password, InstanceServer::Reply reply, QObject* parent);

    ~RemoteAccountAddition() override;

private:
    RemoteAccountAddition(LogicCore& core, const Logic::AccountSuggestion& account, bool test,
                          InstanceServer::Reply reply, QObject* parent);
    void testEnded(const ConnectionTestResult& result);
    void placePassword();
    void finish(const PasswordPlacement& placement);

    LogicCore& m_core;
    Logic::AccountSuggestion m_account;
    InstanceServer::Reply m_reply;
    ConnectionTestCollector m_collector;
    std::unique_ptr<ConnectionTestThread> m_test;
    std::optional<ConnectionTestResult> m_testResult;
    QFutureWatcher<PasswordPlacement> m_placement;
};
