#include "tnef_writer.h"

#include <array>
#include <cstring>

namespace tnef_writer {

namespace {

constexpr std::string_view kPreloadedDictionary =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}"
    "{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript \\fdecor MS Sans SerifSymbolArialTimes New "
    "RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
constexpr size_t kDictionarySize = 4096;
constexpr size_t kLongestReference = 17;

// Bit by bit, so that it shares nothing with the reader's table.
uint32_t Crc(std::string_view bytes) {
  uint32_t crc = 0;
  for (char byte : bytes) {
    crc ^= static_cast<unsigned char>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
  }
  return crc;
}

std::string RtfHeader(size_t contentSize, size_t rawSize, std::string_view form, uint32_t crc) {
  return Le32(static_cast<uint32_t>(contentSize + 12)) + Le32(static_cast<uint32_t>(rawSize)) +
         std::string(form) + Le32(crc);
}

}  // namespace

std::string Utf16(std::string_view utf8) {
  std::string units;
  for (size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) codePoint = codePoint << 6 | (utf8[at + i] & 0x3F);
    at += length;
    if (codePoint < 0x10000) {
      units += Le16(codePoint);
    } else {
      codePoint -= 0x10000;
      units += Le16(0xD800 | codePoint >> 10) + Le16(0xDC00 | (codePoint & 0x3FF));
    }
  }
  return units;
}

PropertyList& PropertyList::noise() {
  const std::string guid(16, '\x11');
  // A named property with a string name, then one with a numeric name.
  add(Le16(0x0003) + Le16(0x8001) + guid + Le32(1) + Le32(6) + PaddedToFour(Utf16("abc")) +
      Le32(7));
  add(Le16(0x000B) + Le16(0x8002) + guid + Le32(0) + Le32(0x8510) + Le32(1));
  // Three shorts, each padded to four bytes; two strings.
  add(Le16(0x1002) + Le16(0x6001) + Le32(3) + Le32(1) + Le32(2) + Le32(3));
  return add(Le16(0x101E) + Le16(0x6002) + Le32(2) + Le32(2) + PaddedToFour({"a", 2}) + Le32(5) +
             PaddedToFour({"bcde", 5}));
}

Stream::Stream() {
  bytes_ = Le32(0x223E9F78) + Le16(0x0101);
  completeLengths_.push_back(bytes_.size());
  attribute(kMessage, kAttTnefVersion, Le32(0x00010000));
}

Stream& Stream::attribute(uint8_t level, uint32_t id, std::string_view data) {
  uint32_t checksum = 0;
  for (char byte : data) checksum += static_cast<unsigned char>(byte);
  bytes_ += static_cast<char>(level);
  bytes_ += Le32(id) + Le32(static_cast<uint32_t>(data.size()));
  bytes_.append(data);
  bytes_ += Le16(checksum & 0xFFFF);
  completeLengths_.push_back(bytes_.size());
  return *this;
}

Stream& Stream::file(std::string_view title, std::string_view data,
                     const PropertyList& properties) {
  attribute(kAttachment, kAttAttachRendData, std::string(14, '\0'));
  if (!title.empty()) attribute(kAttachment, kAttAttachTitle, std::string(title) + '\0');
  if (!data.empty()) attribute(kAttachment, kAttAttachData, data);
  return attribute(kAttachment, kAttAttachmentProperties, properties.bytes());
}

std::string MessageInterfaceId() {
  return std::string("\x07\x03\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
}

std::string CompressRtf(std::string_view rtf, size_t* references) {
  std::array<char, kDictionarySize> dictionary{};
  std::memcpy(dictionary.data(), kPreloadedDictionary.data(), kPreloadedDictionary.size());
  size_t writePosition = kPreloadedDictionary.size();
  size_t referenceCount = 0;
  std::string content;
  std::string group;
  unsigned control = 0;
  int items = 0;
  auto flushGroup = [&] {
    content += static_cast<char>(control);
    content += group;
    group.clear();
    control = 0;
    items = 0;
  };
  auto remember = [&](char byte) {
    dictionary[writePosition] = byte;
    writePosition = (writePosition + 1) % kDictionarySize;
  };
  for (size_t at = 0; at < rtf.size();) {
    // The longest match that ends before the position being written, so
    // that the copy reads only bytes already in the dictionary.
    size_t bestOffset = 0;
    size_t bestLength = 0;
    for (size_t offset = 0; offset < kDictionarySize; ++offset) {
      if (offset == writePosition) continue;
      const size_t room = (writePosition + kDictionarySize - offset) % kDictionarySize;
      size_t length = 0;
      while (length < kLongestReference && length < room && at + length < rtf.size() &&
             dictionary[(offset + length) % kDictionarySize] == rtf[at + length]) {
        ++length;
      }
      if (length > bestLength) {
        bestLength = length;
        bestOffset = offset;
      }
    }
    if (bestLength >= 2) {
      control |= 1u << items;
      const unsigned reference = static_cast<unsigned>(bestOffset << 4 | (bestLength - 2));
      group += static_cast<char>(reference >> 8);
      group += static_cast<char>(reference & 0xFF);
      for (size_t i = 0; i < bestLength; ++i) remember(rtf[at + i]);
      at += bestLength;
      ++referenceCount;
    } else {
      group += rtf[at];
      remember(rtf[at]);
      ++at;
    }
    if (++items == 8) flushGroup();
  }
  // The end: a reference to the position about to be written.
  control |= 1u << items;
  const unsigned end = static_cast<unsigned>(writePosition << 4);
  group += static_cast<char>(end >> 8);
  group += static_cast<char>(end & 0xFF);
  flushGroup();
  if (references != nullptr) *references = referenceCount;
  return RtfHeader(content.size(), rtf.size(), "LZFu", Crc(content)) + content;
}

std::string StoreRtfUncompressed(std::string_view rtf) {
  return RtfHeader(rtf.size(), rtf.size(), "MELA", 0) + std::string(rtf);
}

}  // namespace tnef_writer
