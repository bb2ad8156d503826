// Every host encoding the emulator's own code does not handle is converted
// through iconv, by way of a table from host numbers to iconv's names. This
// is the only file that needs iconv; a build without it replaces this pair.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace emu {

// As DecodeOwn/EncodeOwn, for the encodings of the table.
bool DecodeWithIconv(uint32_t encoding, std::string_view bytes, std::u32string& codePoints);
bool EncodeWithIconv(uint32_t encoding, std::u32string_view codePoints, std::string& bytes);

}  // namespace emu
