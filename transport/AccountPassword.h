#pragma once

#include "transport/CheckProblem.h"

#include <string>
#include <variant>

namespace Logic {
class ConnectionSettings;
}

/// The password to log in with: the one in the settings, or, for an account whose password is
/// kept in the desktop's keyring, the keyring's (a call that waits for the keyring: made on the
/// check's or the connection test's own thread). When the keyring cannot give it, the problem
/// says exactly why.
std::variant<std::string, CheckProblem> accountPassword(const Logic::ConnectionSettings& settings);
