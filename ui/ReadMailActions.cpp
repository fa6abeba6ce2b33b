#include "ui/ReadMailActions.h"

#include "foundation/TextConversion.h"
#include "platform/Environment.h"
#include "ui/DesktopServices.h"
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
    const auto client = DesktopServices::defaultMailClient();
    if (client && !client->id.isEmpty() && !client->commandLine.isEmpty()) {
        const std::u16string command = expandEnvironmentReferences(wideOf(client->commandLine));
        if (DesktopServices::startCommandLine(toQString(command)))
            return true;
    }
    Prompts::showError(owner, QStringLiteral("Can't launch default mail client!"));
    return false;
}

bool launchProgram(QWidget* owner, std::u16string_view commandLine) {
    const QString command = toQString(commandLine);
    if (DesktopServices::startCommandLine(command))
        return true;
    Prompts::showError(owner, QStringLiteral("Can't launch the program [") + command +
                                  QStringLiteral("]!"));
    return false;
}

bool openUrl(QWidget* owner, std::u16string_view address) {
    const QString url = toQString(address);
    if (DesktopServices::openWithDefaultHandler(url))
        return true;
    Prompts::showError(owner, QStringLiteral("Can't open the url [") + url + QStringLiteral("]!"));
    return false;
}

std::u16string expandEnvironmentReferences(std::u16string_view text) {
    std::u16string out;
    std::u16string name;
    bool inName = false;
    for (const char16_t unit : text) {
        if (unit != u'%') {
            (inName ? name : out).push_back(unit);
        } else if (!inName) {
            inName = true;
        } else {
            if (const auto value = Platform::environmentVariable(Norq::toNarrow(name)))
                out += Norq::toWide(*value);
            name.clear();
            inName = false;
        }
    }
    return out;
}
