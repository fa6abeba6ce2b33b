#include "ui/ModelEvents.h"

#include "core/LogicCore.h"
#include "transport/AccountCheckEntry.h"

#include <QMetaObject>

ModelEvents::ModelEvents(LogicCore& core, QObject* parent) : QObject(parent), m_core(core) {
    m_core.setModelObserver(this);
}

ModelEvents::~ModelEvents() {
    m_core.setModelObserver(nullptr);
}

void ModelEvents::modelChanged(const ModelChange& change) {
    const bool saved = change.result == ActionResult::Saved;
    switch (change.kind) {
    case ModelChange::Kind::AccountAdded:
        Q_EMIT accountAdded(change.emailAddress);
        break;
    case ModelChange::Kind::AccountRemoved:
        // An account that could not be saved away is still there.
        if (saved)
            Q_EMIT accountRemoved(change.emailAddress);
        break;
    case ModelChange::Kind::AccountEdited:
    case ModelChange::Kind::AccountReachedAnew:
        Q_EMIT accountChanged(change.emailAddress,
                              change.kind == ModelChange::Kind::AccountReachedAnew);
        break;
    case ModelChange::Kind::Unread:
        Q_EMIT unreadChanged();
        break;
    }
    Q_EMIT modelSaved(saved);
}

template <class Emitter> void ModelEvents::Bridge::post(Emitter&& emitter) {
    QMetaObject::invokeMethod(
        &m_events,
        [events = &m_events, emitter = std::forward<Emitter>(emitter)] { emitter(*events); },
        Qt::QueuedConnection);
}

void ModelEvents::Bridge::checkStarted(CheckId check) {
    post([check](ModelEvents& events) { Q_EMIT events.checkStarted(check); });
}

void ModelEvents::Bridge::accountStarting(const AccountCheckEntry& entry) {
    post([address = entry.connectionSettings.emailAddress()](ModelEvents& events) {
        Q_EMIT events.accountStarting(address);
    });
}

void ModelEvents::Bridge::accountChecked(const AccountCheckEntry& entry,
                                         const CheckFindings& findings) {
    // The interface thread needs no message ids: a few thousand of them are not copied.
    // An IMAP check may also take messages read elsewhere off the list.
    post([address = entry.connectionSettings.emailAddress(),
          findings = CheckFindings{findings.newMails, {}, findings.cut, std::nullopt},
          imap = findings.imap.has_value()](ModelEvents& events) {
        Q_EMIT events.accountChecked(address, findings);
        if (!findings.newMails.empty() || imap)
            Q_EMIT events.unreadChanged();
    });
}

void ModelEvents::Bridge::accountFailed(const AccountCheckEntry& entry,
                                        const CheckProblem& problem) {
    post([address = entry.connectionSettings.emailAddress(), problem](ModelEvents& events) {
        Q_EMIT events.accountFailed(address, problem);
    });
}

void ModelEvents::Bridge::accountFinished(const AccountCheckEntry& entry) {
    post([address = entry.connectionSettings.emailAddress()](ModelEvents& events) {
        Q_EMIT events.accountFinished(address);
    });
}

void ModelEvents::Bridge::checkFinished(CheckId check) {
    post([check](ModelEvents& events) { Q_EMIT events.checkFinished(check); });
}
