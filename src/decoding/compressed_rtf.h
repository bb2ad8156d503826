// The RTF body of an Outlook message as it travels: a 16-byte header, then
// either the RTF itself or the RTF squeezed with a small sliding dictionary.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The RTF text held in `packed`, or nothing when the header is cut short,
// names an unknown form, or the checksum of the compressed form does not
// match its bytes. Never reads past `packed` and never allocates more than
// the input can expand to.
std::optional<std::string> DecompressRtf(std::string_view packed);

// The checksum the compressed form carries: CRC-32 with the usual
// polynomial, started at 0 and not inverted at the end.
uint32_t CompressedRtfCrc(std::string_view bytes);
