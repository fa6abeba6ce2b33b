#pragma once

#include "logic/AccountPreferences.h"

#include <string>
#include <string_view>

class QWidget;

// What "reading mail" starts for an account. Each failure is shown in an error box owned by
// `owner`, and the call returns once the user has closed it; the caller leaves the account's
// messages unread after a failure.

/// Carries out the account's read-mail action; true when it was started. An action value this
/// program does not know does nothing and gives false, without a message.
bool runReadMailAction(QWidget* owner, const Logic::AccountPreferences& preferences);
/// Starts the desktop's default mail client as its menu entry would.
bool launchDefaultMailClient(QWidget* owner);
/// Starts the command line as it stands: nothing is expanded or quoted.
bool launchProgram(QWidget* owner, std::u16string_view commandLine);
/// Opens the address with the desktop's default handler.
bool openUrl(QWidget* owner, std::u16string_view address);
