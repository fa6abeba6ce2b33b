// Passwords in a real keyring (with-keyring): the wizard and the property sheet put them there,
// a removal deletes them, and the passwords of an older account file move there at the start
// only once the keyring took them all.
#include "core/LogicCore.h"
#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "platform/SecretStore.h"
#include "shell/KeyringMove.h"
#include "tests/support/QtTests.h"
#include "tests/support/TempHome.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/AccountSettingsSheet.h"
#include "ui/AccountWizard.h"
#include "ui/Prompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>

using DialogTests::control;
using Platform::SecretStore;
using namespace Qt::StringLiterals;
using Place = Logic::ConnectionSettings::PasswordPlace;

namespace {

std::string inKeyring(const std::string& address) {
    return SecretStore::lookup(address).secret;
}

Logic::ConnectionSettings stored(const std::filesystem::path& dataFolder,
                                 const std::string& address) {
    LogicCore core(dataFolder, {});
    return core.accountMgr().findByEmail(address)->connectionSettings();
}

void addWithPasswordInFile(LogicCore& core, const std::string& address,
                           const std::string& password) {
    auto account = std::make_unique<Logic::Account>();
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(address);
    settings.setPassword(password);
    account->setConnectionSettings(settings);
    QCOMPARE(UserActions(core).addAccount(std::move(account)), ActionResult::Saved);
}

// Starts the move for the accounts in the data folder and waits for its end.
void move(const std::filesystem::path& dataFolder) {
    LogicCore core(dataFolder, {});
    QWidget window;
    QSignalSpy ended(new KeyringMove(core, &window), &KeyringMove::ended);
    QVERIFY(ended.wait(20000));
}

} // namespace

class KeyringTest : public QObject {
    Q_OBJECT
    TestSupport::TempHome m_home;

private Q_SLOTS:
    void initTestCase() {
        if (std::getenv("VELOMAR_TEST_KEYRING") == nullptr)
            QSKIP("no keyring daemon on this machine");
    }
    void init() { Prompts::takeAsked(); }

    void theWizardAndTheSheetKeepThePasswordInTheKeyring() {
        LogicCore core(m_home.dataFolder(), {});
        AccountWizard wizard(core, nullptr);
        wizard.show();
        wizard.next();
        control<QLineEdit>(wizard.currentPage(), "emailAddress")->setText(u"anna@example.org"_s);
        control<QLineEdit>(wizard.currentPage(), "password")->setText(u"first"_s);
        for (int page = 0; page < 3; ++page)
            wizard.next();
        wizard.accept();
        auto account = wizard.takeAccount();
        QVERIFY(account);
        QCOMPARE(account->connectionSettings().password(), std::string());
        QCOMPARE(account->connectionSettings().passwordPlace(), Place::Keyring);
        QCOMPARE(inKeyring("anna@example.org"), std::string("first"));
        QCOMPARE(UserActions(core).addAccount(std::move(account)), ActionResult::Saved);

        // The sheet shows no password; OK without typing one keeps it where it is.
        const auto copy = *ModelReader(core).accountSettings("anna@example.org");
        {
            AccountSettingsSheet sheet(copy.connectionSettings, copy.preferences, core, nullptr);
            sheet.show();
            auto* password = control<QLineEdit>(&sheet, "password");
            QCOMPARE(password->text(), QString());
            QCOMPARE(password->placeholderText(), u"kept in the keyring"_s);
            sheet.accept();
            QVERIFY(!sheet.passwordTyped());
            QCOMPARE(sheet.connectionSettings(), copy.connectionSettings);
            QVERIFY(!control<QLabel>(&sheet, "noKeyring")->isVisible());
        }
        AccountSettingsSheet sheet(copy.connectionSettings, copy.preferences, core, nullptr);
        sheet.show();
        QTest::keyClicks(control<QLineEdit>(&sheet, "password"), u"second"_s);
        sheet.accept();
        QVERIFY(sheet.passwordTyped());
        QCOMPARE(sheet.connectionSettings().password(), std::string());
        QCOMPARE(inKeyring("anna@example.org"), std::string("second"));
        QCOMPARE(UserActions(core).replaceAccountSettings(
                     "anna@example.org", sheet.connectionSettings(), sheet.preferences(), true),
                 ActionResult::Saved);
        QCOMPARE(stored(m_home.dataFolder(), "anna@example.org").passwordPlace(), Place::Keyring);

        QCOMPARE(UserActions(core).removeAccount("anna@example.org"), ActionResult::Saved);
        QTRY_COMPARE(SecretStore::lookup("anna@example.org").outcome,
                     SecretStore::Outcome::NotFound);
    }

    void theFilesPasswordsMoveToTheKeyring() {
        TestSupport::TempHome home;
        {
            LogicCore core(home.dataFolder(), {});
            addWithPasswordInFile(core, "bob@example.org", "bob's");
            addWithPasswordInFile(core, "carol@example.org", "carol's");
        }
        move(home.dataFolder());
        QVERIFY(Prompts::takeAsked().isEmpty());
        QCOMPARE(inKeyring("bob@example.org"), std::string("bob's"));
        QCOMPARE(inKeyring("carol@example.org"), std::string("carol's"));
        for (const char* address : {"bob@example.org", "carol@example.org"}) {
            const auto settings = stored(home.dataFolder(), address);
            QCOMPARE(settings.password(), std::string());
            QCOMPARE(settings.passwordPlace(), Place::Keyring);
        }
    }

    // Last: the keyring stays locked. Its prompt cannot show here, which ends as a cancelled
    // one does: the file stays as it was, and that is said once.
    void aLockedKeyringLeavesTheFileAsItWas() {
        TestSupport::TempHome home;
        {
            LogicCore core(home.dataFolder(), {});
            addWithPasswordInFile(core, "dora@example.org", "dora's");
        }
        const auto dataFile = LogicCore::dataFilePath(home.dataFolder());
        const std::string before = TestSupport::readFile(dataFile);
        QCOMPARE(std::system("gdbus call --session --dest org.freedesktop.secrets --object-path "
                             "/org/freedesktop/secrets --method "
                             "org.freedesktop.Secret.Service.Lock "
                             "\"['/org/freedesktop/secrets/collection/login']\" > /dev/null"),
                 0);
        Prompts::answerNextMessage();
        move(home.dataFolder());
        const auto told = Prompts::takeAsked();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].text.contains(u"locked"_s), qPrintable(told[0].text));
        QCOMPARE(TestSupport::readFile(dataFile), before);
        QCOMPARE(stored(home.dataFolder(), "dora@example.org").password(), std::string("dora's"));
    }
};

VELOMAR_QT_TEST(KeyringTest);

#include "KeyringTest.moc"
