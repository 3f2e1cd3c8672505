#include "model/TableStorage.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <system_error>
#include <utility>

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

BackgroundFaultIn::BackgroundFaultIn(std::vector<Range> ranges) : ranges_(std::move(ranges)) {
#if defined(MADV_POPULATE_WRITE)
  std::size_t total = 0;
  for (const Range& r : ranges_) total += r.bytes;
  if (total < kWorthAThread) return;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    // Without a thread the pass faults its pages in itself, as ever.
  }
#endif
}

BackgroundFaultIn::~BackgroundFaultIn() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void BackgroundFaultIn::Run() {
#if defined(MADV_POPULATE_WRITE)
  constexpr std::uintptr_t kPage = 4096;
  constexpr std::size_t kRound = std::size_t{16} << 20;  // bytes of all ranges a round
  std::size_t total = 0;
  for (const Range& r : ranges_) total += r.bytes;
  struct Cursor {
    std::uintptr_t next, end;
    std::size_t step;
  };
  std::vector<Cursor> cursors;
  for (const Range& r : ranges_) {
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(r.begin);
    const auto share = static_cast<std::size_t>(static_cast<double>(kRound) * r.bytes / total);
    // A page the table already uses is present; populating it does nothing.
    cursors.push_back({begin & ~(kPage - 1), (begin + r.bytes + kPage - 1) & ~(kPage - 1),
                       std::max<std::size_t>(share, kPage) & ~(kPage - 1)});
  }
  for (bool more = true; more && !stop_;) {
    more = false;
    for (Cursor& c : cursors) {
      if (c.next >= c.end || stop_) continue;
      const std::size_t len = std::min<std::size_t>(c.step, c.end - c.next);
      madvise(reinterpret_cast<void*>(c.next), len, MADV_POPULATE_WRITE);
      c.next += len;
      more = more || c.next < c.end;
    }
  }
#endif
}

}  // namespace vantrel
