#include "tests/ui/PageTestSupport.h"

#include "core/ModelView.h"
#include "core/UserActions.h"
#include "foundation/TextConversion.h"
#include "logic/Mail.h"

#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTest>

#include <cstdlib>

namespace PageTests {
namespace {

QString text(const std::u16string& wide) {
    return QString::fromStdU16String(wide);
}

void writeText(const QString& path, const QString& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content.toUtf8());
}

// Only inside the folders CTest gives the program: never the developer's own.
QString xdgFolder(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0')
        qFatal("%s must point into a throwaway folder (run the tests through CTest)", variable);
    return QString::fromLocal8Bit(value);
}

QString handlerFolder() {
    return xdgFolder("XDG_DATA_HOME") + QStringLiteral("/velomar-test-handlers");
}

QString startsFile() {
    return handlerFolder() + QStringLiteral("/starts");
}

QString recorderScript(const QString& name) {
    return handlerFolder() + QLatin1Char('/') + name;
}

void writeRecorder(const QString& name) {
    const QString path = recorderScript(name);
    writeText(path, QStringLiteral("#!/bin/sh\necho \"$*\" >> \"%1\"\n").arg(startsFile()));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

void RecordingObserver::soundFileChanged(const std::u16string& path) {
    m_events << QStringLiteral("soundFileChanged ") + text(path);
}

void RecordingObserver::intervalChanged(std::int32_t minutes) {
    m_events << QStringLiteral("intervalChanged %1").arg(minutes);
}

void RecordingObserver::notificationWindowChanged(bool on) {
    m_events << QStringLiteral("notificationWindowChanged %1").arg(on);
}

void RecordingObserver::playSoundChanged(bool on) {
    m_events << QStringLiteral("playSoundChanged %1").arg(on);
}

void RecordingObserver::autostartChanged(bool on) {
    m_events << QStringLiteral("autostartChanged %1").arg(on);
}

void RecordingObserver::mailsChanged() {
    m_events << QStringLiteral("mailsChanged");
}

void RecordingObserver::modelSaved(ActionResult result) {
    m_events << (result == ActionResult::Saved ? QStringLiteral("saved")
                                               : QStringLiteral("not saved"));
}

std::shared_ptr<Logic::Mail> mail(const std::string& account, const std::string& fromField,
                                  const std::string& subjectField, const std::string& received) {
    std::string header =
        received.empty() ? "" : "Received: by mx.example.org; " + received + "\r\n";
    header += "From: " + fromField + "\r\nSubject: " + subjectField + "\r\n\r\n";
    return std::make_shared<Logic::Mail>(account, header);
}

Model::Model() {
    if (!m_folder.isValid())
        qFatal("no temporary folder");
    m_core = std::make_unique<LogicCore>(m_folder.path().toStdString(), std::filesystem::path());
}

void Model::addAccount(const std::string& email, const Logic::Account::MailList& mails,
                       Logic::AccountPreferences preferences) {
    auto account = std::make_unique<Logic::Account>();
    Logic::ConnectionSettings settings;
    settings.setEmailAddress(email);
    account->setConnectionSettings(settings);
    account->setPreferences(std::move(preferences));
    account->mergeNewMails(mails);
    addAccount(std::move(account));
}

void Model::addAccount(std::unique_ptr<Logic::Account> account) {
    if (UserActions(*m_core).addAccount(std::move(account)) != ActionResult::Saved)
        qFatal("the test model could not add an account");
}

QStringList Model::saved() const {
    LogicCore reloaded(m_folder.path().toStdString(), std::filesystem::path());
    const ModelView view(reloaded);
    QStringList accounts;
    for (const AccountView& account : view.accounts()) {
        QStringList subjects;
        for (const auto& held : view.unreadMails()) {
            if (held->accountEmail() == account.emailAddress)
                subjects << text(held->subject());
        }
        accounts << QString::fromStdString(account.emailAddress) + QStringLiteral(": ") +
                        subjects.join(QStringLiteral(", "));
    }
    return accounts;
}

bool Model::dataFileExists() const {
    return QFile::exists(m_folder.filePath(QStringLiteral("data/general.bin")));
}

void Model::breakSaving() {
    // A file where the data folder should be.
    QDir(m_folder.filePath(QStringLiteral("data"))).removeRecursively();
    writeText(m_folder.filePath(QStringLiteral("data")), QStringLiteral("not a folder"));
}

void Model::repairSaving() {
    QFile::remove(m_folder.filePath(QStringLiteral("data")));
}

QStringList column(const QTableWidget* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->rowCount(); ++row)
        texts << list->item(row, column)->text();
    return texts;
}

Logic::AccountPreferences launching(const std::string& commandLine) {
    Logic::AccountPreferences preferences;
    preferences.setReadMailAction(Logic::ReadMailAction::LaunchProgram);
    preferences.setProgramPath(Norq::toWide(commandLine));
    return preferences;
}

Logic::AccountPreferences opening(const std::string& url) {
    Logic::AccountPreferences preferences;
    preferences.setReadMailAction(Logic::ReadMailAction::OpenUrl);
    preferences.setUrl(Norq::toWide(url));
    return preferences;
}

void installDesktopHandlers() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    writeRecorder(QStringLiteral("mailer"));
    writeRecorder(QStringLiteral("opener"));
    const QString applications = xdgFolder("XDG_DATA_HOME") + QStringLiteral("/applications/");
    writeText(applications + QStringLiteral("velomar-test-mailer.desktop"),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=Test Mailer\n"
                             "Exec=\"%1\" --mail %VELOMAR_TEST_BOX% %u\n"
                             "MimeType=x-scheme-handler/mailto;\n")
                  .arg(recorderScript(QStringLiteral("mailer"))));
    writeText(applications + QStringLiteral("velomar-test-opener.desktop"),
              QStringLiteral("[Desktop Entry]\nType=Application\nName=Test Opener\n"
                             "Exec=\"%1\" --open %u\nMimeType=x-scheme-handler/velomar-test;\n")
                  .arg(recorderScript(QStringLiteral("opener"))));
    writeText(xdgFolder("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"),
              QStringLiteral("[Default Applications]\n"
                             "x-scheme-handler/mailto=velomar-test-mailer.desktop\n"
                             "x-scheme-handler/velomar-test=velomar-test-opener.desktop\n"));
    qputenv("VELOMAR_TEST_BOX", "inbox");
    forgetHandlerStarts();
}

QStringList handlerStarts() {
    QFile file(startsFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void forgetHandlerStarts() {
    QFile::remove(startsFile());
}

void setMailClientInstalled(bool installed) {
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (installed)
        permissions |= QFile::ExeOwner;
    QFile::setPermissions(recorderScript(QStringLiteral("mailer")), permissions);
}

QString recordingCommand(const QString& arguments) {
    return QLatin1Char('"') + recorderScript(QStringLiteral("opener")) + QStringLiteral("\" ") +
           arguments;
}

} // namespace PageTests
