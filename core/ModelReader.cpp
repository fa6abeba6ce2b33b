#include "core/ModelReader.h"

#include "core/LogicCore.h"

namespace {

AccountView viewOf(const Logic::Account& account) {
    const Logic::ConnectionSettings& settings = account.connectionSettings();
    return {settings.emailAddress(),
            account.status(),
            account.mails().size(),
            settings.serverName(),
            settings.port(),
            settings.useTls(),
            account.failureReason(),
            account.failuresInARow(),
            settings.passwordPlace() == Logic::ConnectionSettings::PasswordPlace::Keyring,
            settings.protocol() == Logic::ConnectionSettings::Protocol::Imap};
}

} // namespace

template <class Read> auto ModelReader::read(Read&& reader) const {
    Logic::AccountMgr& manager = m_core.accountMgr();
    std::lock_guard lock(manager.accountLock());
    return reader(manager);
}

std::vector<AccountView> ModelReader::accounts() const {
    return read([](const Logic::AccountMgr& manager) {
        std::vector<AccountView> views;
        for (const Logic::Account& account : manager.accounts())
            views.push_back(viewOf(account));
        return views;
    });
}

std::optional<AccountView> ModelReader::account(std::string_view emailAddress) const {
    return read([&](const Logic::AccountMgr& manager) -> std::optional<AccountView> {
        if (const Logic::Account* account = manager.findByEmail(emailAddress))
            return viewOf(*account);
        return std::nullopt;
    });
}

std::optional<AccountSettingsCopy>
ModelReader::accountSettings(std::string_view emailAddress) const {
    return read([&](const Logic::AccountMgr& manager) -> std::optional<AccountSettingsCopy> {
        if (const Logic::Account* account = manager.findByEmail(emailAddress))
            return AccountSettingsCopy{account->connectionSettings(), account->preferences()};
        return std::nullopt;
    });
}

Logic::Account::MailList ModelReader::unreadMails() const {
    return read([](const Logic::AccountMgr& manager) {
        Logic::Account::MailList mails;
        for (const Logic::Account& account : manager.accounts())
            mails.insert(mails.end(), account.mails().begin(), account.mails().end());
        return mails;
    });
}

std::size_t ModelReader::unreadCount() const {
    return read([](const Logic::AccountMgr& manager) {
        std::size_t count = 0;
        for (const Logic::Account& account : manager.accounts())
            count += account.mails().size();
        return count;
    });
}

std::optional<std::string> ModelReader::accountOfMail(const Logic::Mail& mail) const {
    return read([&](const Logic::AccountMgr& manager) -> std::optional<std::string> {
        if (const Logic::Account* account = manager.findAccountOfMail(mail))
            return account->connectionSettings().emailAddress();
        return std::nullopt;
    });
}

std::string removalQuestion(const AccountView& account) {
    const std::string messages =
        account.unread == 1  ? " and its 1 unread message"
        : account.unread > 1 ? " and its " + std::to_string(account.unread) + " unread messages"
                             : std::string();
    return "Remove " + account.emailAddress + messages + "?";
}
