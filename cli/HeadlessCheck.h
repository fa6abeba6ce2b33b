#pragma once

#include "cli/CheckOutcomes.h"
#include "core/CheckModelUpdater.h"

#include <condition_variable>
#include <mutex>

class LogicCore;

/// One check of every account without any window, exactly as the timer would start it: the
/// model is updated and saved the same way, and what the check found is collected for printing.
class HeadlessCheck : public CheckObserver {
public:
    explicit HeadlessCheck(LogicCore& core);

    /// Starts the check, waits until it has ended, and reports it.
    CheckReport run();

    void checkStarted(CheckId) override {}
    void accountStarting(const AccountCheckEntry&) override {}
    void accountChecked(const AccountCheckEntry& entry, const CheckFindings& findings) override;
    void accountFailed(const AccountCheckEntry& entry, const CheckProblem& problem) override;
    void accountFinished(const AccountCheckEntry&) override {}
    void checkFinished(CheckId) override;

private:
    LogicCore& m_core;
    CheckModelUpdater m_updater;
    std::mutex m_mutex;
    std::condition_variable m_finishedSignal;
    bool m_finished = false;
    CheckOutcomes m_outcomes;
};
