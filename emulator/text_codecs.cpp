#include "text_codecs.h"

#include <array>
#include <cstring>
#include <optional>

#include "runtime/host_api.h"

namespace emu {
namespace {

constexpr bool kLittleEndianHost = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// Unicode code points of the bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kMacRomanHighHalf = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// Windows-1252 differs from ISO-8859-1 only in 0x80 to 0x9F. The five bytes
// Windows leaves unassigned map to the C1 controls, as Windows itself does.
constexpr std::array<char16_t, 32> kWindows1252Controls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && !IsSurrogate(c); }

bool DecodeUTF8(std::string_view bytes, std::u32string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    unsigned char lead = *p++;
    if (lead < 0x80) {
      out.push_back(lead);
      continue;
    }
    int trailing;
    char32_t value;
    char32_t smallest;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trailing = 1, value = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trailing = 2, value = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trailing = 3, value = lead & 0x07, smallest = 0x10000;
    } else {
      return false;
    }
    if (end - p < trailing) return false;
    for (int i = 0; i < trailing; ++i) {
      unsigned char next = *p++;
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || !IsScalarValue(value)) return false;
    out.push_back(value);
  }
  return true;
}

bool EncodeUTF8(std::u32string_view text, std::string& out) {
  for (char32_t c : text) {
    if (!IsScalarValue(c)) return false;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return true;
}

char16_t SwapBytes(char16_t unit) { return static_cast<char16_t>(__builtin_bswap16(unit)); }
char32_t SwapBytes(char32_t unit) { return static_cast<char32_t>(__builtin_bswap32(unit)); }

// One load per unit: wide texts are read a unit at a time, and the byte by
// byte assembly was the slowest step of converting them.
template <class Unit>
Unit ReadUnit(const char* at, bool littleEndian) {
  Unit value;
  std::memcpy(&value, at, sizeof value);
  return littleEndian == kLittleEndianHost ? value : SwapBytes(value);
}

template <class Unit>
void WriteUnit(Unit value, bool littleEndian, std::string& out) {
  for (size_t i = 0; i < sizeof(Unit); ++i) {
    size_t shift = 8 * (littleEndian ? i : sizeof(Unit) - 1 - i);
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

// A mark in the opposite order of the one expected switches the order, as a
// mark written by another machine means.
template <class Unit>
bool TakeByteOrderMark(std::string_view& bytes, bool& littleEndian) {
  if (bytes.size() < sizeof(Unit)) return false;
  Unit first = ReadUnit<Unit>(bytes.data(), littleEndian);
  if (first == 0xFEFF) {
    bytes.remove_prefix(sizeof(Unit));
    return true;
  }
  if (ReadUnit<Unit>(bytes.data(), !littleEndian) == 0xFEFF) {
    littleEndian = !littleEndian;
    bytes.remove_prefix(sizeof(Unit));
    return true;
  }
  return false;
}

// The units after the byte-order mark, in an order fixed at compile time, so
// the loop over a long text has no test of the order in it.
template <class Unit, bool kSwapped, class Visit>
bool VisitWideUnits(std::string_view bytes, Visit& visit) {
  auto load = [&](size_t at) -> char32_t {
    Unit value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    if constexpr (kSwapped) value = SwapBytes(value);
    return value;
  };
  for (size_t at = 0; at < bytes.size(); at += sizeof(Unit)) {
    char32_t unit = load(at);
    if constexpr (sizeof(Unit) == 4) {
      // Everything below the surrogates is a scalar value: one test for most text.
      if (unit >= 0xD800 && !IsScalarValue(unit)) return false;
      visit(unit);
    } else {
      if (!IsSurrogate(unit)) {
        visit(unit);
        continue;
      }
      if (unit >= 0xDC00 || at + 2 >= bytes.size()) return false;
      char32_t low = load(at + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      visit(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      at += 2;
    }
  }
  return true;
}

// Calls `visit` with each code point of UTF-16 or UTF-32 text in the given
// byte order, after a byte-order mark; false (and no more calls) at the first
// unit that is not valid text. The converters that need the code points and
// the one that writes UTF-8 straight from the units share these rules.
template <class Unit, class Visit>
bool ForEachWideCodePoint(std::string_view bytes, bool littleEndian, Visit visit) {
  if (bytes.size() % sizeof(Unit) != 0) return false;
  TakeByteOrderMark<Unit>(bytes, littleEndian);
  if (littleEndian == kLittleEndianHost) return VisitWideUnits<Unit, false>(bytes, visit);
  return VisitWideUnits<Unit, true>(bytes, visit);
}

bool DecodeUTF16(std::string_view bytes, bool littleEndian, std::u32string& out) {
  return ForEachWideCodePoint<char16_t>(bytes, littleEndian,
                                        [&](char32_t c) { out.push_back(c); });
}

bool EncodeUTF16(std::u32string_view text, bool littleEndian, std::string& out) {
  for (char32_t c : text) {
    if (!IsScalarValue(c)) return false;
    if (c < 0x10000) {
      WriteUnit<char16_t>(static_cast<char16_t>(c), littleEndian, out);
      continue;
    }
    WriteUnit<char16_t>(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)), littleEndian, out);
    WriteUnit<char16_t>(static_cast<char16_t>(0xDC00 + (c & 0x3FF)), littleEndian, out);
  }
  return true;
}

bool DecodeUTF32(std::string_view bytes, bool littleEndian, std::u32string& out) {
  return ForEachWideCodePoint<char32_t>(bytes, littleEndian,
                                        [&](char32_t c) { out.push_back(c); });
}

// The unit width and byte order of a wide Unicode encoding number.
struct WideForm {
  size_t unitSize;
  bool littleEndian;
};

bool WideFormOf(uint32_t encoding, WideForm& form) {
  switch (encoding) {
    case kREALTextEncodingUTF16:
      form = {2, kLittleEndianHost};
      return true;
    case kEncodingUTF16BE:
      form = {2, false};
      return true;
    case kEncodingUTF16LE:
      form = {2, true};
      return true;
    case kREALTextEncodingUTF32:
      form = {4, kLittleEndianHost};
      return true;
    case kEncodingUTF32BE:
      form = {4, false};
      return true;
    case kEncodingUTF32LE:
      form = {4, true};
      return true;
    default:
      return false;
  }
}

template <class Visit>
bool ForEachWideCodePoint(const WideForm& form, std::string_view bytes, Visit visit) {
  return form.unitSize == 2 ? ForEachWideCodePoint<char16_t>(bytes, form.littleEndian, visit)
                            : ForEachWideCodePoint<char32_t>(bytes, form.littleEndian, visit);
}

bool EncodeUTF32(std::u32string_view text, bool littleEndian, std::string& out) {
  for (char32_t c : text) {
    if (!IsScalarValue(c)) return false;
    WriteUnit<char32_t>(c, littleEndian, out);
  }
  return true;
}

// The high half of a single-byte encoding, or null for ASCII (no high half)
// and ISO-8859-1 (the identity).
const char16_t* HighHalfTable(uint32_t encoding, size_t& tableSize) {
  switch (encoding) {
    case kREALTextEncodingMacRoman:
      tableSize = kMacRomanHighHalf.size();
      return kMacRomanHighHalf.data();
    case kREALTextEncodingWindowsLatin1:
      tableSize = kWindows1252Controls.size();
      return kWindows1252Controls.data();
    default:
      tableSize = 0;
      return nullptr;
  }
}

bool DecodeSingleByte(uint32_t encoding, std::string_view bytes, std::u32string& out) {
  size_t tableSize = 0;
  const char16_t* table = HighHalfTable(encoding, tableSize);
  for (char byte : bytes) {
    auto value = static_cast<unsigned char>(byte);
    if (value < 0x80) {
      out.push_back(value);
    } else if (encoding == kREALTextEncodingASCII) {
      return false;
    } else if (value - 0x80u < tableSize) {
      out.push_back(table[value - 0x80]);
    } else {
      out.push_back(value);
    }
  }
  return true;
}

bool EncodeSingleByte(uint32_t encoding, std::u32string_view text, std::string& out) {
  size_t tableSize = 0;
  const char16_t* table = HighHalfTable(encoding, tableSize);
  for (char32_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (encoding == kREALTextEncodingASCII) return false;
    size_t index = 0;
    while (index < tableSize && table[index] != c) ++index;
    if (index < tableSize) {
      out.push_back(static_cast<char>(0x80 + index));
      continue;
    }
    // Above its table Windows-1252 is ISO-8859-1; Mac Roman's table covers
    // its whole high half.
    bool identityRange = encoding != kREALTextEncodingMacRoman && c >= 0x80 + tableSize;
    if (!identityRange || c > 0xFF) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

bool IsOwnEncoding(uint32_t encoding) {
  switch (encoding) {
    case kREALTextEncodingMacRoman:
    case kREALTextEncodingUTF16:
    case kREALTextEncodingISOLatin1:
    case kREALTextEncodingWindowsLatin1:
    case kREALTextEncodingASCII:
    case kREALTextEncodingUTF8:
    case kREALTextEncodingUTF32:
    case kEncodingUTF16BE:
    case kEncodingUTF16LE:
    case kEncodingUTF32BE:
    case kEncodingUTF32LE:
      return true;
    default:
      return false;
  }
}

bool IsAsciiCompatible(uint32_t encoding) {
  switch (encoding) {
    case kREALTextEncodingMacRoman:
    case kREALTextEncodingISOLatin1:
    case kREALTextEncodingWindowsLatin1:
    case kREALTextEncodingASCII:
    case kREALTextEncodingUTF8:
    case kREALTextEncodingUnknown:
      return true;
    default:
      return false;
  }
}

bool IsAllAscii(std::string_view bytes) {
  for (char byte : bytes) {
    if (static_cast<unsigned char>(byte) >= 0x80) return false;
  }
  return true;
}

bool IsWideUnicode(uint32_t encoding) {
  WideForm form;
  return WideFormOf(encoding, form);
}

size_t WideTextUTF8Room(uint32_t encoding, std::string_view bytes) {
  // A UTF-16 unit takes at most three bytes (a pair four), a UTF-32 unit four.
  WideForm form;
  if (!WideFormOf(encoding, form)) return 0;
  return form.unitSize == 2 ? bytes.size() / 2 * 3 : bytes.size();
}

std::optional<size_t> WriteWideTextAsUTF8(uint32_t encoding, std::string_view bytes, char* out) {
  WideForm form;
  if (!WideFormOf(encoding, form)) return std::nullopt;
  auto* at = reinterpret_cast<unsigned char*>(out);
  const bool valid = ForEachWideCodePoint(form, bytes, [&](char32_t c) {
    if (c < 0x80) {
      *at++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
      *at++ = static_cast<unsigned char>(0xC0 | (c >> 6));
      *at++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *at++ = static_cast<unsigned char>(0xE0 | (c >> 12));
      *at++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      *at++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
      *at++ = static_cast<unsigned char>(0xF0 | (c >> 18));
      *at++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
      *at++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      *at++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
  });
  if (!valid) return std::nullopt;
  return static_cast<size_t>(at - reinterpret_cast<unsigned char*>(out));
}

bool DecodeOwn(uint32_t encoding, std::string_view bytes, std::u32string& codePoints) {
  switch (encoding) {
    case kREALTextEncodingUTF8:
      return DecodeUTF8(bytes, codePoints);
    case kREALTextEncodingUTF16:
      return DecodeUTF16(bytes, kLittleEndianHost, codePoints);
    case kEncodingUTF16BE:
      return DecodeUTF16(bytes, false, codePoints);
    case kEncodingUTF16LE:
      return DecodeUTF16(bytes, true, codePoints);
    case kREALTextEncodingUTF32:
      return DecodeUTF32(bytes, kLittleEndianHost, codePoints);
    case kEncodingUTF32BE:
      return DecodeUTF32(bytes, false, codePoints);
    case kEncodingUTF32LE:
      return DecodeUTF32(bytes, true, codePoints);
    case kREALTextEncodingMacRoman:
    case kREALTextEncodingISOLatin1:
    case kREALTextEncodingWindowsLatin1:
    case kREALTextEncodingASCII:
      return DecodeSingleByte(encoding, bytes, codePoints);
    default:
      return false;
  }
}

bool EncodeOwn(uint32_t encoding, std::u32string_view codePoints, std::string& bytes) {
  switch (encoding) {
    case kREALTextEncodingUTF8:
      return EncodeUTF8(codePoints, bytes);
    case kREALTextEncodingUTF16:
      return EncodeUTF16(codePoints, kLittleEndianHost, bytes);
    case kEncodingUTF16BE:
      return EncodeUTF16(codePoints, false, bytes);
    case kEncodingUTF16LE:
      return EncodeUTF16(codePoints, true, bytes);
    case kREALTextEncodingUTF32:
      return EncodeUTF32(codePoints, kLittleEndianHost, bytes);
    case kEncodingUTF32BE:
      return EncodeUTF32(codePoints, false, bytes);
    case kEncodingUTF32LE:
      return EncodeUTF32(codePoints, true, bytes);
    case kREALTextEncodingMacRoman:
    case kREALTextEncodingISOLatin1:
    case kREALTextEncodingWindowsLatin1:
    case kREALTextEncodingASCII:
      return EncodeSingleByte(encoding, codePoints, bytes);
    default:
      return false;
  }
}

}  // namespace emu
