#include "shell/RemoteAccountAddition.h"

#include "cli/AccountCommands.h"
#include "core/LogicCore.h"
#include "transport/AbandonedConnectionTests.h"
#include "transport/ConnectionTestThread.h"

void RemoteAccountAddition::start(LogicCore& core, const NewAccountRequest& request,
                                  const std::string& password, InstanceServer::Reply reply,
                                  QObject* parent) {
    AccountCommands commands(core);
    const Logic::AccountSuggestion account = commands.newAccount(request, password);
    if (auto refused = commands.refusal(account)) {
        reply(*refused);
        return;
    }
    if (!request.test) {
        reply(commands.add(account, nullptr));
        return;
    }
    new RemoteAccountAddition(core, account, std::move(reply), parent);
}

RemoteAccountAddition::RemoteAccountAddition(LogicCore& core,
                                             const Logic::AccountSuggestion& account,
                                             InstanceServer::Reply reply, QObject* parent)
    : QObject(parent), m_core(core), m_account(account), m_reply(std::move(reply)),
      m_collector(account.connectionSettings,
                  core.serverPresets().refusalAdvice(account.connectionSettings.serverName()),
                  [this](const ConnectionTestResult& result) {
                      // On the test's thread; the adding belongs to the interface thread.
                      QMetaObject::invokeMethod(
                          this, [this, result] { finish(result); }, Qt::QueuedConnection);
                  }) {
    ConnectionTestListener& listener = m_collector;
    m_test = std::make_unique<ConnectionTestThread>(listener, account.connectionSettings);
    m_test->start();
}

RemoteAccountAddition::~RemoteAccountAddition() {
    // Closing must not wait on the network: a test still under way is left to end by itself.
    AbandonedConnectionTests::keep(std::move(m_test));
}

void RemoteAccountAddition::finish(const ConnectionTestResult& result) {
    AbandonedConnectionTests::keep(std::move(m_test)); // it has ended, but for its last steps
    m_reply(AccountCommands(m_core).add(m_account, &result));
    deleteLater();
}
