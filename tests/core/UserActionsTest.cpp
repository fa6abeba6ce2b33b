// The user's changes to the model: each one saved at once, refused ones changing nothing, and a
// save that fails reported without losing the change (or, for a removal, the account).
#include "core/UserActions.h"
#include "core/LogicCore.h"
#include "core/ModelReader.h"
#include "logic/Mail.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<Logic::Mail> mail(const std::string& account, const std::string& subject) {
    return std::make_shared<Logic::Mail>(
        account,
        "Received: by mx; Mon, 7 Dec 2026 10:00:00 +0000\r\nSubject: " + subject + "\r\n\r\n.\r\n");
}

std::unique_ptr<Logic::Account> account(const std::string& email,
                                        std::vector<std::string> subjects = {}) {
    auto account = std::make_unique<Logic::Account>();
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(email);
    account->setConnectionSettings(settings);
    Logic::Account::MailList mails;
    for (const auto& subject : subjects)
        mails.push_back(mail(email, subject));
    account->mergeNewMails(mails);
    return account;
}

std::vector<std::u16string> subjects(LogicCore& core) {
    std::vector<std::u16string> found;
    for (const auto& held : ModelReader(core).unreadMails())
        found.push_back(held->subject());
    return found;
}

class UserActionsTest : public testing::Test {
protected:
    UserActionsTest() {
        EXPECT_EQ(actions.addAccount(account("a@example.org", {"a1", "a2"})), ActionResult::Saved);
        EXPECT_EQ(actions.addAccount(account("b@example.org", {"b1"})), ActionResult::Saved);
    }

    // What the data file holds: a second core reads it.
    std::unique_ptr<LogicCore> reload() {
        return std::make_unique<LogicCore>(home.dataFolder(), std::filesystem::path());
    }
    // The next saves fail: a file stands where the data folder was.
    void breakTheDataFolder() {
        std::filesystem::remove_all(home.dataFolder() / "data");
        TestSupport::writeFile(home.dataFolder() / "data", "not a folder");
    }

    TestSupport::TempHome home;
    TestSupport::StderrCapture quiet;
    LogicCore core{home.dataFolder(), {}};
    UserActions actions{core};
};

} // namespace

TEST_F(UserActionsTest, MarkingReadRemovesExactlyThoseMessagesAndSaves) {
    const auto unread = ModelReader(core).unreadMails();
    ASSERT_EQ(unread.size(), 3u);
    EXPECT_EQ(actions.markRead({unread[0].get(), unread[2].get()}), ActionResult::Saved);
    EXPECT_EQ(subjects(*reload()), std::vector<std::u16string>{u"a2"});

    EXPECT_EQ(actions.clearAccountMails("nobody@example.org"), ActionResult::NoSuchAccount);
    EXPECT_EQ(actions.clearAccountMails("a@example.org"), ActionResult::Saved);
    EXPECT_TRUE(subjects(*reload()).empty());

    EXPECT_EQ(actions.addAccount(account("a@example.org", {"again"})), ActionResult::AddressTaken);
    EXPECT_EQ(ModelReader(core).accounts().size(), 2u);
}

TEST_F(UserActionsTest, ReplacingSettingsKeepsTheAddressAndAFailedSaveKeepsTheChange) {
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("changed@example.org");
    settings.setServerName("pop.example.org");
    Logic::AccountPreferences preferences;
    preferences.setReadMailAction(Logic::ReadMailAction::OpenUrl);
    EXPECT_EQ(actions.replaceAccountSettings("a@example.org", settings, preferences),
              ActionResult::Saved);
    const auto copy = ModelReader(*reload()).accountSettings("a@example.org");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->connectionSettings.serverName(), "pop.example.org");
    EXPECT_EQ(copy->preferences, preferences);

    breakTheDataFolder();
    EXPECT_EQ(actions.markAllRead(), ActionResult::NotSaved);
    EXPECT_TRUE(subjects(core).empty());
    EXPECT_EQ(core.saveError(),
              (home.dataFolder() / "data" / "general.bin").string() + ": Not a directory");
}

TEST_F(UserActionsTest, AnAccountGoesOnlyWhenTheFileCanBeWrittenWithoutIt) {
    breakTheDataFolder();
    EXPECT_EQ(actions.removeAccount("a@example.org"), ActionResult::NotSaved);
    const auto accounts = ModelReader(core).accounts();
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].emailAddress, "a@example.org"); // back in its place
    EXPECT_EQ(accounts[0].unread, 2u);

    std::filesystem::remove(home.dataFolder() / "data");
    EXPECT_EQ(actions.removeAccount("a@example.org"), ActionResult::Saved);
    EXPECT_EQ(actions.removeAccount("a@example.org"), ActionResult::NoSuchAccount);
    EXPECT_EQ(ModelReader(*reload()).accounts().size(), 1u);
}

TEST_F(UserActionsTest, MessagesAreOfferedForNotificationOnceAcrossRestarts) {
    const auto first = actions.takeMailsToNotify();
    EXPECT_EQ(first.mails.size(), 3u);
    EXPECT_EQ(first.result, ActionResult::Saved);
    EXPECT_TRUE(actions.takeMailsToNotify().mails.empty());

    auto again = reload();
    EXPECT_TRUE(UserActions(*again).takeMailsToNotify().mails.empty());
}
