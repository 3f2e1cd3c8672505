#include "app/MemoryTuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vantrel {

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // Heaps grow by 16 MiB at a time and keep up to 64 MiB of free top
  // before giving it back.
  mallopt(M_TOP_PAD, 16 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

}  // namespace vantrel
