#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    constexpr int kKeep = 32 * 1024 * 1024;  // the largest the library takes
    mallopt(M_TRIM_THRESHOLD, kKeep);
    mallopt(M_MMAP_THRESHOLD, kKeep);
#endif
}

}  // namespace platform
