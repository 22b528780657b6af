#include "platform/Memory.h"

#include <cstdlib> // defines __GLIBC__ with glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void keepFreedMemory()
{
#ifdef __GLIBC__
    // Up to 16 MiB, far beyond a read's needs and far below the machine's.
    constexpr int kKept = 16 << 20;
    mallopt(M_MMAP_THRESHOLD, kKept);
    mallopt(M_TRIM_THRESHOLD, kKept);
#endif
}

} // namespace platform
