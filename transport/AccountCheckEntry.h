#pragma once

#include "headers/MailDate.h"
#include "logic/ConnectionSettings.h"

/// One account of a check's work list: copies, so the checker thread never touches the live
/// account.
struct AccountCheckEntry {
    Logic::ConnectionSettings connectionSettings;
    /// Only messages strictly newer than this count as new.
    MailDate newestKnown;
};
