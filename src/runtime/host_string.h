// Host strings built from byte buffers (with a given encoding, or one chosen
// from the bytes), and borrowed views of a host string's or memory block's
// bytes.
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
