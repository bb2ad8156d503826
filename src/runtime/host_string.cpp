#include "runtime/host_string.h"

#include <cstring>
#include <exception>

#include "runtime/debug_log.h"
#include "runtime/errors.h"
#include "runtime/heap_buffer.h"
#include "runtime/host_binding.h"
#include "runtime/tagged_string.h"
#include "runtime/unicode.h"

namespace {

// The host converts UTF-32 itself from this version on (and builds tagged
// strings from kFirstHostWithTaggedBuild on).
constexpr double kFirstHostWithUTF32 = 2013.0;

// Below this many code points the UTF-16 copy of a UTF-32 text fits on the stack.
constexpr int64_t kStackCodePoints = 200;

const char kLenBDeclaration[] = "LenB( s as string ) as integer";

// Whole bodies pass through here, so the bytes are tested a block at a time,
// in a loop the compiler turns into vector code.
bool IsSevenBit(const unsigned char* bytes, int64_t length) {
  constexpr int64_t kBlock = 64;
  int64_t i = 0;
  for (; i + kBlock <= length; i += kBlock) {
    unsigned char highBits = 0;
    for (int64_t j = 0; j < kBlock; ++j) highBits |= bytes[i + j];
    if (highBits > 0x7F) return false;
  }
  for (; i < length; ++i) {
    if (bytes[i] > 0x7F) return false;
  }
  return true;
}

bool IsSingleByteEncoding(HostEncoding encoding) {
  return encoding == kREALTextEncodingMacRoman || encoding == kREALTextEncodingISOLatin1 ||
         encoding == kREALTextEncodingWindowsLatin1 || encoding == kREALTextEncodingUnknown;
}

HostString BuildFromUTF32(const void* bytes, int64_t length) {
  if (HostVersion() >= kFirstHostWithUTF32) {
    HostString wide(
        REALBuildStringWithEncoding(bytes, static_cast<int32_t>(length), kREALTextEncodingUTF32));
    if (!wide) return {};
    return HostString(REALConvertString(wide.get(), kREALTextEncodingUTF8));
  }

  // Older hosts cannot convert UTF-32, so it goes through UTF-16; a partial
  // code point at the end is ignored.
  const int64_t count = length / 4;
  const auto* codePoints = static_cast<const uint32_t*>(bytes);
  if (count < kStackCodePoints) {
    uint16_t stackUnits[2 * kStackCodePoints + 1];
    const int64_t units = ConvertUTF32ToUTF16(codePoints, count, stackUnits);
    return BuildHostStringFromUTF16(stackUnits, units * 2);
  }
  HeapBuffer heapUnits((2 * count + 1) * int64_t{sizeof(uint16_t)});
  if (!heapUnits) {
    if (DebugLogEnabled()) DebugLog("Out of memory in REALBuildUnicodeStringUTF32.");
    return {};
  }
  const int64_t units = ConvertUTF32ToUTF16(codePoints, count, heapUnits.as<uint16_t>());
  return BuildHostStringFromUTF16(heapUnits.get(), units * 2);
}

HostString BuildUnguarded(const void* bytes, int64_t length, HostEncoding encoding) {
  if (bytes == nullptr || length < 1) return {};
  if (length > kLargestHostStringLength) {
    if (DebugLogEnabled()) DebugLog("Count too big for REALBuildUnicodeString.");
    return {};
  }

  switch (encoding) {
    case kREALTextEncodingUTF16:
      return BuildHostStringFromUTF16(bytes, length);
    case kREALTextEncodingUTF32:
      return BuildFromUTF32(bytes, length);
    case kREALTextEncodingASCII:
    case kREALTextEncodingUTF8:
      return BuildTaggedString(bytes, length, encoding);
    default:
      break;
  }
  if (IsSingleByteEncoding(encoding)) {
    // Pure 7-bit text reads the same in every one of these; tagging it ASCII
    // lets the host treat it as such.
    if (IsSevenBit(static_cast<const unsigned char*>(bytes), length)) {
      encoding = kREALTextEncodingASCII;
    }
    return BuildTaggedString(bytes, length, encoding);
  }
  if (DebugLogEnabled()) DebugLogUnsigned("Unknown encoding in REALBuildUnicodeString", encoding);
  return BuildTaggedString(bytes, length, encoding);
}

// Tried only until the host has it, like the host functions themselves.
hostfn::LenB cachedLenB = nullptr;

}  // namespace

HostString BuildHostString(const void* bytes, int64_t length, HostEncoding encoding) {
  return RunGuarded(HostString(), [&] {
    try {
      return BuildUnguarded(bytes, length, encoding);
    } catch (const std::exception&) {
      throw;
    } catch (...) {
      if (DebugLogEnabled()) DebugLog("Unnamed C++ Exception.");
      throw;
    }
  });
}

HostString CTextToHostString(const char* text, HostEncoding encoding) {
  if (DebugLogEnabled()) {
    if (encoding == kREALTextEncodingUTF16) {
      DebugLog("Error: kREALTextEncodingUTF16 not useful for CString2RB!");
    } else if (encoding == kREALTextEncodingUTF32) {
      DebugLog("Error: kREALTextEncodingUTF32 not useful for CString2RB!");
    }
  }
  if (text == nullptr) return {};
  const auto length = static_cast<int64_t>(std::strlen(text));
  if (DebugLogEnabled() && encoding == kREALTextEncodingASCII && length > 0 &&
      !IsSevenBit(reinterpret_cast<const unsigned char*>(text), length)) {
    DebugLogText("Error: text is not ascii", text);
  }
  return BuildHostString(text, length, encoding);
}

HostString BuildHostStringFromUTF16(const void* units, int64_t byteLength) {
  // UTF-32 text whose code points all vanished arrives here empty; like every
  // other empty text it reaches the host as nil, whatever the host's age.
  if (units == nullptr || byteLength < 1 || byteLength > kLargestHostStringLength) return {};
  const int32_t hostLength = static_cast<int32_t>(byteLength);
  HostString wide;
  if (HostVersion() >= kFirstHostWithTaggedBuild) {
    wide.reset(REALBuildStringWithEncoding(units, hostLength, kREALTextEncodingUTF16));
  } else {
    wide.reset(REALBuildString(units, hostLength));
    if (!wide) {
      if (DebugLogEnabled()) DebugLog("Out of memory in REALBuildUnicodeStringUTF16.");
      return {};
    }
    REALSetStringEncoding(wide.get(), kREALTextEncodingUTF16);
  }
  if (!wide) return {};
  return HostString(REALConvertString(wide.get(), kREALTextEncodingUTF8));
}

HostString BuildHostStringAuto(const void* bytes, int64_t length) {
  if (bytes == nullptr || length < 1) return {};
  if (IsSevenBit(static_cast<const unsigned char*>(bytes), length)) {
    return BuildHostString(bytes, length, kREALTextEncodingASCII);
  }
  if (IsWellFormedUTF8(bytes, length)) {
    return BuildHostString(bytes, length, kREALTextEncodingUTF8);
  }
  return BuildHostString(bytes, length, kREALTextEncodingWindowsLatin1);
}

HostString BuildHostStringAuto(const char* text) {
  if (text == nullptr) return {};
  return BuildHostStringAuto(text, static_cast<int64_t>(std::strlen(text)));
}

HostString BuildHostStringAuto(std::string_view text) {
  // mimetic's values are handed on as C text would be: up to the first NUL.
  const size_t end = text.find('\0');
  if (end != std::string_view::npos) text = text.substr(0, end);
  return BuildHostStringAuto(text.data(), static_cast<int64_t>(text.size()));
}

int64_t HostStringByteLength(REALstring text) {
  if (text == nullptr) return 0;
  if (cachedLenB == nullptr) {
    cachedLenB = reinterpret_cast<hostfn::LenB>(REALLoadGlobalMethod(nullptr, kLenBDeclaration));
    if (cachedLenB == nullptr) return 0;
  }
  return cachedLenB(text);
}

HostBytesView HostBytesView::OfString(REALstring text) {
  HostBytesView view;
  if (text == nullptr) return view;
  view.text_ = RetainString(text);
  view.data_ = reinterpret_cast<const unsigned char*>(StringGetCString(text));
  const int64_t length = HostStringByteLength(text);
  if (view.data_ != nullptr && length > 0) view.size_ = length;
  return view;
}

HostBytesView HostBytesView::OfMemoryBlock(REALobject block) {
  HostBytesView view;
  if (block == nullptr) return view;
  view.block_ = RetainObject(block);
  const int64_t size = memoryBlockGetSize(block);
  view.data_ = static_cast<const unsigned char*>(memoryBlockGetPtr(block));
  if (view.data_ != nullptr && size > 0) view.size_ = size;
  return view;
}
