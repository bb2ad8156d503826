#include "record_arena.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define ZQV_POISON_GIVEN_BACK_SLOTS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZQV_POISON_GIVEN_BACK_SLOTS 1
#endif
#endif
#ifdef ZQV_POISON_GIVEN_BACK_SLOTS
#include <sanitizer/asan_interface.h>
#endif

namespace emu {
namespace {

constexpr size_t kSlotAlignment = 16;
// Slots up to this size are pooled by their size in 16-byte steps; larger
// ones (instances of classes with big data blocks) by their exact size.
constexpr size_t kLargestSmallSlot = 4096;
// A pool's first slab is small, so that a host that makes a few records of
// a size keeps little; each next one is twice as large, up to a size at
// which the slabs stay few enough for the search to live in the cache.
constexpr size_t kFirstSlabBytes = 4096;
constexpr size_t kLargestSlabBytes = size_t{16} << 20;

size_t SlotSizeFor(size_t bytes) {
  if (bytes > SIZE_MAX - kSlotAlignment) throw std::bad_alloc();
  return std::max(kSlotAlignment, (bytes + kSlotAlignment - 1) / kSlotAlignment * kSlotAlignment);
}

// Doubling, as push_back would: reserve(size() + 1) would copy every time.
template <class List>
void ReserveOneMore(List& list) {
  if (list.size() == list.capacity()) list.reserve(2 * list.size() + 16);
}

size_t KindIndex(RecordKind kind) { return static_cast<size_t>(kind); }

// A record whose memory went back to the allocator was caught by
// AddressSanitizer when read; a slot given back is poisoned for the same
// effect, and unpoisoned when it is handed out again.
void Poison(char* slot, size_t slotSize) {
#ifdef ZQV_POISON_GIVEN_BACK_SLOTS
  ASAN_POISON_MEMORY_REGION(slot, slotSize);
#else
  (void)slot;
  (void)slotSize;
#endif
}

void Unpoison(char* slot, size_t slotSize) {
#ifdef ZQV_POISON_GIVEN_BACK_SLOTS
  ASAN_UNPOISON_MEMORY_REGION(slot, slotSize);
#else
  (void)slot;
  (void)slotSize;
#endif
}

}  // namespace

RecordArena::~RecordArena() = default;

RecordArena::Pool& RecordArena::poolFor(size_t slotSize, RecordKind kind) {
  if (slotSize > kLargestSmallSlot) return largePools_[KindIndex(kind)][slotSize];
  std::vector<Pool>& pools = smallPools_[KindIndex(kind)];
  const size_t index = slotSize / kSlotAlignment;
  if (pools.size() <= index) pools.resize(index + 1);
  return pools[index];
}

RecordArena::Slab& RecordArena::newSlab(Pool& pool, size_t slotSize, RecordKind kind) {
  if (pool.nextSlabSlots == 0) pool.nextSlabSlots = std::max<size_t>(1, kFirstSlabBytes / slotSize);
  const size_t slots = pool.nextSlabSlots;
  if (slots > SIZE_MAX / slotSize) throw std::bad_alloc();
  auto slab = std::make_unique<Slab>();
  slab->memory = static_cast<char*>(std::malloc(slots * slotSize));
  if (slab->memory == nullptr) throw std::bad_alloc();
  slab->slotSize = slotSize;
  slab->slots = slots;
  slab->kind = kind;
  slab->states = std::make_unique<RecordState[]>(slots);  // all kFree

  const SlabRange range{reinterpret_cast<uintptr_t>(slab->memory),
                        reinterpret_cast<uintptr_t>(slab->memory) + slots * slotSize, slotSize,
                        slab.get()};
  // Room first, so that nothing below can throw with the slab half listed.
  ReserveOneMore(byAddress_);
  ReserveOneMore(slabs_);
  auto after = std::upper_bound(byAddress_.begin(), byAddress_.end(), range.start,
                                [](uintptr_t start, const SlabRange& r) { return start < r.start; });
  byAddress_.insert(after, range);
  slabs_.push_back(std::move(slab));

  pool.newest = slabs_.back().get();
  if (slots * slotSize * 2 <= kLargestSlabBytes) pool.nextSlabSlots = slots * 2;
  return *pool.newest;
}

void* RecordArena::allocate(size_t bytes, RecordKind kind) {
  const size_t slotSize = SlotSizeFor(bytes);
  Pool& pool = poolFor(slotSize, kind);
  if (pool.released != nullptr) {
    char* slot = pool.released;
    Unpoison(slot, slotSize);
    std::memcpy(&pool.released, slot, sizeof pool.released);
    setState(slot, RecordState::kMade);
    return slot;
  }
  Slab* slab = pool.newest;
  if (slab == nullptr || slab->carved == slab->slots) slab = &newSlab(pool, slotSize, kind);
  slab->states[slab->carved] = RecordState::kMade;
  return slab->memory + slab->carved++ * slotSize;
}

std::pair<RecordArena::Slab*, size_t> RecordArena::slotAt(const void* address) const {
  const auto at = reinterpret_cast<uintptr_t>(address);
  SlabRange& remembered = recent_[(at >> kRecentBlockBits) % kRecentSlabs];
  if (at < remembered.start || at >= remembered.end) {
    auto after = std::upper_bound(byAddress_.begin(), byAddress_.end(), at,
                                  [](uintptr_t start, const SlabRange& r) { return start < r.start; });
    if (after == byAddress_.begin() || at >= (after - 1)->end) return {nullptr, 0};
    remembered = *(after - 1);
  }
  const SlabRange& range = remembered;
  const size_t offset = at - range.start;
  const size_t slot = offset / range.slotSize;
  if (slot * range.slotSize != offset) return {nullptr, 0};
  return {range.slab, slot};
}

void RecordArena::changeState(RecordState& current, RecordState next, RecordKind kind) {
  if (current == RecordState::kLive) --liveCounts_[KindIndex(kind)];
  if (next == RecordState::kLive) ++liveCounts_[KindIndex(kind)];
  current = next;
}

void RecordArena::setState(void* record, RecordState state) {
  auto [slab, slot] = slotAt(record);
  if (slab != nullptr) changeState(slab->states[slot], state, slab->kind);
}

void RecordArena::release(void* record) {
  auto [slab, slot] = slotAt(record);
  if (slab == nullptr || slab->states[slot] == RecordState::kFree) return;
  Pool& pool = poolFor(slab->slotSize, slab->kind);
  std::memcpy(record, &pool.released, sizeof pool.released);
  pool.released = static_cast<char*>(record);
  Poison(pool.released, slab->slotSize);
  changeState(slab->states[slot], RecordState::kFree, slab->kind);
}

RecordArena::Found RecordArena::find(const void* handle) const {
  auto [slab, slot] = slotAt(handle);
  if (slab == nullptr) return {};
  return {slab->states[slot], slab->kind};
}

}  // namespace emu
