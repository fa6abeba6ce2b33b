#pragma once

#include "foundation/TextConversion.h"
#include "logic/Mail.h"
#include "tests/support/EventLog.h"
#include "transport/AccountCheckEntry.h"
#include "transport/MailCheckListener.h"

#include <string>
#include <vector>

namespace TestTransport {

// Writes down every call, and lets the test wait for the end of the run.
class RecordingListener : public MailCheckListener {
public:
    void accountChecked(const AccountCheckEntry&, const Logic::Account::MailList& mails) override {
        std::string subjects;
        for (const auto& mail : mails) {
            if (!subjects.empty())
                subjects += ',';
            subjects += Norq::toNarrow(mail->subject());
        }
        record("checked [" + subjects + "]");
    }
    void accountFailed(const AccountCheckEntry&, CheckFailure failure) override {
        record(failure == CheckFailure::Login    ? "failed login"
               : failure == CheckFailure::Tls    ? "failed tls"
               : failure == CheckFailure::Server ? "failed server"
                                                 : "failed connect");
    }
    void accountFinished(const AccountCheckEntry& entry) override {
        record("finished " + entry.connectionSettings.emailAddress());
    }
    void accountStarting(const AccountCheckEntry& entry) override {
        record("starting " + entry.connectionSettings.emailAddress());
    }
    void checkFinished() override { record("done"); }

    std::vector<std::string> waitForEnd() { return m_log.waitFor("done"); }

private:
    void record(std::string call) { m_log.record(std::move(call)); }

    TestSupport::EventLog m_log;
};

} // namespace TestTransport
