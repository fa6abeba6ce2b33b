#pragma once

#include "logic/ConnectionSettings.h"

#include <optional>

class LogicCore;
class QWidget;

/// Puts a password typed in `window` where it will live, while the window waits: in the
/// desktop's keyring, or in the account file where no keyring answers (the page said so). When
/// the keyring refuses it, the person is asked whether to keep it in the file instead. The
/// settings to keep; nothing when the window should stay open (they said no, a new account's
/// address was taken meanwhile, the program is ending).
std::optional<Logic::ConnectionSettings> keepTypedPassword(LogicCore& core, QWidget* window,
                                                           const Logic::ConnectionSettings& typed,
                                                           bool newAccount);
