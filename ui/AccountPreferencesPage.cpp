#include "ui/AccountPreferencesPage.h"

#include "ui/AccountPageGroup.h"
#include "ui/DialogUnits.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

QRadioButton* radio(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

AccountPreferencesPage::AccountPreferencesPage(const Logic::AccountPreferences& preferences,
                                               QWidget* parent)
    : QWidget(parent), m_preferences(preferences) {
    QGridLayout* grid = makeAccountPageGroup(this, QStringLiteral("Read mail action"));
    QWidget* group = grid->parentWidget();
    m_defaultClient =
        radio(group, "defaultMailClient", QStringLiteral("Launch default e-mail client"));
    m_program = radio(group, "launchProgram", QStringLiteral("Launch this program:"));
    m_programPath =
        makeAccountPageEdit(group, "programPath", toQString(preferences.programPath()), 168);
    m_browse = new QPushButton(QStringLiteral("B&rowse..."), group);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setFixedWidth(dialogUnitsToPixelsX(this, 54));
    m_openUrl = radio(group, "openUrl", QStringLiteral("Open this URL in default web browser:"));
    m_url = makeAccountPageEdit(group, "url", toQString(preferences.url()), 168);
    // Each field sits under its choice, which names it.
    m_programPath->setAccessibleName(QStringLiteral("Program to launch"));
    m_url->setAccessibleName(QStringLiteral("URL to open"));

    // An action this program does not know checks no button and leaves every field disabled.
    switch (preferences.readMailAction()) {
    case Logic::ReadMailAction::DefaultMailClient:
        m_defaultClient->setChecked(true);
        break;
    case Logic::ReadMailAction::LaunchProgram:
        m_program->setChecked(true);
        break;
    case Logic::ReadMailAction::OpenUrl:
        m_openUrl->setChecked(true);
        break;
    }
    enableChosenFields();
    // The keyboard comes to the chosen action, as in any group of radio buttons.
    setFocusProxy(m_program->isChecked()   ? m_program
                  : m_openUrl->isChecked() ? m_openUrl
                                           : m_defaultClient);
    for (QRadioButton* button : {m_defaultClient, m_program, m_openUrl})
        connect(button, &QRadioButton::toggled, this, &AccountPreferencesPage::enableChosenFields);
    connect(m_browse, &QPushButton::clicked, this, &AccountPreferencesPage::browse);

    // The choices from 18 dialog units, their fields indented under them from 36 to 204, and
    // "Browse..." from 210 to 264: each field sits under the choice it belongs to.
    grid->setColumnMinimumWidth(0, dialogUnitsToPixelsX(this, 18));
    grid->setColumnMinimumWidth(1, dialogUnitsToPixelsX(this, 174));
    grid->addWidget(m_defaultClient, 0, 0, 1, 3);
    grid->addWidget(m_program, 1, 0, 1, 3);
    grid->addWidget(m_programPath, 2, 1, Qt::AlignLeft);
    grid->addWidget(m_browse, 2, 2);
    grid->addWidget(m_openUrl, 3, 0, 1, 3);
    grid->addWidget(m_url, 4, 1, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);

    // Off, the program changes nothing on the server: it stays a notifier.
    m_markOnServer = new QCheckBox(QStringLiteral("Mark messages read on the server too"), this);
    m_markOnServer->setObjectName(QStringLiteral("markReadOnServer"));
    m_markOnServer->setToolTip(QStringLiteral(
        "For an IMAP account: Mark As Read also marks the message read on the server, where "
        "your other mail programs see it"));
    m_markOnServer->setChecked(preferences.markReadOnServer());
    layout()->addWidget(m_markOnServer);
}

void AccountPreferencesPage::apply() {
    m_preferences.setMarkReadOnServer(m_markOnServer->isChecked());
    m_preferences.setProgramPath(wideOf(m_programPath->text()));
    m_preferences.setUrl(wideOf(m_url->text()));
    m_preferences.setReadMailAction(m_defaultClient->isChecked()
                                        ? Logic::ReadMailAction::DefaultMailClient
                                    : m_program->isChecked() ? Logic::ReadMailAction::LaunchProgram
                                                             : Logic::ReadMailAction::OpenUrl);
}

void AccountPreferencesPage::setForImap(bool imap) {
    m_markOnServer->setEnabled(imap);
}

void AccountPreferencesPage::enableChosenFields() {
    m_programPath->setEnabled(m_program->isChecked());
    m_browse->setEnabled(m_program->isChecked());
    m_url->setEnabled(m_openUrl->isChecked());
}

void AccountPreferencesPage::browse() {
    // Programs here have no extension to filter by.
    const QString path = Prompts::openFileName(window(), QStringLiteral("Choose a Program"), {},
                                               {QStringLiteral("All Files (*)")});
    if (!path.isEmpty())
        m_programPath->setText(path);
}
