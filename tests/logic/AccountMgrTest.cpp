#include "logic/AccountMgr.h"
#include "foundation/DataFile.h"
#include "foundation/Exception.h"
#include "foundation/SaveLoad.h"
#include "logic/Mail.h"
#include "tests/logic/LogicTestSupport.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

using Logic::Account;
using Logic::AccountMgr;
using Logic::AccountStatus;
using Logic::ReadMailAction;
using LogicTest::mailAt;
using Norq::DataFile;
using Norq::SaveLoad::Writer;
using TestSupport::TempHome;

namespace {

constexpr std::time_t kNow = 1689422400;

std::unique_ptr<Account> makeAccount(const std::string& email, std::uint16_t port = 995) {
    auto account = std::make_unique<Account>(kNow);
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(email);
    // Stored as entered, whatever the bytes.
    settings.setPassword(std::string("s\xC3\xA9") + "cret of " + email);
    settings.setServerName("pop." + email.substr(email.find('@') + 1));
    settings.setUserLogin(email);
    settings.setPort(port);
    settings.setUseTls(port == 995);
    account->setConnectionSettings(settings);
    return account;
}

// The store as it lies on disk, with a manager that starts from no file at all.
class AccountStore : public ::testing::Test {
protected:
    std::unique_ptr<AccountMgr> load() {
        DataFile file(m_home.dataFolder(), "general");
        auto manager = std::make_unique<AccountMgr>(file.openForReading());
        file.closeReading();
        return manager;
    }
    void save(const AccountMgr& manager) {
        DataFile file(m_home.dataFolder(), "general");
        Writer* writer = file.openForWriting();
        ASSERT_NE(writer, nullptr);
        manager.save(*writer);
        ASSERT_TRUE(file.closeWriting());
    }
    std::filesystem::path path() const { return m_home.dataFolder() / "data" / "general.bin"; }
    std::string fileContent() const { return TestSupport::readFile(path()); }
    void writeFileContent(const std::string& content) const {
        TestSupport::writeFile(path(), content);
    }

private:
    TempHome m_home;
};

std::string bytesOf(const AccountMgr& manager) {
    Writer writer;
    manager.save(writer);
    return writer.bytes();
}

// Three accounts, not in alphabetical order, with mails, flags and preferences of every kind.
void fill(AccountMgr& manager) {
    Account& c = manager.addAccount(makeAccount("c@example.org", 110));
    Account& a = manager.addAccount(makeAccount("a@example.ru"));
    manager.addAccount(makeAccount("b@example.de"));

    Logic::AccountPreferences preferences;
    preferences.setReadMailAction(ReadMailAction::LaunchProgram);
    preferences.setProgramPath(u"/opt/почта \U0001F4EC/bin/mail");
    preferences.setUrl(u"https://mail.example.ru/");
    a.setPreferences(preferences);
    a.setStatus(AccountStatus::Failed);

    const auto notified = mailAt(kNow - 500, 180, "=?utf-8?B?0J/RgNC40LLQtdGC?=", "a@example.ru");
    notified->setNotified();
    a.mergeNewMails({mailAt(kNow - 900, -300, "older", "a@example.ru"), notified});
    c.mergeNewMails({mailAt(kNow - 100, 0, "only", "c@example.org")});
}

void expectSameMail(const Logic::Mail& loaded, const Logic::Mail& saved) {
    EXPECT_EQ(loaded.subject(), saved.subject());
    EXPECT_EQ(loaded.sender(), saved.sender());
    EXPECT_EQ(loaded.accountEmail(), saved.accountEmail());
    EXPECT_EQ(loaded.flags(), saved.flags());
    EXPECT_EQ(loaded.received().time, saved.received().time);
    EXPECT_EQ(loaded.received().zoneOffset, saved.received().zoneOffset);
    EXPECT_EQ(loaded.messageIdSum(), saved.messageIdSum());
}

} // namespace

TEST_F(AccountStore, WithoutADataFileStartsEmptyAndTheFirstSaveHoldsACountOfZero) {
    const auto manager = load();
    EXPECT_EQ(manager->size(), 0u);
    save(*manager);
    const std::string content = fileContent();
    ASSERT_EQ(content.size(), 12u);
    EXPECT_EQ(content.substr(0, 8), std::string("\x05\xD7\xEC\x95\0\0\0\0", 8));
    EXPECT_EQ(load()->size(), 0u);
}

TEST_F(AccountStore, SaveAndLoadReproduceEveryFieldInOrder) {
    Norq::SaveLoad::Reader none;
    AccountMgr saved(none);
    fill(saved);
    save(saved);
    const auto loaded = load();

    ASSERT_EQ(loaded->size(), saved.size());
    auto from = saved.accounts().begin();
    for (const Account& account : loaded->accounts()) {
        const Account& original = *from++;
        SCOPED_TRACE(original.connectionSettings().emailAddress());
        EXPECT_EQ(account.connectionSettings(), original.connectionSettings());
        EXPECT_EQ(account.preferences(), original.preferences());
        EXPECT_EQ(account.newestMail().time, original.newestMail().time);
        EXPECT_EQ(account.newestMail().zoneOffset, original.newestMail().zoneOffset);
        EXPECT_EQ(account.status(), AccountStatus::Idle);
        ASSERT_EQ(account.mails().size(), original.mails().size());
        for (size_t i = 0; i < account.mails().size(); ++i)
            expectSameMail(*account.mails()[i], *original.mails()[i]);
    }
    const Account& a = *loaded->findByEmail("a@example.ru");
    EXPECT_TRUE(a.mails()[0]->notified());
    EXPECT_EQ(a.mails()[0]->subject(), u"Привет");
    EXPECT_FALSE(a.mails()[1]->notified());

    // Nothing is lost or added on the way: the loaded store writes the same bytes.
    EXPECT_EQ(bytesOf(*loaded), bytesOf(saved));
}

TEST(AccountMgrTest, FindsAndMarksReadByIdentity) {
    Norq::SaveLoad::Reader none;
    AccountMgr manager(none);
    Account& lower = manager.addAccount(makeAccount("user@example.org"));
    Account& upper = manager.addAccount(makeAccount("User@example.org"));
    EXPECT_EQ(manager.findByEmail("user@example.org"), &lower);
    EXPECT_EQ(manager.findByEmail("User@example.org"), &upper);
    // An address as a person types it: the exact one first, else the first in any case.
    EXPECT_EQ(manager.findByEmail("USER@example.org"), &lower);
    EXPECT_EQ(manager.findByEmail(" user@example.org"), nullptr);

    const auto shared = mailAt(kNow - 10);
    const auto own = mailAt(kNow - 20);
    lower.mergeNewMails({shared, own});
    upper.mergeNewMails({shared});
    EXPECT_EQ(manager.findAccountOfMail(*shared), &lower);
    EXPECT_EQ(manager.findAccountOfMail(*mailAt(kNow - 10)), nullptr);

    // Only the first holder gives the record up.
    manager.markMailRead(*shared);
    EXPECT_EQ(lower.mails().size(), 1u);
    EXPECT_EQ(upper.mails().size(), 1u);
    EXPECT_EQ(manager.findAccountOfMail(*shared), &upper);

    const MailDate mark = lower.newestMail();
    manager.markAllRead();
    EXPECT_TRUE(lower.mails().empty());
    EXPECT_TRUE(upper.mails().empty());
    EXPECT_EQ(lower.newestMail(), mark);
    // A record nobody holds any more changes nothing.
    manager.markMailRead(*own);
    EXPECT_EQ(manager.size(), 2u);
}

TEST(AccountMgrTest, AddsAtAPlaceAndRemovesOnlyAnAccountItHolds) {
    Norq::SaveLoad::Reader none;
    AccountMgr manager(none);
    manager.addAccount(makeAccount("quiet@example.org"));
    Account& first = manager.addAccount(makeAccount("first@example.org"));
    manager.addAccount(makeAccount("second@example.org"), 0);

    std::unique_ptr<Account> removed = manager.removeAccount(first);
    ASSERT_EQ(removed.get(), &first);
    Account stranger(kNow);
    EXPECT_EQ(manager.removeAccount(stranger), nullptr);
    std::vector<std::string> left;
    for (const Account& account : manager.accounts())
        left.push_back(account.connectionSettings().emailAddress());
    EXPECT_EQ(left, (std::vector<std::string>{"second@example.org", "quiet@example.org"}));
}

// A damaged store either loads what it holds or fails with the wrong-slot-id failure; it never
// crashes, reads out of bounds or allocates by a count it read.
TEST_F(AccountStore, AStoreCutAtAnyLengthLoadsOrFailsCleanly) {
    Norq::SaveLoad::Reader none;
    AccountMgr saved(none);
    fill(saved);
    const std::string whole = bytesOf(saved);
    TestSupport::StderrCapture quiet; // every failure leaves its line

    // The reserved word of a record header is never checked, so a cut inside it is not noticed.
    // Loading goes on after a cut in the store's count, or in the last account's preferences
    // (after their slot id), mark and mail count: no record header is missed there.
    const size_t lastHeaderEnd = whole.size() - 24;
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        writeFileContent(whole.substr(0, length));
        const bool cutInCount = length >= 4 && length < 12;
        const bool cutInLastContents = length >= lastHeaderEnd;
        if (cutInCount) {
            EXPECT_EQ(load()->size(), 0u);
        } else if (cutInLastContents) {
            const auto loaded = load();
            EXPECT_EQ(loaded->size(), 3u);
            EXPECT_EQ(loaded->findByEmail("b@example.de")->mails().size(), 0u);
        } else {
            try {
                load();
                ADD_FAILURE() << "a cut record loaded";
            } catch (const Norq::SaveLoad::Failure& failure) {
                EXPECT_STREQ(failure.what(), "SaveLoad: wrong slot id!");
            }
        }
    }
    writeFileContent(whole);
    EXPECT_EQ(load()->size(), 3u);
}

TEST_F(AccountStore, APasswordInTheKeyringIsNotInTheFileAndItsPlaceComesBack) {
    Norq::SaveLoad::Reader none;
    AccountMgr saved(none);
    fill(saved);
    const std::string olderBytes = bytesOf(saved);
    Account& b = *saved.findByEmail("b@example.de");
    Logic::ConnectionSettings settings = b.connectionSettings();
    settings.setPassword({});
    settings.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::Keyring);
    b.setConnectionSettings(settings);
    const std::string whole = bytesOf(saved);
    // What an older copy reads comes first, unchanged in form; the places follow.
    EXPECT_GT(whole.size(), olderBytes.size());
    save(saved);
    const auto loaded = load();
    EXPECT_EQ(loaded->findByEmail("b@example.de")->connectionSettings(), settings);
    EXPECT_EQ(loaded->findByEmail("a@example.ru")->connectionSettings().passwordPlace(),
              Logic::ConnectionSettings::PasswordPlace::File);
    // A cut in the places is a damaged file, never an account with an empty password.
    TestSupport::StderrCapture quiet;
    writeFileContent(whole.substr(0, whole.size() - 3));
    EXPECT_THROW(load(), Norq::SaveLoad::Failure);
}

TEST_F(AccountStore, AnImapAccountLoadsBackExactlyAndAPop3OnlyFileStaysAsItWas) {
    Norq::SaveLoad::Reader none;
    AccountMgr saved(none);
    fill(saved);
    const std::string pop3Bytes = bytesOf(saved);
    Account& a = *saved.findByEmail("a@example.ru");
    Logic::ConnectionSettings settings = a.connectionSettings();
    settings.setProtocol(Logic::ConnectionSettings::Protocol::Imap);
    a.setConnectionSettings(settings);
    Logic::AccountPreferences preferences = a.preferences();
    preferences.setMarkReadOnServer(true);
    a.setPreferences(preferences);
    a.setImapMark({0x7FFFFFFF, 4242});
    a.mails()[0]->setImapUid(4241);
    a.mails()[1]->setImapUid(17);
    const std::string whole = bytesOf(saved);
    // What a POP3-only copy reads comes first, unchanged.
    EXPECT_EQ(whole.compare(0, pop3Bytes.size(), pop3Bytes), 0);
    save(saved);
    const auto loaded = load();
    const Account& back = *loaded->findByEmail("a@example.ru");
    EXPECT_EQ(back.connectionSettings(), settings);
    EXPECT_EQ(back.preferences(), preferences);
    EXPECT_EQ(back.imapMark(), a.imapMark());
    EXPECT_EQ(back.mails()[0]->imapUid(), 4241u);
    EXPECT_EQ(back.mails()[1]->imapUid(), 17u);
    EXPECT_EQ(loaded->findByEmail("c@example.org")->connectionSettings().protocol(),
              Logic::ConnectionSettings::Protocol::Pop3);
    // Back to POP3 only: the file is byte for byte what it was.
    settings.setProtocol(Logic::ConnectionSettings::Protocol::Pop3);
    a.setConnectionSettings(settings);
    preferences.setMarkReadOnServer(false);
    a.setPreferences(preferences);
    EXPECT_EQ(bytesOf(saved), pop3Bytes);
    // A cut IMAP record is a damaged file.
    TestSupport::StderrCapture quiet;
    writeFileContent(whole.substr(0, whole.size() - 2));
    EXPECT_THROW(load(), Norq::SaveLoad::Failure);
}

TEST_F(AccountStore, HugeCountsEndInTheWrongSlotIdFailure) {
    TestSupport::StderrCapture quiet;
    {
        Writer writer;
        writer.writeHeader("Logic::AccountMgr");
        writer.write(std::uint32_t{0xFFFFFFFF});
        writeFileContent(writer.bytes());
        EXPECT_THROW(load(), Norq::SaveLoad::Failure);
    }
    {
        // One sound account that claims four thousand million mails, followed by one.
        Writer writer;
        writer.writeHeader("Logic::AccountMgr");
        writer.write(std::uint32_t{1});
        writer.writeHeader("Logic::Account");
        Logic::ConnectionSettings().save(writer);
        Logic::AccountPreferences().save(writer);
        writer.write(std::int32_t{0});
        writer.write(std::int32_t{0});
        writer.write(std::uint32_t{0xFFFFFFFF});
        mailAt(kNow)->save(writer);
        writeFileContent(writer.bytes());
        EXPECT_THROW(load(), Norq::SaveLoad::Failure);
    }
}
