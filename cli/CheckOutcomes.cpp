#include "cli/CheckOutcomes.h"

#include "foundation/TextConversion.h"
#include "logic/Mail.h"

void CheckOutcomes::accountChecked(const std::string& emailAddress,
                                   const Logic::Account::MailList& newMails) {
    CheckReport::Account& outcome = m_outcomes[emailAddress];
    outcome.checked = true;
    for (const auto& mail : newMails)
        outcome.newMessages.push_back(
            {Norq::toNarrow(mail->sender()), Norq::toNarrow(mail->subject()), mail->received()});
}

void CheckOutcomes::accountFailed(const std::string& emailAddress, const CheckProblem& problem) {
    CheckReport::Account& outcome = m_outcomes[emailAddress];
    outcome.failure = problem.kind;
    outcome.reason = problem.reason;
}

CheckReport CheckOutcomes::report(const std::vector<AccountView>& accounts,
                                  const std::string& saveError) const {
    CheckReport report;
    if (!saveError.empty())
        report.saveFailure = saveError;
    for (const AccountView& account : accounts) {
        const auto found = m_outcomes.find(account.emailAddress);
        CheckReport::Account outcome =
            found != m_outcomes.end() ? found->second : CheckReport::Account{};
        outcome.email = account.emailAddress;
        outcome.unread = account.unread;
        report.accounts.push_back(std::move(outcome));
    }
    return report;
}
