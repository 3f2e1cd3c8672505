// LayerIndex for passes that ask it once per record. Records come in runs
// over a handful of layers; comparing the few names asked last (by handle,
// the same handle being the same name) is cheaper than hashing every name.
// The answers are LayerIndex's, as long as LayerAry does not change while
// the pass runs.
#pragma once

#include <array>
#include <string>

#include "model/AcadDxfUnit.h"

namespace vantrel {

class RecentLayers {
 public:
  explicit RecentLayers(const Drawing& d) : d_(d) {}

  Integer IndexOf(const SharedName& name) {
    for (std::size_t i = 0; i < used_; ++i)
      if (slots_[i].name.SameHandle(name)) return slots_[i].index;
    for (std::size_t i = 0; i < used_; ++i)
      if (slots_[i].name == name) return slots_[i].index;
    Slot& slot = slots_[next_];
    next_ = (next_ + 1) % slots_.size();
    if (used_ < slots_.size()) ++used_;
    slot.name = name;
    slot.index = LayerIndex(d_, name);
    return slot.index;
  }

 private:
  struct Slot {
    SharedName name;
    Integer index = -1;
  };
  const Drawing& d_;
  std::array<Slot, 16> slots_;
  std::size_t used_ = 0;
  std::size_t next_ = 0;
};

}  // namespace vantrel
