// Passwords in a real keyring daemon on a private session bus (with-keyring), as a person's
// keyring manager and secret-tool see them; and what the store says where no keyring is.
#include "platform/SecretStore.h"
#include "logic/ConnectionSettings.h"
#include "transport/AccountPassword.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

using Platform::SecretStore;
using Outcome = SecretStore::Outcome;

namespace {

// What a command prints on standard output.
std::string output(const std::string& command) {
    std::string text;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::array<char, 256> buffer{};
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr)
        text += buffer.data();
    return text;
}

class Keyring : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("VELOMAR_TEST_KEYRING") == nullptr)
            GTEST_SKIP() << "no keyring daemon (gnome-keyring) on this machine";
    }
};

} // namespace

TEST_F(Keyring, StoredReplacedFoundAndRemovedAsAKeyringManagerSeesIt) {
    EXPECT_TRUE(SecretStore::available());
    EXPECT_EQ(SecretStore::lookup("anna@example.org").outcome, Outcome::NotFound);
    ASSERT_EQ(SecretStore::store("anna@example.org", "first pässword").outcome, Outcome::Done);
    ASSERT_EQ(SecretStore::store("anna@example.org", "second").outcome, Outcome::Done);
    ASSERT_EQ(SecretStore::store("bob@example.org", "bob's").outcome, Outcome::Done);
    const auto found = SecretStore::lookup("anna@example.org");
    EXPECT_EQ(found.outcome, Outcome::Done);
    EXPECT_EQ(found.secret, "second");
    // One item per account, labelled for a person, found by program and address.
    const std::string items = output("secret-tool search --all application velomar 2>&1");
    EXPECT_NE(items.find("label = Quorvex Velomar: anna@example.org"), std::string::npos) << items;
    EXPECT_EQ(items.find("first"), std::string::npos) << items;
    EXPECT_EQ(output("secret-tool lookup application velomar address bob@example.org"), "bob's");

    EXPECT_EQ(SecretStore::remove("anna@example.org").outcome, Outcome::Done);
    EXPECT_EQ(SecretStore::lookup("anna@example.org").outcome, Outcome::NotFound);
    EXPECT_EQ(SecretStore::remove("anna@example.org").outcome, Outcome::NotFound);
    EXPECT_EQ(SecretStore::lookup("bob@example.org").secret, "bob's");
}

// A check takes the password from where the account keeps it, and says exactly why when the
// keyring cannot give it.
TEST_F(Keyring, AChecksPasswordComesFromWhereTheAccountKeepsIt) {
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("carol@example.org");
    settings.setPassword("in the file");
    EXPECT_EQ(std::get<std::string>(accountPassword(settings)), "in the file");
    settings.setPassword({});
    settings.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::Keyring);
    const auto missing = std::get<CheckProblem>(accountPassword(settings));
    EXPECT_EQ(missing.kind, CheckFailure::Keyring);
    EXPECT_NE(missing.reason.find("not in the desktop's keyring"), std::string::npos);
    ASSERT_EQ(SecretStore::store("carol@example.org", "in the keyring").outcome, Outcome::Done);
    EXPECT_EQ(std::get<std::string>(accountPassword(settings)), "in the keyring");
}

// Last with a keyring: it stays locked. Its unlocking prompt cannot show (no display here) and so
// ends as a cancelled one does: it says locked, never that the password is missing.
TEST_F(Keyring, ALockedKeyringSaysSo) {
    ASSERT_EQ(SecretStore::store("dora@example.org", "hers").outcome, Outcome::Done);
    ASSERT_EQ(std::system("gdbus call --session --dest org.freedesktop.secrets --object-path "
                          "/org/freedesktop/secrets --method org.freedesktop.Secret.Service.Lock "
                          "\"['/org/freedesktop/secrets/collection/login']\" > /dev/null"),
              0);
    const auto lookup = SecretStore::lookup("dora@example.org");
    EXPECT_EQ(lookup.outcome, Outcome::Locked) << lookup.reason;
    const auto store = SecretStore::store("dora@example.org", "new");
    EXPECT_EQ(store.outcome, Outcome::Locked) << store.reason;
    EXPECT_TRUE(SecretStore::available());
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("dora@example.org");
    settings.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::Keyring);
    const auto problem = std::get<CheckProblem>(accountPassword(settings));
    EXPECT_NE(problem.reason.find("locked"), std::string::npos) << problem.reason;
}

// Run on a bus with no keyring (with-private-buses), or with no session bus at all.
TEST(NoKeyring, SaysThereIsNone) {
    if (std::getenv("VELOMAR_TEST_KEYRING") != nullptr)
        GTEST_SKIP() << "a keyring is there";
    EXPECT_FALSE(SecretStore::available());
    const auto lookup = SecretStore::lookup("anna@example.org");
    EXPECT_EQ(lookup.outcome, Outcome::NoService) << lookup.reason;
    EXPECT_EQ(SecretStore::store("anna@example.org", "x").outcome, Outcome::NoService);
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("anna@example.org");
    settings.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::Keyring);
    const auto problem = std::get<CheckProblem>(accountPassword(settings));
    EXPECT_EQ(problem.kind, CheckFailure::Keyring);
    EXPECT_NE(problem.reason.find("cannot be reached here"), std::string::npos) << problem.reason;
}
