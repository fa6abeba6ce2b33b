#pragma once

#include "foundation/TextConversion.h"
#include "logic/Mail.h"
#include "tests/support/EventLog.h"
#include "transport/AccountCheckEntry.h"
#include "transport/MailCheckListener.h"

#include <mutex>
#include <string>
#include <vector>

namespace TestTransport {

// Writes down every call, and lets the test wait for the end of the run.
class RecordingListener : public MailCheckListener {
public:
    void accountChecked(const AccountCheckEntry&, const CheckFindings& findings) override {
        std::string subjects;
        for (const auto& mail : findings.newMails) {
            if (!subjects.empty())
                subjects += ',';
            subjects += Norq::toNarrow(mail->subject());
        }
        record(std::string(findings.cut ? "cut [" : "checked [") + subjects + "]");
        std::lock_guard lock(m_mutex);
        m_lastSeen = findings.seen;
    }
    void accountFailed(const AccountCheckEntry&, const CheckProblem& problem) override {
        {
            std::lock_guard lock(m_mutex);
            m_lastProblem = problem;
        }
        record(std::string("failed ") + failureName(problem.kind));
    }
    void accountFinished(const AccountCheckEntry& entry) override {
        record("finished " + entry.connectionSettings.emailAddress());
    }
    void accountStarting(const AccountCheckEntry& entry) override {
        record("starting " + entry.connectionSettings.emailAddress());
    }
    void checkFinished() override { record("done"); }

    std::vector<std::string> waitForEnd() { return m_log.waitFor("done"); }
    /// The problem of the latest failure.
    CheckProblem lastProblem() {
        std::lock_guard lock(m_mutex);
        return m_lastProblem;
    }
    /// The seen ids of the latest account checked.
    Logic::SeenMessages lastSeen() {
        std::lock_guard lock(m_mutex);
        return m_lastSeen;
    }

private:
    void record(std::string call) { m_log.record(std::move(call)); }

    TestSupport::EventLog m_log;
    std::mutex m_mutex;
    CheckProblem m_lastProblem;
    Logic::SeenMessages m_lastSeen;
};

} // namespace TestTransport
