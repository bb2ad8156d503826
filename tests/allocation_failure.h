// Running out of memory on demand, for tests of code linked into the test
// binary (InProcessTest): while a FailingAllocations lives, every allocation
// through the global operator new of at least `fromSize` bytes throws
// std::bad_alloc, as it would for input too large for memory.
#pragma once

#include <cstddef>

class FailingAllocations {
 public:
  explicit FailingAllocations(std::size_t fromSize);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;
};
