// Where the records behind handles live. Every host function asks whether a
// handle is alive before it touches the record, so that question sits on the
// path of every lock and unlock. A table of live addresses, looked up by a
// hash, would send each question to a random cache line and page once
// millions of handles live. Here a record is a slot of a slab the host owns:
// a handle is placed by the slabs found last or a binary search over the
// few large slabs, and its state is one byte of its slab's state array,
// beside the states of the records made just before and after it. Slabs are
// given back only when the host dies, so a released or never-made handle is
// named by reading memory the host owns, never by following the handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace emu {

enum class RecordKind : uint8_t { kString, kObject };

enum class RecordState : uint8_t {
  kFree,  // not handed out: a handle here was never made, or died long ago
  kMade,  // handed out, not yet live (a string still being filled)
  kLive,
  kDead,  // released, and kept so that a late use can be named
};

class RecordArena {
 public:
  RecordArena() = default;
  ~RecordArena();
  RecordArena(const RecordArena&) = delete;
  RecordArena& operator=(const RecordArena&) = delete;

  // Room for a record of `bytes` bytes, 16-byte aligned and in state kMade;
  // throws std::bad_alloc.
  void* allocate(size_t bytes, RecordKind kind);
  // `record` must come from allocate and not have been released.
  void setState(void* record, RecordState state);
  // Takes the slot back for a later record, whatever its state.
  void release(void* record);

  struct Found {
    RecordState state = RecordState::kFree;
    RecordKind kind = RecordKind::kString;
  };
  // What `handle` is; kFree for an address that is not the start of one of
  // the host's slots. Nothing behind the handle is read.
  Found find(const void* handle) const;
  bool isLive(const void* handle, RecordKind kind) const {
    const Found found = find(handle);
    return found.state == RecordState::kLive && found.kind == kind;
  }
  size_t liveCount(RecordKind kind) const { return liveCounts_[static_cast<size_t>(kind)]; }

  // Every record of `kind` in `state`, in no particular order; `visit` may
  // release records but not allocate them.
  template <class Visit>
  void forEach(RecordKind kind, RecordState state, Visit visit) const {
    for (const auto& slab : slabs_) {
      if (slab->kind != kind) continue;
      for (size_t slot = 0; slot < slab->carved; ++slot) {
        if (slab->states[slot] == state) visit(slab->memory + slot * slab->slotSize);
      }
    }
  }

 private:
  struct Slab {
    // From malloc rather than new: tests make new fail on purpose, and the
    // host must keep working while they do.
    char* memory;
    size_t slotSize;
    size_t slots;
    size_t carved = 0;  // slots handed out at least once, from the start
    RecordKind kind;
    std::unique_ptr<RecordState[]> states;  // kFree beyond `carved`

    ~Slab() { std::free(memory); }
  };
  // The slots of one kind and size: those given back (each holding the
  // address of the one given back before it, so that giving back never
  // allocates), then the rest of the newest slab.
  struct Pool {
    char* released = nullptr;
    Slab* newest = nullptr;
    size_t nextSlabSlots = 0;
  };
  struct SlabRange {
    uintptr_t start = 0;
    uintptr_t end = 0;
    size_t slotSize = 0;  // the slab's, kept here to spare following `slab`
    Slab* slab = nullptr;
  };

  Pool& poolFor(size_t slotSize, RecordKind kind);
  Slab& newSlab(Pool& pool, size_t slotSize, RecordKind kind);
  // The slab holding `address` and the index of the slot starting there, or
  // null when no slot starts there.
  std::pair<Slab*, size_t> slotAt(const void* address) const;
  void changeState(RecordState& current, RecordState next, RecordKind kind);

  std::vector<std::unique_ptr<Slab>> slabs_;
  std::vector<SlabRange> byAddress_;  // sorted by start
  // The slabs found last, by the 64 KB block of the address asked about:
  // a handle is nearly always asked about soon after the records made or
  // used just before it, so most questions skip the search. Slabs never
  // move, so an entry stays true until it is replaced.
  static constexpr size_t kRecentSlabs = 64;
  static constexpr unsigned kRecentBlockBits = 16;
  mutable SlabRange recent_[kRecentSlabs];
  // By slot size in 16-byte steps, one row per kind; larger slots by size.
  std::vector<Pool> smallPools_[2];
  std::map<size_t, Pool> largePools_[2];
  size_t liveCounts_[2] = {0, 0};
};

}  // namespace emu
