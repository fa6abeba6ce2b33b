// The property sheet and its two pages: unchanged values come back unchanged, a tab never
// opened changes nothing, the read-mail action enables its own fields, a bad port keeps the
// sheet open.
#include "ui/AccountSettingsSheet.h"
#include "core/LogicCore.h"
#include "tests/support/QtTests.h"
#include "tests/support/TempHome.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/Prompts.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using DialogTests::control;
using namespace Qt::StringLiterals;

namespace {

Logic::ConnectionSettings secureSettings() {
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("anna@example.org");
    settings.setServerName("pop.example.org");
    settings.setPort(995);
    settings.setUseTls(true);
    settings.setUserLogin("anna");
    settings.setPassword("p\xC3\xA4ss word");
    return settings;
}

Logic::AccountPreferences preferences(Logic::ReadMailAction action) {
    Logic::AccountPreferences preferences;
    preferences.setReadMailAction(action);
    preferences.setProgramPath(u"/usr/bin/mail-reader --inbox");
    preferences.setUrl(u"https://mail.example.org/");
    return preferences;
}

} // namespace

class AccountSettingsSheetTest : public QObject {
    Q_OBJECT
    TestSupport::TempHome m_home;
    LogicCore m_core{m_home.dataFolder(), {}};

private Q_SLOTS:
    void init() { Prompts::takeAsked(); }

    void okWritesBackWhatWasShownAndSkipsATabNeverOpened() {
        // An action this program does not know would become "Open this URL" if the
        // preferences page applied it.
        const auto unknown = preferences(static_cast<Logic::ReadMailAction>(7));
        AccountSettingsSheet sheet(secureSettings(), unknown, m_core, nullptr);
        sheet.show();
        QCOMPARE(control<QLineEdit>(&sheet, "port")->text(), QStringLiteral("995"));
        QVERIFY(control<QCheckBox>(&sheet, "useTls")->isChecked());
        QVERIFY(!control<QLineEdit>(&sheet, "emailAddress")->isEnabled());
        QVERIFY(!control<QRadioButton>(&sheet, "openUrl"));
        sheet.accept();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(sheet.connectionSettings(), secureSettings());
        QCOMPARE(sheet.preferences(), unknown);
    }

    // The other protocol brings its usual port (here, where no provider is known); IMAP without
    // TLS from the first byte is STARTTLS, which needs no warning.
    void choosingImapTakesItsPort() {
        AccountSettingsSheet sheet(secureSettings(), {}, m_core, nullptr);
        sheet.show();
        auto* protocol = control<QComboBox>(&sheet, "protocol");
        QCOMPARE(protocol->currentText(), u"POP3"_s);
        sheet.findChild<QTabWidget*>()->setCurrentIndex(1);
        auto* markOnServer = control<QCheckBox>(&sheet, "markReadOnServer");
        QVERIFY(!markOnServer->isEnabled()); // a POP3 server keeps no read state
        protocol->setCurrentIndex(1);
        QVERIFY(markOnServer->isEnabled());
        QCOMPARE(control<QLineEdit>(&sheet, "port")->text(), u"993"_s);
        control<QCheckBox>(&sheet, "useTls")->click();
        QVERIFY(Prompts::takeAsked().isEmpty());
        sheet.accept();
        QCOMPARE(sheet.connectionSettings().protocol(), Logic::ConnectionSettings::Protocol::Imap);
        QCOMPARE(sheet.connectionSettings().port(), 993);
        QVERIFY(!sheet.connectionSettings().useTls());
    }

    // A screen reader names every field by its label, or by the choice it sits under.
    void everyFieldHasItsOwnName() {
        AccountSettingsSheet sheet(
            secureSettings(), preferences(Logic::ReadMailAction::LaunchProgram), m_core, nullptr);
        sheet.show();
        sheet.findChild<QTabWidget*>()->setCurrentIndex(1); // made when its tab opens
        QStringList names;
        for (QLineEdit* field : sheet.findChildren<QLineEdit*>())
            names << QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name);
        names.sort();
        QCOMPARE(names, (QStringList{u"E-Mail address:"_s, u"Password:"_s, u"Port:"_s,
                                     u"Program to launch"_s, u"Server name:"_s, u"URL to open"_s,
                                     u"User login:"_s}));
    }

    void thePreferencesPageEnablesTheChosenActionsFields() {
        AccountSettingsSheet sheet(
            secureSettings(), preferences(Logic::ReadMailAction::LaunchProgram), m_core, nullptr);
        sheet.show();
        sheet.findChild<QTabWidget*>()->setCurrentIndex(1);
        auto* path = control<QLineEdit>(&sheet, "programPath");
        auto* browse = control<QPushButton>(&sheet, "browse");
        auto* url = control<QLineEdit>(&sheet, "url");
        QVERIFY(path->isEnabled() && browse->isEnabled() && !url->isEnabled());

        Prompts::answerNextFileDialog({});
        browse->click();
        QCOMPARE(path->text(), QStringLiteral("/usr/bin/mail-reader --inbox"));
        Prompts::answerNextFileDialog(QStringLiteral("/opt/reader/bin/reader"));
        browse->click();
        QCOMPARE(path->text(), QStringLiteral("/opt/reader/bin/reader"));
        QCOMPARE(Prompts::takeAsked().value(0).filters,
                 QStringList{QStringLiteral("All Files (*)")});

        control<QRadioButton>(&sheet, "openUrl")->click();
        QVERIFY(!path->isEnabled() && !browse->isEnabled() && url->isEnabled());
        control<QRadioButton>(&sheet, "defaultMailClient")->click();
        QVERIFY(!path->isEnabled() && !browse->isEnabled() && !url->isEnabled());
        control<QRadioButton>(&sheet, "openUrl")->click();
        sheet.accept();
        QCOMPARE(sheet.preferences().readMailAction(), Logic::ReadMailAction::OpenUrl);
        // The program chosen is kept for when the action changes back.
        QCOMPARE(sheet.preferences().programPath(), u"/opt/reader/bin/reader");
        QCOMPARE(sheet.preferences().url(), u"https://mail.example.org/");
    }

    void aPortOutsideItsRangeKeepsTheSheetOpen() {
        AccountSettingsSheet sheet(secureSettings(), {}, m_core, nullptr);
        sheet.show();
        auto* port = control<QLineEdit>(&sheet, "port");
        sheet.findChild<QTabWidget*>()->setCurrentIndex(1);
        for (const char* refused : {"", "0", "65536", "99999"}) {
            port->setText(QString::fromLatin1(refused));
            Prompts::answerNextMessage();
            sheet.accept();
            QVERIFY2(sheet.result() != QDialog::Accepted, refused);
            QCOMPARE(sheet.focusWidget(), port);
        }
        const auto asked = Prompts::takeAsked();
        QCOMPARE(asked.size(), 4);
        QCOMPARE(asked[3].caption, QStringLiteral("E-Mail Account Settings"));
        QCOMPARE(asked[3].text, QStringLiteral("The port must be a number from 1 to 65535."));
        QCOMPARE(sheet.connectionSettings(), secureSettings());
        // Digits only; what else is typed or pasted does not get in.
        port->setText({});
        QTest::keyClicks(port, QStringLiteral("6x5-5 3.5"));
        QCOMPARE(port->text(), QStringLiteral("65535"));
        sheet.accept();
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
        QCOMPARE(sheet.connectionSettings().port(), 65535);
    }
};

VELOMAR_QT_TEST(AccountSettingsSheetTest);

#include "AccountSettingsSheetTest.moc"
