#include "runtime/unicode.h"

bool IsWellFormedUTF8(const void* bytes, int64_t length) {
  const auto* text = static_cast<const unsigned char*>(bytes);
  int64_t position = 0;
  while (position < length) {
    const unsigned char lead = text[position];
    if (lead == 0x09 || lead == 0x0A || lead == 0x0D || (lead >= 0x20 && lead <= 0x7E)) {
      ++position;
      continue;
    }

    int trailing = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trailing = 1;
    } else if (lead == 0xE0) {
      trailing = 2;
      secondLow = 0xA0;  // shorter forms were possible: overlong
    } else if (lead == 0xED) {
      trailing = 2;
      secondHigh = 0x9F;  // above lies the surrogate range
    } else if (lead >= 0xE1 && lead <= 0xEF) {
      trailing = 2;
    } else if (lead == 0xF0) {
      trailing = 3;
      secondLow = 0x90;  // overlong
    } else if (lead >= 0xF1 && lead <= 0xF3) {
      trailing = 3;
    } else if (lead == 0xF4) {
      trailing = 3;
      secondHigh = 0x8F;  // beyond U+10FFFF
    } else {
      return false;
    }

    if (length - position - 1 < trailing) return false;
    const unsigned char second = text[position + 1];
    if (second < secondLow || second > secondHigh) return false;
    for (int i = 2; i <= trailing; ++i) {
      const unsigned char next = text[position + i];
      if (next < 0x80 || next > 0xBF) return false;
    }
    position += trailing + 1;
  }
  return true;
}

int64_t ConvertUTF32ToUTF16(const uint32_t* codePoints, int64_t count, uint16_t* out) {
  int64_t written = 0;
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t codePoint = codePoints[i];
    if (codePoint < 0x10000) {
      // A lone surrogate value has no UTF-16 form.
      if (codePoint < 0xD800 || codePoint > 0xDFFF)
        out[written++] = static_cast<uint16_t>(codePoint);
    } else if (codePoint > 0x10FFFF) {
      out[written++] = 0xFFFD;
    } else {
      out[written++] = static_cast<uint16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
      out[written++] = static_cast<uint16_t>(0xDC00 + (codePoint & 0x3FF));
    }
  }
  out[written] = 0;
  return written;
}
