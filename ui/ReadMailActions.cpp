#include "ui/ReadMailActions.h"

#include "platform/DesktopLaunch.h"
#include "ui/Prompts.h"
#include "ui/QtText.h"

#include <QString>

bool runReadMailAction(QWidget* owner, const Logic::AccountPreferences& preferences) {
    switch (preferences.readMailAction()) {
    case Logic::ReadMailAction::DefaultMailClient:
        return launchDefaultMailClient(owner);
    case Logic::ReadMailAction::LaunchProgram:
        return launchProgram(owner, preferences.programPath());
    case Logic::ReadMailAction::OpenUrl:
        return openUrl(owner, preferences.url());
    }
    return false;
}

bool launchDefaultMailClient(QWidget* owner) {
    if (Platform::launchDefaultMailClient())
        return true;
    Prompts::showError(owner, QStringLiteral("Can't launch default mail client!"));
    return false;
}

bool launchProgram(QWidget* owner, std::u16string_view commandLine) {
    const QString command = toQString(commandLine);
    if (Platform::startCommandLine(command.toStdString()))
        return true;
    Prompts::showError(owner, QStringLiteral("Can't launch the program [") + command +
                                  QStringLiteral("]!"));
    return false;
}

bool openUrl(QWidget* owner, std::u16string_view address) {
    const QString url = toQString(address);
    if (Platform::openWithDefaultHandler(url.toStdString()))
        return true;
    Prompts::showError(owner, QStringLiteral("Can't open the url [") + url + QStringLiteral("]!"));
    return false;
}
