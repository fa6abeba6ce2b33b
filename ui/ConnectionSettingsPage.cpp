#include "ui/ConnectionSettingsPage.h"

#include "core/LogicCore.h"
#include "core/PasswordPlacement.h"
#include "logic/AccountSuggestion.h"
#include "logic/ServerPresets.h"
#include "platform/SecretStore.h"
#include "ui/AccountPageGroup.h"
#include "ui/ConnectionTestDialog.h"
#include "ui/DialogUnits.h"
#include "ui/FieldLabel.h"
#include "ui/KeyringTask.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

using namespace Qt::StringLiterals;

namespace {

bool inKeyring(const Logic::ConnectionSettings& settings) {
    return settings.passwordPlace() == Logic::ConnectionSettings::PasswordPlace::Keyring;
}

} // namespace

ConnectionSettingsPage::ConnectionSettingsPage(const Logic::ConnectionSettings& settings,
                                               LogicCore& core, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_core(core) {
    QGridLayout* grid = makeAccountPageGroup(this, QStringLiteral("POP3 account information"));
    QWidget* group = grid->parentWidget();
    m_group = qobject_cast<QGroupBox*>(group);
    m_protocol = new QComboBox(group);
    m_protocol->setObjectName(QStringLiteral("protocol"));
    m_protocol->addItems({QStringLiteral("POP3"), QStringLiteral("IMAP")});
    m_protocol->setCurrentIndex(settings.protocol() == Logic::ConnectionSettings::Protocol::Imap);
    m_protocol->setFixedWidth(dialogUnitsToPixelsX(this, 54));
    m_serverName = makeAccountPageEdit(group, "serverName", toQString(settings.serverName()), 108);
    m_port = makeAccountPageEdit(group, "port", QString::number(settings.port()), 36);
    // Digits only, and no more than a port can have; the range is checked on apply.
    m_port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_port));
    m_useTls = new QCheckBox(QStringLiteral("Use TLS/SSL connection"), group);
    m_useTls->setObjectName(QStringLiteral("useTls"));
    m_useTls->setChecked(settings.useTls());
    connect(m_useTls, &QCheckBox::clicked, this, &ConnectionSettingsPage::warnOfPlainText);
    m_emailAddress =
        makeAccountPageEdit(group, "emailAddress", toQString(settings.emailAddress()), 108);
    m_emailAddress->setEnabled(false);
    m_userLogin = makeAccountPageEdit(group, "userLogin", toQString(settings.userLogin()), 108);
    m_password = makeAccountPageEdit(group, "password", toQString(settings.password()), 108);
    m_password->setEchoMode(QLineEdit::Password);
    if (inKeyring(settings))
        m_password->setPlaceholderText(QStringLiteral("kept in the keyring"));
    QString noKeyring = QString::fromUtf8(kNoKeyringNote);
    noKeyring[0] = noKeyring[0].toUpper();
    m_noKeyring = new QLabel(noKeyring + QLatin1Char('.'), group);
    m_noKeyring->setObjectName(QStringLiteral("noKeyring"));
    m_noKeyring->setWordWrap(true);
    m_noKeyring->hide();
    // Asked on the keyring's thread: the page shows at once, the note when the answer comes.
    connect(&m_keyringProbe, &QFutureWatcherBase::finished, this,
            [this] { m_noKeyring->setVisible(!m_keyringProbe.result()); });
    m_keyringProbe.setFuture(
        onKeyringThread<bool>(core, [] { return Platform::SecretStore::available(); }));
    auto* test = new QPushButton(QStringLiteral("&Test"), group);
    test->setObjectName(QStringLiteral("test"));
    test->setFixedWidth(dialogUnitsToPixelsX(this, 54));
    connect(test, &QPushButton::clicked, this, &ConnectionSettingsPage::runTest);

    // Labels from 18 dialog units, fields from 78, "Port:" from 198 and the port from 228 to
    // 264: the fields start at one edge, and the port's box is as wide as five digits need.
    grid->setColumnMinimumWidth(0, dialogUnitsToPixelsX(this, 60));
    grid->setColumnMinimumWidth(2, dialogUnitsToPixelsX(this, 42));
    grid->addWidget(fieldLabel(QStringLiteral("Server name:"), m_serverName), 0, 0);
    grid->addWidget(m_serverName, 0, 1);
    QLabel* portLabel = fieldLabel(QStringLiteral("Port:"), m_port);
    portLabel->setContentsMargins(dialogUnitsToPixelsX(this, 12), 0, 0, 0);
    grid->addWidget(portLabel, 0, 2);
    grid->addWidget(m_port, 0, 3);
    // The protocol and TLS share a row: the page keeps the height it had for POP3 alone.
    auto* connection = new QHBoxLayout;
    connection->addWidget(m_protocol);
    connection->addSpacing(dialogUnitsToPixelsX(this, 8));
    connection->addWidget(m_useTls);
    connection->addStretch();
    grid->addWidget(fieldLabel(QStringLiteral("P&rotocol:"), m_protocol), 1, 0);
    grid->addLayout(connection, 1, 1, 1, 3);
    grid->addWidget(fieldLabel(QStringLiteral("E-Mail address:"), m_emailAddress), 2, 0);
    grid->addWidget(m_emailAddress, 2, 1);
    grid->addWidget(fieldLabel(QStringLiteral("User login:"), m_userLogin), 3, 0);
    grid->addWidget(m_userLogin, 3, 1);
    grid->addWidget(fieldLabel(QStringLiteral("Password:"), m_password), 4, 0);
    grid->addWidget(m_password, 4, 1);
    grid->addWidget(test, 4, 2, 1, 2, Qt::AlignRight);
    grid->addWidget(m_noKeyring, 5, 0, 1, 4);
    connect(m_protocol, &QComboBox::currentIndexChanged, this,
            &ConnectionSettingsPage::protocolChosen);
    if (imapChosen())
        m_group->setTitle(QStringLiteral("IMAP account information"));
    grid->setColumnStretch(4, 1);

    setFocusProxy(m_serverName);
}

bool ConnectionSettingsPage::apply() {
    const auto typed = typedSettings();
    if (typed)
        m_settings = *typed;
    return typed.has_value();
}

std::optional<Logic::ConnectionSettings> ConnectionSettingsPage::typedSettings() {
    bool isNumber = false;
    const uint port = m_port->text().toUInt(&isNumber, 10);
    if (!isNumber || port == 0 || port > 65535) {
        Prompts::showMessage(this, QMessageBox::Warning, window()->windowTitle(),
                             QStringLiteral("The port must be a number from 1 to 65535."));
        m_port->setFocus();
        return std::nullopt;
    }
    // The address cannot be edited here; keeping its bytes keeps the account's identity exact.
    Logic::ConnectionSettings typed = m_settings;
    typed.setPort(static_cast<std::uint16_t>(port));
    if (passwordTyped()) {
        typed.setPassword(narrowOf(m_password->text()));
        typed.setPasswordPlace(Logic::ConnectionSettings::PasswordPlace::File);
    }
    typed.setServerName(narrowOf(m_serverName->text()));
    typed.setUserLogin(narrowOf(m_userLogin->text()));
    typed.setUseTls(m_useTls->isChecked());
    typed.setProtocol(imapChosen() ? Logic::ConnectionSettings::Protocol::Imap
                                   : Logic::ConnectionSettings::Protocol::Pop3);
    return typed;
}

bool ConnectionSettingsPage::passwordTyped() const {
    // A keyring account's field starts empty: any change there, even back to empty, is typed.
    return m_password->isModified() || m_password->text() != toQString(m_settings.password());
}

void ConnectionSettingsPage::runTest() {
    if (const auto typed = typedSettings())
        ConnectionTestDialog::run(*typed, m_core.serverPresets().refusalAdvice(typed->serverName()),
                                  window());
}

bool ConnectionSettingsPage::imapChosen() const {
    return m_protocol->currentIndex() == 1;
}

void ConnectionSettingsPage::protocolChosen() {
    const bool imap = imapChosen();
    m_group->setTitle(imap ? QStringLiteral("IMAP account information")
                           : QStringLiteral("POP3 account information"));
    Q_EMIT protocolChanged(imap);
    const auto protocol = imap ? Logic::ConnectionSettings::Protocol::Imap
                               : Logic::ConnectionSettings::Protocol::Pop3;
    const Logic::ConnectionSettings suggested =
        Logic::suggestAccount(m_core.serverPresets(), m_settings.emailAddress(), {}, protocol)
            .connectionSettings;
    if (!suggested.serverName().empty()) {
        m_serverName->setText(toQString(suggested.serverName()));
        m_userLogin->setText(toQString(suggested.userLogin()));
        m_useTls->setChecked(suggested.useTls());
        m_port->setText(QString::number(suggested.port()));
        return;
    }
    // The other protocol's usual port, where the port is still the usual one.
    const QString usual =
        m_useTls->isChecked() ? (imap ? u"995"_s : u"993"_s) : (imap ? u"110"_s : u"143"_s);
    if (m_port->text() == usual)
        m_port->setText(m_useTls->isChecked() ? (imap ? u"993"_s : u"995"_s)
                                              : (imap ? u"143"_s : u"110"_s));
}

void ConnectionSettingsPage::warnOfPlainText(bool useTls) {
    // IMAP without TLS from the first byte uses STARTTLS: the password is never sent in clear.
    if (!useTls && !imapChosen())
        Prompts::showMessage(this, QMessageBox::Warning, window()->windowTitle(),
                             QStringLiteral("Without TLS the password travels over the network "
                                            "unencrypted, where others can read it. Clear this "
                                            "only for a server that offers no TLS."));
}
