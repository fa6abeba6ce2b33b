#include "tests/ui/PageTestSupport.h"

#include "core/ModelReader.h"
#include "core/UserActions.h"
#include "foundation/TextConversion.h"
#include "logic/Mail.h"
#include "ui/SettingsPage.h"

#include <QDir>
#include <QFile>
#include <QTableView>

using namespace Qt::StringLiterals;

namespace PageTests {
namespace {

void writeText(const QString& path, const QString& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content.toUtf8());
}

// Only the folders CTest gives the program, never the developer's own.
QString xdgFolder(const char* variable) {
    if (qEnvironmentVariableIsEmpty(variable))
        qFatal("%s must point into a throwaway folder: run the tests through CTest", variable);
    return qEnvironmentVariable(variable);
}

QString handlerFile(const QString& name) {
    return xdgFolder("XDG_DATA_HOME") + QStringLiteral("/velomar-test-handlers/") + name;
}

void setExecutable(const QString& path, bool executable) {
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                    (executable ? QFile::ExeOwner : QFile::Permissions()));
}

void writeHandler(const QString& name, const QString& exec, const QString& scheme) {
    writeText(handlerFile(name), QStringLiteral("#!/bin/sh\necho \"$*\" >> \"%1\"\n")
                                     .arg(handlerFile(QStringLiteral("starts"))));
    setExecutable(handlerFile(name), true);
    writeText(xdgFolder("XDG_DATA_HOME") +
                  QStringLiteral("/applications/velomar-test-%1.desktop").arg(name),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=\"%2\" %3\n"
                             "Icon=velomar-test-mail\nMimeType=x-scheme-handler/%4;\n")
                  .arg(name, handlerFile(name), exec, scheme));
}

} // namespace

std::shared_ptr<Logic::Mail> mail(const std::string& account, const std::string& from,
                                  const std::string& subject, const std::string& received) {
    const std::string dated = received.empty() ? "" : "Received: by mx; " + received + "\r\n";
    return std::make_shared<Logic::Mail>(account, dated + "From: " + from +
                                                      "\r\nSubject: " + subject + "\r\n\r\n");
}

Logic::AccountPreferences readAction(Logic::ReadMailAction action, const std::string& text) {
    Logic::AccountPreferences preferences;
    preferences.setReadMailAction(action);
    preferences.setProgramPath(Norq::toWide(text));
    preferences.setUrl(Norq::toWide(text));
    return preferences;
}

void EventRecorder::listen(ModelEvents& events) {
    const auto text = [](const std::string& address) { return QString::fromStdString(address); };
    connect(&events, &ModelEvents::accountAdded, this,
            [=, this](const std::string& address) { add(u"added "_s + text(address)); });
    connect(&events, &ModelEvents::accountRemoved, this,
            [=, this](const std::string& address) { add(u"removed "_s + text(address)); });
    connect(&events, &ModelEvents::accountChanged, this,
            [=, this](const std::string& address, bool reachedAnew) {
                add((reachedAnew ? u"reached anew "_s : u"changed "_s) + text(address));
            });
    connect(&events, &ModelEvents::unreadChanged, this, [this] { add(u"unreadChanged"_s); });
    connect(&events, &ModelEvents::modelSaved, this,
            [this](bool saved) { add(saved ? u"saved"_s : u"not saved"_s); });
}

void EventRecorder::listen(SettingsPage& page) {
    connect(&page, &SettingsPage::soundFileChanged, this,
            [this](const QString& path) { add(u"soundFileChanged "_s + path); });
    connect(&page, &SettingsPage::intervalChanged, this,
            [this](int minutes) { add(u"intervalChanged %1"_s.arg(minutes)); });
    connect(&page, &SettingsPage::notificationWindowChanged, this,
            [this](bool on) { add(u"notificationWindowChanged %1"_s.arg(on)); });
    connect(&page, &SettingsPage::playSoundChanged, this,
            [this](bool on) { add(u"playSoundChanged %1"_s.arg(on)); });
    connect(&page, &SettingsPage::autostartChanged, this,
            [this](bool on) { add(u"autostartChanged %1"_s.arg(on)); });
}

Model::Model()
    : m_core(std::make_unique<LogicCore>(m_folder.path().toStdString(), "")),
      m_events(std::make_unique<ModelEvents>(*m_core)) {}

void Model::addAccount(const std::string& email, const Logic::Account::MailList& mails,
                       const Logic::AccountPreferences& preferences) {
    auto account = std::make_unique<Logic::Account>();
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(email);
    account->setConnectionSettings(settings);
    account->setPreferences(preferences);
    account->mergeNewMails(mails);
    addAccount(std::move(account));
}

void Model::addAccount(std::unique_ptr<Logic::Account> account) {
    if (UserActions(*m_core).addAccount(std::move(account)) != ActionResult::Saved)
        qFatal("the test model could not add an account");
}

std::unique_ptr<LogicCore> Model::reload() const {
    return std::make_unique<LogicCore>(m_folder.path().toStdString(), "");
}

QStringList Model::saved() const {
    const auto core = reload();
    const ModelReader reloaded(*core);
    QStringList accounts;
    for (const AccountView& account : reloaded.accounts()) {
        QStringList subjects;
        for (const auto& held : reloaded.unreadMails()) {
            if (held->accountEmail() == account.emailAddress)
                subjects << QString::fromStdU16String(held->subject());
        }
        accounts << QString::fromStdString(account.emailAddress + ": ") + subjects.join(u", ");
    }
    return accounts;
}

void Model::breakSaving(bool broken) {
    const QString folder = m_folder.filePath(QStringLiteral("data"));
    QDir(folder).removeRecursively();
    QFile::remove(folder);
    if (broken)
        writeText(folder, QStringLiteral("not a folder"));
}

QStringList column(const QTableView* list, int column) {
    const QAbstractItemModel* model = list->model();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

void installDesktopHandlers() {
    static bool installed = false;
    if (std::exchange(installed, true))
        return;
    writeHandler(QStringLiteral("mailer"), QStringLiteral("--mail %i %u"),
                 QStringLiteral("mailto"));
    writeHandler(QStringLiteral("opener"), QStringLiteral("--open %u"),
                 QStringLiteral("velomar-test"));
    writeText(xdgFolder("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"),
              QStringLiteral("[Default Applications]\n"
                             "x-scheme-handler/mailto=velomar-test-mailer.desktop\n"
                             "x-scheme-handler/velomar-test=velomar-test-opener.desktop\n"));
}

QStringList handlerStarts() {
    QFile file(handlerFile(QStringLiteral("starts")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void forgetHandlerStarts() {
    QFile::remove(handlerFile(QStringLiteral("starts")));
}

void setMailClientInstalled(bool installed) {
    setExecutable(handlerFile(QStringLiteral("mailer")), installed);
}

QString recordingCommand(const QString& arguments) {
    return QLatin1Char('"') + handlerFile(QStringLiteral("opener")) + QStringLiteral("\" ") +
           arguments;
}

} // namespace PageTests
