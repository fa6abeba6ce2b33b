#include "platform/HeapSettings.h"

#include <malloc.h>

namespace Platform {

void returnLargeBlocksToTheSystem() {
    // A threshold set here stays where it is; glibc would otherwise raise it to the size of
    // each large block freed.
    ::mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
}

} // namespace Platform
