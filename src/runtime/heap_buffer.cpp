#include "runtime/heap_buffer.h"

#include "runtime/platform.h"

void* GlobalHeapAlloc(int64_t size) {
  if (size < 1) return nullptr;
  return platform::HeapAllocZeroed(static_cast<uint64_t>(size));
}

void GlobalHeapFree(void* block) {
  if (block != nullptr) platform::HeapFree(block);
}
