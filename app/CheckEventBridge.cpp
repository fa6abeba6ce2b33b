#include "app/CheckEventBridge.h"

#include "transport/AccountCheckEntry.h"

#include <QMetaObject>
#include <QObject>

CheckEventBridge::CheckEventBridge(QObject* context, CheckObserver& target)
    : m_context(context), m_target(target) {}

template <class Call> void CheckEventBridge::post(Call&& call) {
    QMetaObject::invokeMethod(
        m_context, [target = &m_target, call = std::forward<Call>(call)] { call(*target); },
        Qt::QueuedConnection);
}

void CheckEventBridge::checkStarted() {
    post([](CheckObserver& target) { target.checkStarted(); });
}

void CheckEventBridge::accountStarting(const AccountCheckEntry& entry) {
    post([entry](CheckObserver& target) { target.accountStarting(entry); });
}

void CheckEventBridge::accountChecked(const AccountCheckEntry& entry,
                                      const Logic::Account::MailList& newMails) {
    post([entry, newMails](CheckObserver& target) { target.accountChecked(entry, newMails); });
}

void CheckEventBridge::accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) {
    post([entry, problem](CheckObserver& target) { target.accountFailed(entry, problem); });
}

void CheckEventBridge::accountFinished(const AccountCheckEntry& entry) {
    post([entry](CheckObserver& target) { target.accountFinished(entry); });
}

void CheckEventBridge::checkFinished() {
    post([](CheckObserver& target) { target.checkFinished(); });
}
