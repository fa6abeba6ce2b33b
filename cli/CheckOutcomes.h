#pragma once

#include "cli/CheckReport.h"
#include "core/ModelReader.h"

#include <map>
#include <string>
#include <vector>

/// What one check found, account by account, gathered from its events. Not locked: its user
/// keeps it on one thread or guards it.
class CheckOutcomes {
public:
    void clear() { m_outcomes.clear(); }
    void accountChecked(const std::string& emailAddress, const Logic::Account::MailList& newMails);
    void accountFailed(const std::string& emailAddress, const CheckProblem& problem);

    /// The report over the accounts as they are now, in their order, with their unread counts;
    /// an account the check did not reach counts as not checked. `saveError` says why what the
    /// check found could not be saved; empty when it was.
    CheckReport report(const std::vector<AccountView>& accounts,
                       const std::string& saveError) const;

private:
    std::map<std::string, CheckReport::Account> m_outcomes;
};
