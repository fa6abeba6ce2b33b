#pragma once

namespace Platform {

/// Makes the heap give memory back to the system when large blocks are freed: every block of
/// 1 MiB or more gets pages of its own. The C library otherwise serves such blocks from the
/// heap once the first one has been freed, and there they stay with the process: loading and
/// saving a data file of 100 000 messages left some 45 MiB that nothing used. Call it first
/// thing, before the first allocation of that size.
void returnLargeBlocksToTheSystem();

} // namespace Platform
