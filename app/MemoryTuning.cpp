#include "app/MemoryTuning.h"

// Any C library header defines __GLIBC__ on glibc systems.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "model/TableStorage.h"

namespace vantrel {

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // Up to 64 MiB of free heap top is kept before it is given back.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  // Setting the trim threshold also freezes the threshold above which
  // blocks are mapped on their own at its start value of 128 KiB; every
  // table past that would then get a fresh mapping at each growth and
  // fault in anew every byte ever written to it. The tables of the
  // drawings list images are made of stay in the heap and are reused; the
  // large tables of big drawings are mapped on their own (grown in one step
  // into huge pages), so that what a pass frees goes back at once.
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHugeTableBytes));
#endif
}

}  // namespace vantrel
