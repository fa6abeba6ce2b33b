#pragma once

#include "headers/MailDate.h"
#include "logic/ConnectionSettings.h"
#include "logic/ImapMark.h"
#include "logic/SeenMessages.h"

/// One account of a check's work list: copies, so the checker thread never touches the live
/// account.
struct AccountCheckEntry {
    Logic::ConnectionSettings connectionSettings;
    /// Only messages strictly newer than this count as new.
    MailDate newestKnown;
    /// The ids of the messages the account's checks have seen in this mailbox.
    Logic::SeenMessages seen;
    /// An IMAP account's: where its checks stand.
    Logic::ImapMark imapMark;
};
