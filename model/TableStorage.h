// Room in the record tables. A big drawing writes hundreds of megabytes of
// records, and on the machines the viewer runs on most of that time can go
// to the kernel: every 4 KiB page of a table faults in on its first write,
// and every doubling of a table faults in a new copy of all of it. Tables
// of a few megabytes and more are therefore grown in one step to room that
// is known or projected, and their storage is offered to the kernel for
// transparent huge pages before anything is written to it, so that one
// fault brings in 2 MiB. Room reserved and never written costs address
// space only.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <iterator>
#include <thread>
#include <vector>

namespace vantrel {

// From this size on a table's storage is advised for huge pages.
inline constexpr std::size_t kHugeTableBytes = std::size_t{4} << 20;

// Asks the kernel to back [p, p + bytes) with huge pages where whole ones
// fit; silently nothing where the kernel offers none.
void AdviseHugePages(void* p, std::size_t bytes) noexcept;

// Room for at least count records. Growth stays geometric, so that callers
// that each ask for a little more do not move the table each time. A large
// table moves into storage advised before the move writes to it.
template <class T>
void ReserveTable(std::vector<T>& table, std::size_t count) {
  if (count <= table.capacity()) return;
  const std::size_t room = std::max(count, table.capacity() + table.capacity() / 2);
  if (room > table.max_size() / 2 || room * sizeof(T) < kHugeTableBytes) {
    table.reserve(room);
    return;
  }
  std::vector<T> grown;
  grown.reserve(room);
  AdviseHugePages(grown.data(), room * sizeof(T));
  std::move(table.begin(), table.end(), std::back_inserter(grown));
  table.swap(grown);
}

// Storage a pass is about to fill, faulted in on a thread of its own while
// the pass runs: the kernel zeroes every page before its first write, and
// the placed records of a big drawing are a quarter of a gigabyte of such
// pages, which the pass then finds ready. Nothing is written to the ranges
// (a page the pass reaches first is simply not waited for), and the ranges
// are taken in step, as the pass fills its tables side by side. Less than
// kWorthAThread is left to the pass; without the kernel's support, all is.
class BackgroundFaultIn {
 public:
  struct Range {
    void* begin;
    std::size_t bytes;
  };
  static constexpr std::size_t kWorthAThread = std::size_t{64} << 20;

  explicit BackgroundFaultIn(std::vector<Range> ranges);
  // Stops after the step in hand and waits for the thread.
  ~BackgroundFaultIn();
  BackgroundFaultIn(const BackgroundFaultIn&) = delete;
  BackgroundFaultIn& operator=(const BackgroundFaultIn&) = delete;

 private:
  void Run();

  std::vector<Range> ranges_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The storage between a table's size and size + count.
template <class T>
BackgroundFaultIn::Range RoomOf(std::vector<T>& table, std::size_t count) {
  return {table.data() + table.size(), std::min(count, table.capacity() - table.size()) * sizeof(T)};
}

}  // namespace vantrel
