// The account wizard driven as a user would: the address fills the account pages from the
// presets with the provider's note beside them, Back and Next rebuild the POP3 page but not the
// preference page, a taken address, what is no address and a bad port are refused where they
// were typed.
#include "ui/AccountWizard.h"
#include "core/LogicCore.h"
#include "core/UserActions.h"
#include "logic/Account.h"
#include "tests/support/QtTests.h"
#include "tests/support/TempHome.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/HyperLink.h"
#include "ui/Prompts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <memory>

using DialogTests::control;

namespace {

const char* const kPresets =
    "<servers>\n"
    "  <server name=\"example.com\" url=\"https://mail.example.com/\">\n"
    "    <pop3 address=\"pop.example.com\" port=\"995\" ssl=\"1\">\n"
    "      <traits><login prefix=\"pre:\" suffix=\"@example.com\"/></traits>\n"
    "    </pop3>\n"
    "    <access login=\"app-password\" help=\"https://help.example.com/pop\">Switch POP on "
    "first.</access>\n"
    "  </server>\n"
    "  <server name=\"nopop.example\" url=\"https://nopop.example/\">\n"
    "    <access login=\"none\" help=\"https://help.nopop.example/\">No POP3 here.</access>\n"
    "  </server>\n"
    "  <server name=\"imaponly.example\" url=\"https://imaponly.example/\">\n"
    "    <access login=\"none\" help=\"https://help.imaponly.example/\">No POP3.</access>\n"
    "    <imap address=\"imap.imaponly.example\" port=\"993\" ssl=\"1\"/>\n"
    "    <imap-access login=\"app-password\" help=\"https://help.imaponly.example/imap\">"
    "An app password.</imap-access>\n"
    "  </server>\n"
    "</servers>\n";

} // namespace

using namespace Qt::StringLiterals;

class AccountWizardTest : public QObject {
    Q_OBJECT
private:
    TestSupport::TempHome m_home;
    std::unique_ptr<LogicCore> m_core;
    std::unique_ptr<AccountWizard> m_wizard;

    QWidget* page() const { return m_wizard->currentPage(); }
    template <class Widget> Widget* field(const char* name) const {
        return control<Widget>(page(), name);
    }
    // From the welcome page through the primary settings.
    void enterAddress(const QString& address, const QString& password = QStringLiteral("pw")) {
        if (m_wizard->currentId() == AccountWizard::kWelcomePage)
            m_wizard->next();
        field<QLineEdit>("emailAddress")->setText(address);
        field<QLineEdit>("password")->setText(password);
        m_wizard->next();
    }
    void clickBack() { m_wizard->button(QWizard::BackButton)->click(); }

private Q_SLOTS:
    void initTestCase() {
        TestSupport::writeFile(m_home.path() / "servers.xml", kPresets);
        m_core = std::make_unique<LogicCore>(m_home.dataFolder(), m_home.path() / "servers.xml");
        auto taken = std::make_unique<Logic::Account>();
        Logic::ConnectionSettings settings;
        settings.setEmailAddress("taken@example.org");
        taken->setConnectionSettings(settings);
        QCOMPARE(UserActions(*m_core).addAccount(std::move(taken)), ActionResult::Saved);
    }

    void init() {
        m_wizard = std::make_unique<AccountWizard>(*m_core, nullptr);
        m_wizard->show();
        Prompts::takeAsked();
    }
    void cleanup() { m_wizard.reset(); }

    void theAddressFillsTheAccountPages_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("url");
        QTest::newRow("domain in the presets") << "box7@example.com"
                                               << "pop.example.com"
                                               << "995" << true << "pre:box7@example.com"
                                               << "https://mail.example.com/";
        QTest::newRow("domain differing in letter case") << "box7@Example.com"
                                                         << ""
                                                         << "110" << false << "box7"
                                                         << "";
        QTest::newRow("unknown domain") << "box7@unknown.org"
                                        << ""
                                        << "110" << false << "box7"
                                        << "";
    }
    void theAddressFillsTheAccountPages() {
        QFETCH(QString, address);
        QFETCH(QString, server);
        QFETCH(QString, port);
        QFETCH(bool, tls);
        QFETCH(QString, login);
        QFETCH(QString, url);
        enterAddress(address, QStringLiteral("secret"));
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPop3Page));
        QCOMPARE(field<QLineEdit>("serverName")->text(), server);
        QCOMPARE(field<QLineEdit>("port")->text(), port);
        QCOMPARE(field<QCheckBox>("useTls")->isChecked(), tls);
        QCOMPARE(field<QLineEdit>("emailAddress")->text(), address);
        QVERIFY(!field<QLineEdit>("emailAddress")->isEnabled());
        QCOMPARE(field<QLineEdit>("userLogin")->text(), login);
        QCOMPARE(field<QLineEdit>("password")->text(), QStringLiteral("secret"));
        m_wizard->next();
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPreferencePage));
        QCOMPARE(field<QRadioButton>("openUrl")->isChecked(), !url.isEmpty());
        QCOMPARE(field<QRadioButton>("defaultMailClient")->isChecked(), url.isEmpty());
        QCOMPARE(field<QLineEdit>("url")->text(), url);
        m_wizard->next();
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kCompletionPage));
        m_wizard->accept();

        const auto account = m_wizard->takeAccount();
        QVERIFY(account);
        const Logic::ConnectionSettings& settings = account->connectionSettings();
        QCOMPARE(QString::fromStdString(settings.emailAddress()), address);
        QCOMPARE(QString::fromStdString(settings.serverName()), server);
        QCOMPARE(QString::number(settings.port()), port);
        QCOMPARE(settings.useTls(), tls);
        QCOMPARE(QString::fromStdString(settings.userLogin()), login);
        QCOMPARE(settings.password(), std::string("secret"));
        QCOMPARE(account->preferences().readMailAction(),
                 url.isEmpty() ? Logic::ReadMailAction::DefaultMailClient
                               : Logic::ReadMailAction::OpenUrl);
        QVERIFY(!m_wizard->takeAccount());
    }

    void backAndNextRebuildThePop3PageButNotThePreferencePage() {
        enterAddress(QStringLiteral("box7@example.com"));
        field<QLineEdit>("serverName")->setText(QStringLiteral("typed.example.org"));
        m_wizard->next();
        field<QRadioButton>("defaultMailClient")->click();
        clickBack();
        QCOMPARE(field<QLineEdit>("serverName")->text(), QStringLiteral("typed.example.org"));
        clickBack();
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPrimaryPage));
        m_wizard->next();
        // What the address gives replaces what was typed on the POP3 page...
        QCOMPARE(field<QLineEdit>("serverName")->text(), QStringLiteral("pop.example.com"));
        field<QLineEdit>("port")->setText(QStringLiteral("1995"));
        m_wizard->next();
        // ...while the preference page keeps showing what it showed.
        QVERIFY(field<QRadioButton>("defaultMailClient")->isChecked());
        m_wizard->next();
        // Back on the completion page skips the preference page.
        clickBack();
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPop3Page));
        QCOMPARE(field<QLineEdit>("port")->text(), QStringLiteral("1995"));
        m_wizard->next();
        m_wizard->next();
        m_wizard->accept();
        const auto account = m_wizard->takeAccount();
        QCOMPARE(account->connectionSettings().port(), 1995);
        QCOMPARE(account->preferences().readMailAction(), Logic::ReadMailAction::DefaultMailClient);
        QCOMPARE(account->preferences().url(), u"https://mail.example.com/");
    }

    void anotherAddressBringsItsOwnReadMailPage() {
        enterAddress(QStringLiteral("box7@example.com"));
        m_wizard->next();
        QCOMPARE(field<QLineEdit>("url")->text(), u"https://mail.example.com/"_s);
        clickBack();
        clickBack();
        enterAddress(QStringLiteral("box7@unknown.org"));
        m_wizard->next();
        QVERIFY(field<QRadioButton>("defaultMailClient")->isChecked());
        QCOMPARE(field<QLineEdit>("url")->text(), QString());
    }

    void aTakenAddressIsRefusedOnThePrimaryPage() {
        Prompts::answerNextMessage();
        enterAddress(QStringLiteral("taken@example.org"), QStringLiteral("typed"));
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPrimaryPage));
        const auto asked = Prompts::takeAsked();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].caption, QStringLiteral("Account settings error"));
        QCOMPARE(asked[0].text,
                 QStringLiteral("Account with e-mail address [taken@example.org] already exists."));
        QCOMPARE(field<QLineEdit>("emailAddress")->text(), QStringLiteral("taken@example.org"));
        QCOMPARE(field<QLineEdit>("password")->text(), QStringLiteral("typed"));
        // An address is one whatever the case of its letters; what is no address goes no
        // further either, nor one whose provider takes no password.
        for (const char* refused : {"Taken@example.org", "box7", "me@nopop.example"}) {
            Prompts::answerNextMessage();
            enterAddress(QString::fromLatin1(refused));
            QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPrimaryPage));
        }
        const auto refusals = Prompts::takeAsked();
        QCOMPARE(refusals.size(), 3);
        QCOMPARE(refusals[1].text, QStringLiteral("[box7] is not an e-mail address: it needs a "
                                                  "name, an at sign and a domain, as in "
                                                  "me@example.org."));
        QCOMPARE(refusals[2].text,
                 QStringLiteral("[me@nopop.example] cannot be added.\n\nNo POP3 here. "
                                "https://help.nopop.example/"));
        m_wizard->reject();
        QVERIFY(!m_wizard->takeAccount());
    }

    void theProviderNoteStandsBesideItsSettingsAndClearingTlsWarns() {
        enterAddress(QStringLiteral("box7@example.com"));
        auto* note = field<QWidget>("providerNote");
        QVERIFY(note != nullptr && note->isVisible());
        QCOMPARE(note->findChild<QLabel*>()->text(), QStringLiteral("Switch POP on first."));
        QCOMPARE(note->findChild<HyperLink*>()->address(),
                 QStringLiteral("https://help.example.com/pop"));
        Prompts::answerNextMessage();
        field<QCheckBox>("useTls")->click();
        QVERIFY(Prompts::takeAsked().value(0).text.startsWith(
            QStringLiteral("Without TLS the password travels over the network unencrypted")));
        clickBack();
        enterAddress(QStringLiteral("box7@unknown.org"));
        QVERIFY(field<QWidget>("providerNote") == nullptr);
    }

    // A provider with IMAP alone is no refusal: IMAP is chosen, with its own note.
    void aProviderWithImapGetsIt() {
        enterAddress(QStringLiteral("box7@imaponly.example"));
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPop3Page));
        QCOMPARE(field<QComboBox>("protocol")->currentText(), QStringLiteral("IMAP"));
        QCOMPARE(field<QLineEdit>("serverName")->text(), QStringLiteral("imap.imaponly.example"));
        QCOMPARE(field<QLineEdit>("port")->text(), QStringLiteral("993"));
        QCOMPARE(field<QWidget>("providerNote")->findChild<QLabel*>()->text(),
                 QStringLiteral("An app password."));
    }

    void aBadPortKeepsThePop3PageOpen() {
        enterAddress(QStringLiteral("box7@example.com"));
        QLineEdit* port = field<QLineEdit>("port");
        port->setText(QStringLiteral("0"));
        Prompts::answerNextMessage();
        m_wizard->next();
        QCOMPARE(m_wizard->currentId(), int(AccountWizard::kPop3Page));
        QCOMPARE(Prompts::takeAsked().value(0).text,
                 QStringLiteral("The port must be a number from 1 to 65535."));
        QCOMPARE(m_wizard->focusWidget(), port);
    }
};

VELOMAR_QT_TEST(AccountWizardTest);

#include "AccountWizardTest.moc"
