#pragma once

#include "logic/ConnectionSettings.h"
#include "transport/CheckProblem.h"
#include "transport/ImapSession.h"
#include "transport/MailboxOpening.h"

#include <cstdint>
#include <optional>
#include <vector>

/// Opens an IMAP account's INBOX on a fresh session the way every check does — connect (over
/// TLS, or STARTTLS before anything else), log in, EXAMINE with the search for the unseen
/// messages — so that a connection test goes through the very same dialogue as a check.
/// Returns the problem when a step failed; `state` receives what EXAMINE told, `unseen` the
/// UIDs of the unseen messages, ascending.
std::optional<CheckProblem> openImapMailbox(ImapSession& session,
                                            const Logic::ConnectionSettings& settings,
                                            ImapMailboxState& state,
                                            std::vector<std::uint32_t>& unseen,
                                            MailboxOpeningSteps* steps = nullptr);
/// Marks these messages of the account's INBOX read (\Seen) on a connection of its own, for
/// "Mark messages read on the server too". Waits on the server: never on the interface thread.
/// The problem when it could not be done.
std::optional<CheckProblem> markSeenOnServer(const Logic::ConnectionSettings& settings,
                                             const std::vector<std::uint32_t>& uids,
                                             const Pop3Limits& limits = {});
/// The problem behind the session's last failure, at the step that failed, as for POP3.
CheckProblem problemOf(const ImapSession& session, CheckFailure afterLogIn = CheckFailure::Server);
/// A session for the account's server: TLS from the first byte, or else STARTTLS.
ImapSession imapSessionFor(const Logic::ConnectionSettings& settings, int stopDescriptor,
                           const Pop3Limits& limits);
