// Text and bytes across the boundary: host strings built from byte buffers
// (with a given encoding, or one chosen from the bytes), borrowed views of a
// host string's or memory block's bytes, object arrays, and folder-item paths.
// Every host string returned here carries one reference for the caller.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/host_ref.h"

// Builds a host string from `length` bytes tagged `encoding` (ASCII when a
// single-byte encoding's bytes are all 7-bit; UTF-16/UTF-32 become UTF-8).
// Nil for null bytes or length < 1. Runs guarded: a C++ exception becomes a
// host exception and a nil result.
HostString BuildHostString(const void* bytes, int64_t length, HostEncoding encoding);
// NUL-terminated text; debug-log checks for UTF-16/32 and non-ASCII "ASCII".
HostString CTextToHostString(const char* text, HostEncoding encoding);
// UTF-16 units (native order) to a UTF-8 host string; nil when there are none.
HostString BuildHostStringFromUTF16(const void* units, int64_t byteLength);
// Encoding chosen from the bytes: ASCII, else UTF-8 if well-formed, else
// Windows Latin-1. The text form stops at the first NUL.
HostString BuildHostStringAuto(const void* bytes, int64_t length);
HostString BuildHostStringAuto(const char* text);
// The automatic conversion of a text taken from mimetic: up to its first NUL.
HostString BuildHostStringAuto(std::string_view text);

bool IsWellFormedUTF8(const void* bytes, int64_t length);
// Writes UTF-16 units for `count` code points into `out` (room for 2*count+1)
// and a terminating 0; returns the units written without the terminator.
int64_t ConvertUTF32ToUTF16(const uint32_t* codePoints, int64_t count, uint16_t* out);

// Borrowed bytes of a host string or memory block, with a reference held for
// as long as the view lives. A nil argument gives an empty view.
class HostBytesView {
 public:
  static HostBytesView OfString(REALstring text);
  static HostBytesView OfMemoryBlock(REALobject block);
  HostBytesView() = default;

  const unsigned char* data() const { return data_; }
  int64_t size() const { return size_; }
  std::string_view bytes() const {
    return {reinterpret_cast<const char*>(data_), static_cast<size_t>(size_)};
  }

 private:
  HostString text_;
  HostObject block_;
  const unsigned char* data_ = nullptr;
  int64_t size_ = 0;
};

// The host's "LenB( s as string ) as integer" (0 when the host lacks it).
int64_t HostStringByteLength(REALstring text);

// Object arrays (element type 4).
HostObject CreateObjectArray();
// Appends; the array takes its own reference, the caller keeps its own.
void AppendToObjectArray(REALobject array, REALobject value);
int64_t ObjectArrayUBound(REALobject array);  // -1 for nil or empty

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

// The native path of a folder item as NUL-terminated UTF-16 in a heap buffer
// (empty HeapBuffer for a nil item or no path).
HeapBuffer FolderItemPathUTF16(REALobject folderItem);
