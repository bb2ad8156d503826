// The encodings the emulator converts with its own code: the Unicode forms,
// ASCII, ISO-8859-1, Windows-1252 and Mac Roman. Nothing here needs iconv, so
// a build without it (Windows) still converts what the plugin uses most.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace emu {

// Host numbers of the explicit-order Unicode forms (the plain UTF-16 and
// UTF-32 numbers of host_api.h mean native order).
constexpr uint32_t kEncodingUTF16BE = 0x10000100;
constexpr uint32_t kEncodingUTF16LE = 0x14000100;
constexpr uint32_t kEncodingUTF32BE = 0x18000100;
constexpr uint32_t kEncodingUTF32LE = 0x1C000100;

bool IsOwnEncoding(uint32_t encoding);

// Encodings in which a byte below 0x80 is that ASCII character, so text made
// only of such bytes reads the same in all of them without conversion.
bool IsAsciiCompatible(uint32_t encoding);
bool IsAllAscii(std::string_view bytes);

// Text in `encoding` to code points; false when the bytes are not valid text
// of that encoding. A leading byte-order mark of UTF-16 or UTF-32 sets the
// byte order and is dropped.
bool DecodeOwn(uint32_t encoding, std::string_view bytes, std::u32string& codePoints);
// Code points to `encoding`, appended to `bytes`; false when a code point has
// no representation there. Unicode forms are written without a mark.
bool EncodeOwn(uint32_t encoding, std::u32string_view codePoints, std::string& bytes);

// UTF-16 and UTF-32 (any of the five numbers) to UTF-8 straight from the
// units, with no code-point buffer between, in one pass: `out` needs the
// room WideTextUTF8Room gives; the result is the bytes written, or nullopt
// when the units are not valid text (as DecodeOwn would refuse them).
bool IsWideUnicode(uint32_t encoding);
size_t WideTextUTF8Room(uint32_t encoding, std::string_view bytes);
std::optional<size_t> WriteWideTextAsUTF8(uint32_t encoding, std::string_view bytes, char* out);

}  // namespace emu
