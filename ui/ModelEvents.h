#pragma once

#include "core/CheckObserver.h"
#include "core/ModelObserver.h"

#include <QObject>

#include <string>

class LogicCore;

/// The model's events as signals on the interface thread, for the window, the pages and the
/// tray to connect to: what the user's actions change (this object is the core's model
/// observer while it lives) and a check's progress (through `checkObserver()`, which a
/// CheckModelUpdater passes them on to). A check's events come from its checker threads and
/// are carried over as queued calls, in the order they happened; nothing waits for the
/// interface thread, and an event still on its way when this object goes is dropped. The owner
/// takes `checkObserver()` off the checks before this object goes.
class ModelEvents : public QObject, private ModelObserver {
    Q_OBJECT
public:
    using CheckId = CheckObserver::CheckId;

    explicit ModelEvents(LogicCore& core, QObject* parent = nullptr);
    ~ModelEvents() override;

    CheckObserver& checkObserver() { return m_bridge; }

Q_SIGNALS:
    /// The check's accounts are Pending now (or still being checked by another check).
    void checkStarted(ModelEvents::CheckId check);
    void accountStarting(const std::string& emailAddress);
    /// The check read the mailbox (see CheckFindings); the ids it has seen are not carried.
    void accountChecked(const std::string& emailAddress, const CheckFindings& findings);
    void accountFailed(const std::string& emailAddress, const CheckProblem& problem);
    void accountFinished(const std::string& emailAddress);
    void checkFinished(ModelEvents::CheckId check);

    void accountAdded(const std::string& emailAddress);
    void accountRemoved(const std::string& emailAddress);
    /// The account's settings were replaced; `reachedAnew` when server, port, TLS, login or
    /// password changed.
    void accountChanged(const std::string& emailAddress, bool reachedAnew);
    /// The unread messages changed: some were marked read, or a check brought new ones.
    void unreadChanged();
    /// A user action changed the model; `saved` tells whether the data file holds the change.
    void modelSaved(bool saved);

private:
    /// Carries a check's events over to the interface thread.
    class Bridge : public CheckObserver {
    public:
        explicit Bridge(ModelEvents& events) : m_events(events) {}
        void checkStarted(CheckId check) override;
        void accountStarting(const AccountCheckEntry& entry) override;
        void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) override;
        void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) override;
        void accountFinished(const AccountCheckEntry& entry) override;
        void checkFinished(CheckId check) override;

    private:
        /// Emits on the interface thread what `emitter` emits.
        template <class Emitter> void post(Emitter&& emitter);

        ModelEvents& m_events;
    };

    void modelChanged(const ModelChange& change) override;

    LogicCore& m_core;
    Bridge m_bridge{*this};
};
