// Conversion of text between any two host encodings: the emulator's own
// codecs where they serve, iconv for the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace emu {

// True when `bytes` read as the same text in `to` as in `from`, so a
// conversion may hand out the bytes themselves.
bool ReadsTheSame(std::string_view bytes, uint32_t from, uint32_t to);

// Appends the text of `bytes` (in `from`) written in `to` to `out`; false
// when the bytes are not valid in `from` or the text cannot be written in
// `to` (then `out` holds an unspecified prefix). Text of unknown encoding
// (0xFFFF) converts only when it is plain ASCII; converting to the unknown
// encoding keeps the bytes.
bool ConvertText(std::string_view bytes, uint32_t from, uint32_t to, std::string& out);

// The conversions that can be written in place, straight from the source
// units, in one pass (UTF-16 and UTF-32 to UTF-8): HasDirectConversion tells
// which. The caller gives the result its final home with the room
// DirectConversionRoom asks for; ConvertDirectly fills it and answers the
// bytes written, or nullopt for text ConvertText would refuse.
bool HasDirectConversion(uint32_t from, uint32_t to);
size_t DirectConversionRoom(std::string_view bytes, uint32_t from, uint32_t to);
std::optional<size_t> ConvertDirectly(std::string_view bytes, uint32_t from, uint32_t to,
                                      char* out);

}  // namespace emu
