#pragma once

#include "platform/SecretStore.h"

#include <string>

/// Why the desktop's keyring did not take a password, for a person: "the desktop's keyring is
/// locked and was not unlocked".
std::string keyringRefusal(const Platform::SecretStore::Answer& answer);
