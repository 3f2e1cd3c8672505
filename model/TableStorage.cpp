#include "model/TableStorage.h"

#include <sys/mman.h>

#include <cstdint>

namespace vantrel {

void AdviseHugePages(void* p, std::size_t bytes) noexcept {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(kHuge - 1);
  // A kernel without transparent huge pages refuses the advice; the table
  // then simply has small pages.
  if (first < last) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

}  // namespace vantrel
