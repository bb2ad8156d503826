#include "decoding/compressed_rtf.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kCompressedForm = 0x75465A4C;    // "LZFu"
constexpr uint32_t kUncompressedForm = 0x414C454D;  // "MELA"
constexpr size_t kHeaderSize = 16;
// The size field counts everything after itself.
constexpr size_t kSizeFieldSize = 4;

constexpr size_t kDictionarySize = 4096;
constexpr size_t kDictionaryMask = kDictionarySize - 1;
// Every compressed text starts from a dictionary already holding the RTF
// words most documents begin with, so that even the first bytes compress.
constexpr std::string_view kPreloadedDictionary =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}"
    "{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript \\fdecor MS Sans SerifSymbolArialTimes New "
    "RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
static_assert(kPreloadedDictionary.size() == 207);

uint32_t ReadLittleEndian32(const char* bytes) {
  const auto* unsignedBytes = reinterpret_cast<const unsigned char*>(bytes);
  return uint32_t{unsignedBytes[0]} | uint32_t{unsignedBytes[1]} << 8 |
         uint32_t{unsignedBytes[2]} << 16 | uint32_t{unsignedBytes[3]} << 24;
}

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t index = 0; index < 256; ++index) {
    uint32_t value = index;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320 : value >> 1;
    table[index] = value;
  }
  return table;
}

// Runs of control bytes, each saying for the next eight items whether they
// are a literal byte (bit clear) or a two-byte reference into the
// dictionary (bit set), least significant bit first. A reference to the
// position about to be written ends the text.
std::string Expand(std::string_view compressed, size_t rawSize) {
  std::array<char, kDictionarySize> dictionary{};
  std::memcpy(dictionary.data(), kPreloadedDictionary.data(), kPreloadedDictionary.size());
  size_t writePosition = kPreloadedDictionary.size();
  std::string text;
  size_t at = 0;
  auto emit = [&](char byte) {
    dictionary[writePosition] = byte;
    writePosition = (writePosition + 1) & kDictionaryMask;
    text.push_back(byte);
  };
  while (at < compressed.size()) {
    const auto control = static_cast<unsigned char>(compressed[at++]);
    for (int bit = 0; bit < 8 && at < compressed.size(); ++bit) {
      if ((control & (1u << bit)) == 0) {
        emit(compressed[at++]);
        continue;
      }
      if (compressed.size() - at < 2) return text;
      const unsigned reference = static_cast<unsigned char>(compressed[at]) << 8 |
                                 static_cast<unsigned char>(compressed[at + 1]);
      at += 2;
      const size_t offset = reference >> 4;
      const size_t length = (reference & 0xF) + 2;
      if (offset == writePosition) return text;
      // Byte by byte: a reference may overlap the bytes it is writing.
      for (size_t copied = 0; copied < length; ++copied) {
        emit(dictionary[(offset + copied) & kDictionaryMask]);
      }
    }
    // What follows the declared size is padding, not text.
    if (text.size() >= rawSize) break;
  }
  return text;
}

}  // namespace

uint32_t CompressedRtfCrc(std::string_view bytes) {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  uint32_t crc = 0;
  for (char byte : bytes) crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::optional<std::string> DecompressRtf(std::string_view packed) {
  if (packed.size() < kHeaderSize) return std::nullopt;
  const uint32_t declaredSize = ReadLittleEndian32(packed.data());
  const uint32_t rawSize = ReadLittleEndian32(packed.data() + 4);
  const uint32_t form = ReadLittleEndian32(packed.data() + 8);
  const uint32_t crc = ReadLittleEndian32(packed.data() + 12);
  if (declaredSize < kHeaderSize - kSizeFieldSize ||
      declaredSize > packed.size() - kSizeFieldSize) {
    return std::nullopt;
  }
  const std::string_view content =
      packed.substr(kHeaderSize, declaredSize - (kHeaderSize - kSizeFieldSize));
  if (form == kUncompressedForm) {
    return std::string(content.substr(0, rawSize));
  }
  if (form != kCompressedForm || CompressedRtfCrc(content) != crc) return std::nullopt;
  std::string text = Expand(content, rawSize);
  if (text.size() > rawSize) text.resize(rawSize);
  return text;
}
