#include "app/CheckEventBridge.h"

#include "transport/AccountCheckEntry.h"

#include <QMetaObject>
#include <QObject>

CheckEventBridge::CheckEventBridge(QObject* context, CheckObserver& target)
    : m_context(context), m_target(target) {}

namespace {

// The interface thread needs no message ids: a few thousand of them are not copied per event.
AccountCheckEntry withoutIds(const AccountCheckEntry& entry) {
    return {entry.connectionSettings, entry.newestKnown, {}};
}

} // namespace

template <class Call> void CheckEventBridge::post(Call&& call) {
    QMetaObject::invokeMethod(
        m_context, [target = &m_target, call = std::forward<Call>(call)] { call(*target); },
        Qt::QueuedConnection);
}

void CheckEventBridge::checkStarted(CheckId check) {
    post([check](CheckObserver& target) { target.checkStarted(check); });
}

void CheckEventBridge::accountStarting(const AccountCheckEntry& entry) {
    post([entry = withoutIds(entry)](CheckObserver& target) { target.accountStarting(entry); });
}

void CheckEventBridge::accountChecked(const AccountCheckEntry& entry,
                                      const CheckFindings& findings) {
    post([entry = withoutIds(entry), findings = CheckFindings{findings.newMails, {}, findings.cut}](
             CheckObserver& target) { target.accountChecked(entry, findings); });
}

void CheckEventBridge::accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) {
    post([entry = withoutIds(entry), problem](CheckObserver& target) {
        target.accountFailed(entry, problem);
    });
}

void CheckEventBridge::accountFinished(const AccountCheckEntry& entry) {
    post([entry = withoutIds(entry)](CheckObserver& target) { target.accountFinished(entry); });
}

void CheckEventBridge::checkFinished(CheckId check) {
    post([check](CheckObserver& target) { target.checkFinished(check); });
}
