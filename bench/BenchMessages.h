#pragma once

// The messages of the benchmark mailboxes: shaped like real mail (a Received chain, a DKIM
// signature, encoded sender and subject, a short body), dated one minute apart so that their
// order in the mailbox is their order in time.

#include <ctime>
#include <string>

namespace Bench {

/// When message `index` (0 is the oldest; negative indexes lie before the mailbox) arrived.
std::time_t receivedAt(int index);

/// The full text of message `index`, body included, as it is delivered.
std::string mailboxMessage(int index);

} // namespace Bench
