#pragma once

#include <mutex>

namespace Logic {

/// Held around every access to accounts and their mails. Recursive, because a page action holds
/// it across several manager calls that each expect it held. Taken before any of the small
/// innermost locks.
using AccountLock = std::recursive_mutex;

} // namespace Logic
