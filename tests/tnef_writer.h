// Writers of the test data for MimeTnefZQV: TNEF streams, the property lists
// inside them, and RTF in its compressed form, each built the way Outlook
// lays them out, so the tests need no collected files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tnef_writer {

// Attribute ids (type in the high half) and levels.
constexpr uint8_t kMessage = 1;
constexpr uint8_t kAttachment = 2;
constexpr uint32_t kAttSubject = 0x00018004;
constexpr uint32_t kAttBody = 0x0002800C;
constexpr uint32_t kAttAttachData = 0x0006800F;
constexpr uint32_t kAttAttachTitle = 0x00018010;
constexpr uint32_t kAttAttachRendData = 0x00069002;
constexpr uint32_t kAttMessageProperties = 0x00069003;
constexpr uint32_t kAttAttachmentProperties = 0x00069005;
constexpr uint32_t kAttOemCodePage = 0x00069007;
constexpr uint32_t kAttTnefVersion = 0x00089006;

// Property ids.
constexpr uint16_t kPropSubject = 0x0037;
constexpr uint16_t kPropBody = 0x1000;
constexpr uint16_t kPropRtfCompressed = 0x1009;
constexpr uint16_t kPropHtml = 0x1013;
constexpr uint16_t kPropInternetCodePage = 0x3FDE;
constexpr uint16_t kPropAttachData = 0x3701;
constexpr uint16_t kPropAttachFilename = 0x3704;
constexpr uint16_t kPropAttachMethod = 0x3705;
constexpr uint16_t kPropAttachLongFilename = 0x3707;
constexpr uint16_t kPropAttachMimeTag = 0x370E;
constexpr uint16_t kPropAttachContentId = 0x3712;

inline std::string Le16(uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}
inline std::string Le32(uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }
inline std::string PaddedToFour(std::string bytes) {
  bytes.resize((bytes.size() + 3) & ~size_t{3}, '\0');
  return bytes;
}
// ASCII text as UTF-16LE, or UTF-8 as UTF-16LE for the code points below
// U+10000 plus surrogate pairs above.
std::string Utf16(std::string_view utf8);

// A list of properties as attMsgProps and attAttachment carry it.
class PropertyList {
 public:
  PropertyList& string8(uint16_t id, std::string_view text) {
    return variable(0x001E, id, std::string(text) + '\0');
  }
  PropertyList& unicode(uint16_t id, std::string_view utf8) {
    return variable(0x001F, id, Utf16(utf8) + std::string(2, '\0'));
  }
  PropertyList& binary(uint16_t id, std::string_view bytes) {
    return variable(0x0102, id, std::string(bytes));
  }
  PropertyList& object(uint16_t id, std::string_view interfaceId, std::string_view bytes) {
    return variable(0x000D, id, std::string(interfaceId) + std::string(bytes));
  }
  PropertyList& long32(uint16_t id, uint32_t value) {
    return add(Le16(0x0003) + Le16(id) + Le32(value));
  }
  // Properties the reader has to step over: a named one, a multi-valued
  // fixed-size one and a multi-valued string.
  PropertyList& noise();
  std::string bytes() const { return Le32(count_) + body_; }

 private:
  PropertyList& variable(uint16_t type, uint16_t id, const std::string& value) {
    return add(Le16(type) + Le16(id) + Le32(1) + Le32(static_cast<uint32_t>(value.size())) +
               PaddedToFour(value));
  }
  PropertyList& add(const std::string& encoded) {
    ++count_;
    body_ += encoded;
    return *this;
  }

  uint32_t count_ = 0;
  std::string body_;
};

// A TNEF stream, attribute by attribute; each attribute's checksum is the
// sum of its bytes as writers compute it.
class Stream {
 public:
  Stream();
  Stream& attribute(uint8_t level, uint32_t id, std::string_view data);
  // The attributes of one file: attAttachRendData, then the title, data and
  // properties given (an empty title or data is left out).
  Stream& file(std::string_view title, std::string_view data, const PropertyList& properties);
  const std::string& bytes() const { return bytes_; }
  // The lengths at which the stream is complete: after the key and after
  // each attribute.
  const std::vector<size_t>& completeLengths() const { return completeLengths_; }

 private:
  std::string bytes_;
  std::vector<size_t> completeLengths_;
};

// The interface id under which an attached message is stored.
std::string MessageInterfaceId();

// `rtf` in the compressed form, using dictionary references wherever a run
// of two or more bytes repeats what the dictionary holds, and literals
// elsewhere; `references` counts the references written.
std::string CompressRtf(std::string_view rtf, size_t* references = nullptr);
// `rtf` in the uncompressed form.
std::string StoreRtfUncompressed(std::string_view rtf);

}  // namespace tnef_writer
