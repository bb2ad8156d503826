#include "allocation_failure.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::size_t failAllocationsFrom = SIZE_MAX;

}  // namespace

FailingAllocations::FailingAllocations(std::size_t fromSize) { failAllocationsFrom = fromSize; }
FailingAllocations::~FailingAllocations() { failAllocationsFrom = SIZE_MAX; }

// The test binary's own allocation functions. Every non-aligned form goes
// through malloc and free, so each block goes back the way it was taken, as
// the sanitizer builds check. They live alone in this file so that the
// compiler never inlines them into code that pairs new with delete.
void* operator new(std::size_t size) {
  if (size >= failAllocationsFrom) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return ::operator new(size, std::nothrow);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
