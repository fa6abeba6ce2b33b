#pragma once

#include "core/CheckObserver.h"

class QObject;

/// Carries a check's events from the checker thread to an observer on the interface thread:
/// each event becomes a queued call handled there in the order it happened. Nothing waits for
/// the interface thread; a call still on its way when the context object goes is dropped. The
/// bridge's owner takes it off the checker before the context object goes.
class CheckEventBridge : public CheckObserver {
public:
    /// `target` is called on `context`'s thread and must live as long as `context`.
    CheckEventBridge(QObject* context, CheckObserver& target);

    void checkStarted(CheckId check) override;
    void accountStarting(const AccountCheckEntry& entry) override;
    void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) override;
    void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) override;
    void accountFinished(const AccountCheckEntry& entry) override;
    void checkFinished(CheckId check) override;

private:
    template <class Call> void post(Call&& call);

    QObject* m_context;
    CheckObserver& m_target;
};
