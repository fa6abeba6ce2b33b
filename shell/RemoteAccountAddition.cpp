#include "shell/RemoteAccountAddition.h"

#include "cli/AccountCommands.h"
#include "core/LogicCore.h"
#include "transport/AbandonedConnectionTests.h"
#include "transport/ConnectionTestThread.h"
#include "ui/KeyringTask.h"

void RemoteAccountAddition::start(LogicCore& core, const NewAccountRequest& request,
                                  const std::string& password, InstanceServer::Reply reply,
                                  QObject* parent) {
    AccountCommands commands(core);
    const Logic::AccountSuggestion account = commands.newAccount(request, password);
    if (auto refused = commands.refusal(account)) {
        reply(*refused);
        return;
    }
    new RemoteAccountAddition(core, account, request.test, std::move(reply), parent);
}

RemoteAccountAddition::RemoteAccountAddition(LogicCore& core,
                                             const Logic::AccountSuggestion& account, bool test,
                                             InstanceServer::Reply reply, QObject* parent)
    : QObject(parent), m_core(core), m_account(account), m_reply(std::move(reply)),
      m_collector(account.connectionSettings,
                  core.serverPresets().refusalAdvice(account.connectionSettings.serverName()),
                  [this](const ConnectionTestResult& result) {
                      // On the test's thread; the adding belongs to the interface thread.
                      QMetaObject::invokeMethod(
                          this, [this, result] { testEnded(result); }, Qt::QueuedConnection);
                  }) {
    connect(&m_placement, &QFutureWatcherBase::finished, this,
            [this] { finish(m_placement.result()); });
    if (!test) {
        placePassword();
        return;
    }
    ConnectionTestListener& listener = m_collector;
    m_test = std::make_unique<ConnectionTestThread>(listener, account.connectionSettings);
    m_test->start();
}

RemoteAccountAddition::~RemoteAccountAddition() {
    // Closing must not wait on the network: a test still under way is left to end by itself.
    AbandonedConnectionTests::keep(std::move(m_test));
}

void RemoteAccountAddition::testEnded(const ConnectionTestResult& result) {
    AbandonedConnectionTests::keep(std::move(m_test)); // it has ended, but for its last steps
    if (auto failure = AccountCommands::testFailure(result)) {
        m_reply(*failure);
        deleteLater();
        return;
    }
    m_testResult = result;
    placePassword();
}

void RemoteAccountAddition::placePassword() {
    m_placement.setFuture(onKeyringThread<PasswordPlacement>(
        m_core, [&core = m_core, settings = m_account.connectionSettings] {
            return placeNewAccountPassword(core, settings);
        }));
}

void RemoteAccountAddition::finish(const PasswordPlacement& placement) {
    m_reply(
        AccountCommands(m_core).add(m_account, m_testResult ? &*m_testResult : nullptr, placement));
    deleteLater();
}
