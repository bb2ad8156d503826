// Temporary buffers from a zero-filling allocator, asked for a few bytes
// longer than their data so that they end in zero bytes.
#pragma once

#include <cstdint>
#include <utility>

// Zero-filled temporary buffers (the Windows global heap there); nil for a
// size below 1 or when memory runs out.
void* GlobalHeapAlloc(int64_t size);
void GlobalHeapFree(void* block);

// Owns a GlobalHeapAlloc block.
class HeapBuffer {
 public:
  HeapBuffer() = default;
  explicit HeapBuffer(int64_t size) : block_(GlobalHeapAlloc(size)) {}
  HeapBuffer(const HeapBuffer&) = delete;
  HeapBuffer& operator=(const HeapBuffer&) = delete;
  HeapBuffer(HeapBuffer&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  HeapBuffer& operator=(HeapBuffer&& other) noexcept {
    if (this != &other) {
      GlobalHeapFree(block_);
      block_ = std::exchange(other.block_, nullptr);
    }
    return *this;
  }
  ~HeapBuffer() { GlobalHeapFree(block_); }
  void* get() const { return block_; }
  template <class T>
  T* as() const { return static_cast<T*>(block_); }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  void* block_ = nullptr;
};
