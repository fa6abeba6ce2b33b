#include "ui/AccountWizard.h"

#include "core/LogicCore.h"
#include "core/ModelReader.h"
#include "logic/Account.h"
#include "logic/AccountSuggestion.h"
#include "logic/ServerPresets.h"
#include "ui/AccountPreferencesPage.h"
#include "ui/ConnectionSettingsPage.h"
#include "ui/DialogFrame.h"
#include "ui/DialogUnits.h"
#include "ui/FieldLabel.h"
#include "ui/HyperLink.h"
#include "ui/PlaceholderPage.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"
#include "ui/TypedPassword.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace {

// The width of the account pages' group boxes, in dialog units.
constexpr int kPageWidth = 266;

// The pictures are drawn at their size in the screen's own pixels, so they stay sharp where
// the desktop scales.
QPixmap renderArt(const QString& path, QSize size, qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QSvgRenderer(path).render(&painter, QRectF(QPointF(), QSizeF(size)));
    return pixmap;
}

// Bold "Verdana" of 10 points, or the nearest the system has.
QFont exteriorTitleFont(const QFont& base) {
    QFont font = base;
    font.setFamilies({QStringLiteral("Verdana Bold"), QStringLiteral("Verdana"), base.family()});
    font.setPointSize(10);
    font.setBold(true);
    return font;
}

// The first and the last page: the large picture on the left, no header, a title in the
// exterior font and perhaps a line of text below it.
QWizardPage* makeExteriorPage(const QString& title, const QString& text, const QPixmap& watermark,
                              const char* objectName) {
    auto* page = new QWizardPage;
    page->setPixmap(QWizard::WatermarkPixmap, watermark);
    auto* heading = new QLabel(title, page);
    heading->setObjectName(QString::fromLatin1(objectName));
    heading->setFont(exteriorTitleFont(page->font()));
    heading->setAlignment(Qt::AlignCenter);
    heading->setWordWrap(true);
    heading->setMinimumHeight(dialogUnitsToPixelsY(page, 40));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(heading);
    if (!text.isEmpty()) {
        layout->addSpacing(dialogUnitsToPixelsY(page, 21));
        auto* body = new QLabel(text, page);
        body->setWordWrap(true);
        body->setContentsMargins(dialogUnitsToPixelsX(page, 30), 0, 0, 0);
        layout->addWidget(body);
    }
    layout->addStretch();
    return page;
}

} // namespace

AccountWizard::AccountWizard(LogicCore& core, QWidget* parent)
    : QWizard(parent), m_core(core), m_account(std::make_unique<Logic::Account>()) {
    Q_INIT_RESOURCE(AccountDialogs);
    setWindowTitle(QStringLiteral("E-Mail Account Configuration Wizard"));
    setWindowFlags(kDialogFrame);
    setWizardStyle(QWizard::ModernStyle);
    setPixmap(QWizard::LogoPixmap, renderArt(QStringLiteral(":/account-dialogs/wizard-header.svg"),
                                             {49, 49}, devicePixelRatioF()));
    const QPixmap watermark = renderArt(QStringLiteral(":/account-dialogs/wizard-watermark.svg"),
                                        {164, 314}, devicePixelRatioF());

    setPage(
        kWelcomePage,
        makeExteriorPage(
            QStringLiteral("Welcome to the Account Configuration Wizard"),
            QStringLiteral("This wizard will guide you through the e-mail account configuration."),
            watermark, "welcomeTitle"));
    setPage(kPrimaryPage, makePrimaryPage());
    // The POP3 page is built afresh each time it is shown (pageShown), so that it shows the
    // values decided from the address.
    m_connectionHost = new QWidget;
    m_connectionHost->setObjectName(QStringLiteral("connectionPlaceholder"));
    auto* hostLayout = new QVBoxLayout(m_connectionHost);
    hostLayout->setContentsMargins({});
    hostLayout->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setPage(kPop3Page, makeHostPage(m_connectionHost, QStringLiteral("POP3 account settings"),
                                    QStringLiteral("Please enter your POP3 account settings")));
    m_preferencesHost = new PlaceholderPage("preferencesPlaceholder", [this](QWidget* host) {
        m_preferencesPage = new AccountPreferencesPage(m_account->preferences(), host);
        m_preferencesPage->setForImap(m_account->connectionSettings().protocol() ==
                                      Logic::ConnectionSettings::Protocol::Imap);
        return m_preferencesPage;
    });
    setPage(kPreferencePage, makeHostPage(m_preferencesHost, QStringLiteral("Account preference"),
                                          QStringLiteral("Please choose your account preference")));
    setPage(kCompletionPage,
            makeExteriorPage(
                QStringLiteral("You have successfully completed e-mail account configuration!"), {},
                watermark, "completionTitle"));
    setStartId(kWelcomePage);

    // One window size for every page: the wizard would otherwise widen as it goes, the account
    // pages being built only when they are shown. The pages with a header sit within the
    // window's margins; those with the large picture reach its edges.
    const int interiorWidth = page(kPrimaryPage)->minimumSizeHint().width() +
                              style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this) +
                              style()->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, this);
    for (int id : {kWelcomePage, kCompletionPage})
        page(id)->setMinimumWidth(interiorWidth -
                                  qRound(watermark.deviceIndependentSize().width()));

    connect(this, &QWizard::currentIdChanged, this, &AccountWizard::pageShown);
    // QWizard's Back returns to the page visited before; ours can skip one (goBack).
    QAbstractButton* back = button(QWizard::BackButton);
    disconnect(back, &QAbstractButton::clicked, this, nullptr);
    connect(back, &QAbstractButton::clicked, this, &AccountWizard::goBack);
}

AccountWizard::~AccountWizard() = default;

std::unique_ptr<Logic::Account> AccountWizard::takeAccount() {
    return result() == QDialog::Accepted ? std::move(m_account) : nullptr;
}

int AccountWizard::nextId() const {
    switch (currentId()) {
    case kWelcomePage:
        return kPrimaryPage;
    case kPrimaryPage:
        return kPop3Page;
    case kPop3Page:
        return kPreferencePage;
    case kPreferencePage:
        return kCompletionPage;
    default:
        return -1;
    }
}

bool AccountWizard::validateCurrentPage() {
    switch (currentId()) {
    case kPrimaryPage:
        return acceptPrimarySettings();
    case kPop3Page:
        if (!m_connectionPage->apply())
            return false;
        m_account->setConnectionSettings(m_connectionPage->settings());
        if (m_preferencesPage != nullptr)
            m_preferencesPage->setForImap(m_connectionPage->imapChosen());
        return true;
    case kPreferencePage:
        m_preferencesPage->apply();
        m_account->setPreferences(m_preferencesPage->preferences());
        return true;
    case kCompletionPage:
        if (const auto kept =
                keepTypedPassword(m_core, this, m_account->connectionSettings(), true)) {
            m_account->setConnectionSettings(*kept);
            return true;
        }
        return false;
    default:
        return true;
    }
}

QWizardPage* AccountWizard::makePrimaryPage() {
    auto* page = new QWizardPage;
    page->setTitle(QStringLiteral("Primary account settings"));
    page->setSubTitle(QStringLiteral("Please enter your primary account settings"));
    auto* group = new QGroupBox(QStringLiteral("Primary information"), page);
    m_emailAddress = new QLineEdit(group);
    m_emailAddress->setObjectName(QStringLiteral("emailAddress"));
    m_password = new QLineEdit(group);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    auto* grid = new QGridLayout(group);
    grid->addWidget(fieldLabel(QStringLiteral("E-Mail address:"), m_emailAddress), 0, 0);
    grid->addWidget(m_emailAddress, 0, 1);
    grid->addWidget(fieldLabel(QStringLiteral("Password:"), m_password), 1, 0);
    grid->addWidget(m_password, 1, 1);
    grid->setColumnMinimumWidth(1, dialogUnitsToPixelsX(page, 108));
    grid->setColumnStretch(2, 1);
    group->setMinimumWidth(dialogUnitsToPixelsX(page, kPageWidth));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWizardPage* AccountWizard::makeHostPage(QWidget* host, const QString& title,
                                         const QString& subTitle) {
    auto* page = new QWizardPage;
    page->setTitle(title);
    page->setSubTitle(subTitle);
    // The hosted page is built only when shown; the wizard is sized for it from the start.
    host->setMinimumWidth(dialogUnitsToPixelsX(page, kPageWidth));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(host);
    return page;
}

bool AccountWizard::acceptPrimarySettings() {
    const QString address = m_emailAddress->text();
    const auto refuse = [this](const QString& text) {
        Prompts::showMessage(currentPage(), QMessageBox::Critical,
                             QStringLiteral("Account settings error"), text);
        return false;
    };
    if (!Logic::isEmailAddress(narrowOf(address)))
        return refuse(QStringLiteral("[%1] is not an e-mail address: it needs a name, an at sign "
                                     "and a domain, as in me@example.org.")
                          .arg(address));
    const Logic::AccountSuggestion suggestion = Logic::suggestAccount(
        m_core.serverPresets(), narrowOf(address), narrowOf(m_password->text()));
    if (ModelReader(m_core).account(suggestion.connectionSettings.emailAddress()))
        return refuse(
            QStringLiteral("Account with e-mail address [%1] already exists.").arg(address));
    const Logic::ServerPreset* provider = providerOf(suggestion.connectionSettings);
    if (provider != nullptr && !provider->offersPop3() && !provider->offersImap())
        return refuse(QStringLiteral("[%1] cannot be added.\n\n%2")
                          .arg(address, toQString(provider->noPasswordText())));
    // Another address may have another provider, whose read-mail page the preferences follow.
    if (suggestion.connectionSettings.emailAddress() !=
        m_account->connectionSettings().emailAddress()) {
        m_preferencesHost->dropPage();
        m_preferencesPage = nullptr;
    }
    m_account->setConnectionSettings(suggestion.connectionSettings);
    m_account->setPreferences(suggestion.preferences);
    return true;
}

void AccountWizard::pageShown(int id) {
    // The account pages come into being after the wizard has chosen where the focus goes.
    if (id == kPop3Page) {
        delete m_connectionPage;
        m_connectionPage =
            new ConnectionSettingsPage(m_account->connectionSettings(), m_core, m_connectionHost);
        m_connectionHost->layout()->addWidget(m_connectionPage);
        m_connectionPage->show();
        m_connectionPage->setFocus();
        showProviderNote();
    } else if (id == kPreferencePage) {
        m_preferencesHost->buildPage();
        m_preferencesPage->setFocus();
    }
}

const Logic::ServerPreset*
AccountWizard::providerOf(const Logic::ConnectionSettings& settings) const {
    const Logic::ServerPresets& presets = m_core.serverPresets();
    const Logic::ServerPreset* provider = presets.find(Logic::domainOf(settings.emailAddress()));
    return provider != nullptr ? provider : presets.findByServer(settings.serverName());
}

void AccountWizard::showProviderNote() {
    delete m_providerNote;
    m_providerNote = nullptr;
    const Logic::ConnectionSettings& settings = m_account->connectionSettings();
    const Logic::ServerPreset* provider = providerOf(settings);
    if (provider == nullptr)
        return;
    const Logic::ServerPreset::Access& access =
        settings.protocol() == Logic::ConnectionSettings::Protocol::Imap ? provider->imapAccess
                                                                         : provider->access;
    if (access.note.empty() && access.help.empty())
        return;
    m_providerNote = new QWidget(m_connectionHost);
    m_providerNote->setObjectName(QStringLiteral("providerNote"));
    auto* layout = new QVBoxLayout(m_providerNote);
    layout->setContentsMargins(0, dialogUnitsToPixelsY(this, 4), 0, 0);
    auto* note = new QLabel(toQString(access.note), m_providerNote);
    note->setWordWrap(true);
    layout->addWidget(note);
    if (!access.help.empty()) {
        const QString help = toQString(access.help);
        layout->addWidget(
            new HyperLink(QStringLiteral("The provider's help page"), help, m_providerNote), 0,
            Qt::AlignLeft);
    }
    m_connectionHost->layout()->addWidget(m_providerNote);
    m_providerNote->show();
}

void AccountWizard::goBack() {
    if (currentId() == kCompletionPage)
        back();
    back();
}
