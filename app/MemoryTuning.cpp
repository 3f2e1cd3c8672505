#include "app/MemoryTuning.h"

// Any C library header defines __GLIBC__ on glibc systems.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vantrel {

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // Up to 64 MiB of free heap top is kept before it is given back.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace vantrel
