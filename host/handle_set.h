// The set of live handles of one kind. Every host function asks it whether a
// handle is alive before touching the record behind it, so a dead or foreign
// handle is named instead of followed; it sits on the path of every lock and
// unlock. An open-addressing table of the addresses themselves: membership is
// answered without following the pointer, and insert and erase allocate
// nothing (a node-based set took a heap block per string and object).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emu {

template <class Record>
class HandleSet {
 public:
  HandleSet() : slots_(kInitialSlots, nullptr), shift_(64 - kInitialBits) {}

  size_t size() const { return count_; }

  bool contains(const Record* handle) const {
    if (handle == nullptr) return false;
    for (size_t slot = home(handle);; slot = next(slot)) {
      if (slots_[slot] == handle) return true;
      if (slots_[slot] == nullptr) return false;
    }
  }

  // `handle` must not be in the set yet (a fresh record's address).
  void insert(Record* handle) {
    if (2 * (count_ + 1) > slots_.size()) grow();
    place(handle);
    ++count_;
  }

  bool erase(const Record* handle) {
    if (handle == nullptr) return false;
    size_t slot = home(handle);
    while (slots_[slot] != handle) {
      if (slots_[slot] == nullptr) return false;
      slot = next(slot);
    }
    // Backward shift: later members of the same run move up into the gap, so
    // no tombstones build up and every lookup still stops at the first gap.
    size_t gap = slot;
    for (size_t probe = next(gap); slots_[probe] != nullptr; probe = next(probe)) {
      const size_t wanted = home(slots_[probe]);
      // The member may fill the gap unless its home lies cyclically in (gap, probe].
      const bool homeAfterGap = gap <= probe ? (wanted > gap && wanted <= probe)
                                             : (wanted > gap || wanted <= probe);
      if (homeAfterGap) continue;
      slots_[gap] = slots_[probe];
      gap = probe;
    }
    slots_[gap] = nullptr;
    --count_;
    return true;
  }

  template <class Visit>
  void forEach(Visit visit) const {
    for (Record* handle : slots_) {
      if (handle != nullptr) visit(handle);
    }
  }

  void clear() {
    slots_.assign(kInitialSlots, nullptr);
    shift_ = 64 - kInitialBits;
    count_ = 0;
  }

 private:
  static constexpr unsigned kInitialBits = 10;
  static constexpr size_t kInitialSlots = size_t{1} << kInitialBits;

  // Fibonacci hashing of the address: the multiply spreads the low bits that
  // allocator alignment leaves constant.
  size_t home(const Record* handle) const {
    const auto address = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
    return static_cast<size_t>((address * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  size_t next(size_t slot) const { return (slot + 1) & (slots_.size() - 1); }

  void place(Record* handle) {
    size_t slot = home(handle);
    while (slots_[slot] != nullptr) slot = next(slot);
    slots_[slot] = handle;
  }

  void grow() {
    std::vector<Record*> old(slots_.size() * 2, nullptr);
    old.swap(slots_);
    --shift_;
    for (Record* handle : old) {
      if (handle != nullptr) place(handle);
    }
  }

  std::vector<Record*> slots_;
  unsigned shift_;
  size_t count_ = 0;
};

}  // namespace emu
