// MimeTnefZQV on streams laid out as Outlook writes them: files, texts, attached
// messages, damaged streams; then the RTF decompressor.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "decoding/compressed_rtf.h"
#include "plugin_test.h"

namespace {

using namespace std::string_literals;

// Attribute ids (type in the high half), levels and property ids.
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
// The interface id under which an attached message is stored.
const std::string kMessageInterfaceId =
    "\x07\x03\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46"s;

std::string Le16(uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}
std::string Le32(uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }
std::string PaddedToFour(std::string bytes) {
  bytes.resize((bytes.size() + 3) & ~size_t{3}, '\0');
  return bytes;
}

std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) bytes += Le16(unit);
  return bytes;
}

// A list of properties as attMsgProps and attAttachment carry it.
class PropertyList {
 public:
  PropertyList& string8(uint16_t id, std::string_view text) {
    return variable(0x001E, id, std::string(text) + '\0');
  }
  PropertyList& unicode(uint16_t id, std::u16string_view text) {
    return variable(0x001F, id, Utf16(text) + std::string(2, '\0'));
  }
  PropertyList& binary(uint16_t id, std::string_view bytes) {
    return variable(0x0102, id, std::string(bytes));
  }
  PropertyList& object(uint16_t id, std::string_view bytes) {
    return variable(0x000D, id, kMessageInterfaceId + std::string(bytes));
  }
  PropertyList& long32(uint16_t id, uint32_t value) {
    return add(Le16(0x0003) + Le16(id) + Le32(value));
  }
  // Properties the reader has to step over: named ones (a string and a numeric
  // name), three shorts each padded to four bytes, two strings.
  PropertyList& noise() {
    const std::string guid(16, '\x11');
    add(Le16(0x0003) + Le16(0x8001) + guid + Le32(1) + Le32(6) + PaddedToFour(Utf16(u"abc")) +
        Le32(7));
    add(Le16(0x000B) + Le16(0x8002) + guid + Le32(0) + Le32(0x8510) + Le32(1));
    add(Le16(0x1002) + Le16(0x6001) + Le32(3) + Le32(1) + Le32(2) + Le32(3));
    return add(Le16(0x101E) + Le16(0x6002) + Le32(2) + Le32(2) + PaddedToFour({"a", 2}) +
               Le32(5) + PaddedToFour({"bcde", 5}));
  }
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

// A TNEF stream, each attribute with the sum of its bytes as its checksum.
class Stream {
 public:
  Stream() {
    bytes_ = Le32(0x223E9F78) + Le16(0x0101);
    completeLengths_.push_back(bytes_.size());
    attribute(kMessage, kAttTnefVersion, Le32(0x00010000));
  }
  Stream& attribute(uint8_t level, uint32_t id, std::string_view data) {
    uint32_t checksum = 0;
    for (char byte : data) checksum += static_cast<unsigned char>(byte);
    bytes_ += static_cast<char>(level) + Le32(id) + Le32(static_cast<uint32_t>(data.size()));
    bytes_ += std::string(data) + Le16(checksum & 0xFFFF);
    completeLengths_.push_back(bytes_.size());
    return *this;
  }
  // One file: attAttachRendData, the title and data (unless empty), the properties.
  Stream& file(std::string_view title, std::string_view data, const PropertyList& properties) {
    attribute(kAttachment, kAttAttachRendData, std::string(14, '\0'));
    if (!title.empty()) attribute(kAttachment, kAttAttachTitle, std::string(title) + '\0');
    if (!data.empty()) attribute(kAttachment, kAttAttachData, data);
    return attribute(kAttachment, kAttAttachmentProperties, properties.bytes());
  }
  const std::string& bytes() const { return bytes_; }
  // Where the stream may end whole: after the key and after each attribute.
  const std::vector<size_t>& completeLengths() const { return completeLengths_; }

 private:
  std::string bytes_;
  std::vector<size_t> completeLengths_;
};

// An RTF body: the 16-byte header, then `content`.
std::string PackedRtf(const std::string& content, size_t rawSize, const char* form, uint32_t crc) {
  return Le32(static_cast<uint32_t>(content.size() + 12)) + Le32(static_cast<uint32_t>(rawSize)) +
         form + Le32(crc) + content;
}

// The compressed example Outlook's documentation gives, byte for byte.
const std::string kDocumentedRtf =
    "\x2d\x00\x00\x00\x2b\x00\x00\x00\x4c\x5a\x46\x75\xf1\xc5\xc7\xa7\x03\x00\x0a\x00\x72\x63"
    "\x70\x67\x31\x32\x35\x42\x32\x0a\xf3\x20\x68\x65\x6c\x09\x00\x20\x62\x77\x05\xb0\x6c\x64"
    "\x7d\x0a\x80\x0f\xa0"s;
const std::string kDocumentedRtfText = "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n";

const std::string kPng = "\x89PNG\r\n\x1A\n"s + "pixels";
const std::string kNoSignature =
    "Not a TNEF stream: the data does not start with the TNEF signature.";
const std::string kTruncated =
    "Damaged TNEF stream: the data ends before the stream's structure does.";

class TnefTest : public PluginTest {
 protected:
  emu::Obj readTnef(const std::string& stream) {
    return host().construct(kTnefClass, kTnefConstructor,
                            {host().string(stream, kREALTextEncodingUnknown)});
  }
  std::vector<emu::Obj> filesOf(const emu::Obj& tnef) {
    return elements(host().call(tnef, kTnefAttachments).obj());
  }
  Tagged textOf(const emu::Obj& object, const std::string& property) {
    return TaggedOf(host().get(object, property).str());
  }
};

// An attached message stored the way Outlook stores one.
std::string AttachedMessage(const std::string& name, const std::string& innerStream) {
  return PropertyList()
      .string8(kPropAttachLongFilename, name)
      .long32(kPropAttachMethod, 5)
      .object(kPropAttachData, innerStream)
      .bytes();
}

TEST_F(TnefTest, FilesComeInStreamOrderAndAStreamCutShortIsRefused) {
  struct Expected {
    std::string filename, data, mimeType, contentId;
  };
  Stream inner;
  inner.attribute(kMessage, kAttSubject, "Forwarded\0"s)
      .file("B.TXT", "b", PropertyList())
      .file("C.TXT", "c", PropertyList());
  Stream middle;
  middle.file("", "", PropertyList())
      .attribute(kAttachment, kAttAttachmentProperties, AttachedMessage("Inner", inner.bytes()))
      .file("D.TXT", "d", PropertyList());
  Stream stream;
  stream.attribute(kMessage, kAttMessageProperties,
                   PropertyList().unicode(kPropBody, u"b").noise().bytes())
      .file("REPORT~1.PDF", "%PDF-1.4",
            PropertyList()
                .string8(kPropAttachLongFilename, "Quarterly report.pdf")
                .string8(kPropAttachMimeTag, "application/pdf")
                .noise())
      .file("", "",
            PropertyList()
                .string8(kPropAttachFilename, "SHORT.BIN")
                .binary(kPropAttachData, "\0\1\2"s))
      .file("", kPng,
            PropertyList()
                .string8(kPropAttachContentId, "<logo@x>")
                .unicode(kPropAttachMimeTag, u"image/png"))
      .file("", "", PropertyList())
      .attribute(kAttachment, kAttAttachmentProperties, AttachedMessage("Middle", middle.bytes()))
      .file("", "e", PropertyList().unicode(kPropAttachLongFilename, u"\u00E9t\u00E9.txt"));
  // An attached message's entry holds its stream, which MimeTnefZQV reads
  // again, and its files follow it.
  const std::vector<Expected> expected = {
      {"Quarterly report.pdf", "%PDF-1.4", "application/pdf", kNil},
      {"SHORT.BIN", "\0\1\2"s, kNil, kNil},
      {"logo@x.png", kPng, "image/png", "<logo@x>"},
      {"Middle", middle.bytes(), kNil, kNil},
      {"Inner", inner.bytes(), kNil, kNil},
      {"B.TXT", "b", kNil, kNil},
      {"C.TXT", "c", kNil, kNil},
      {"D.TXT", "d", kNil, kNil},
      {"\xC3\xA9t\xC3\xA9.txt", "e", kNil, kNil},
  };

  const emu::Obj tnef = readTnef(stream.bytes());
  expectNoException();
  const std::vector<emu::Obj> files = filesOf(tnef);
  ASSERT_EQ(files.size(), expected.size());
  for (size_t index = 0; index < files.size(); ++index) {
    const emu::Obj& file = files[index];
    EXPECT_EQ(shown(file, "Filename"), expected[index].filename) << index;
    EXPECT_EQ(shown(file, "Data"), expected[index].data) << index;
    EXPECT_EQ(shown(file, "MimeType"), expected[index].mimeType) << index;
    EXPECT_EQ(shown(file, "contentId"), expected[index].contentId) << index;
    EXPECT_TRUE(headerOf(file).isNil()) << index;
    EXPECT_TRUE(host().get(file, "Body").obj().isNil()) << index;
    EXPECT_EQ(host().call(tnef, kTnefAttachmentAt, {static_cast<int64_t>(index)}).obj().get(),
              file.get());
  }
  EXPECT_EQ(host().get(tnef, "AttachmentsVariant").obj().get(),
            host().call(tnef, kTnefAttachments).obj().get());

  // Cut at every byte: complete at an attribute's end, damaged anywhere else.
  const std::string& whole = stream.bytes();
  const std::vector<size_t>& complete = stream.completeLengths();
  for (size_t length = 0; length < whole.size(); ++length) {
    readTnef(whole.substr(0, length));
    if (length < 4) {
      expectException("UnsupportedFormatException", kNoSignature);
    } else if (std::find(complete.begin(), complete.end(), length) != complete.end()) {
      expectNoException();
    } else {
      expectException("UnsupportedFormatException", kTruncated);
    }
  }
}

TEST_F(TnefTest, TextsAreTaggedInTheStreamsCodePageOrAsUnicode) {
  Stream legacy;
  legacy.attribute(kMessage, kAttOemCodePage, Le32(1251) + Le32(0))
      .attribute(kMessage, kAttSubject, "\xCF\xF0\xE8\xE2\xE5\xF2\0"s)
      .attribute(kMessage, kAttBody, "caf\xE9 in 1251")
      .attribute(kMessage, kAttMessageProperties,
                 PropertyList()
                     .long32(kPropInternetCodePage, 65001)
                     .binary(kPropHtml, "<p>caf\xC3\xA9</p>")
                     .binary(kPropRtfCompressed, kDocumentedRtf)
                     .bytes());
  const emu::Obj fromLegacy = readTnef(legacy.bytes());
  expectNoException();
  EXPECT_EQ(textOf(fromLegacy, "Subject"), Tagged("\xCF\xF0\xE8\xE2\xE5\xF2", 0x0502));
  EXPECT_EQ(textOf(fromLegacy, "Body"), Tagged("caf\xE9 in 1251", 0x0502));
  EXPECT_EQ(textOf(fromLegacy, "BodyHTML"), Tagged("<p>caf\xC3\xA9</p>", kREALTextEncodingUTF8));
  EXPECT_EQ(shown(fromLegacy, "BodyRTF"), kDocumentedRtfText);

  // Unicode properties win over attributes; stored uncompressed RTF comes back.
  // A code page no charset row has leaves the text's bytes to decide.
  Stream unicode;
  unicode.attribute(kMessage, kAttOemCodePage, Le32(12345) + Le32(0))
      .attribute(kMessage, kAttMessageProperties,
                 PropertyList()
                     .unicode(kPropSubject, u"\u20AC rates \U0001F4C8")
                     .unicode(kPropBody, u"na\u00EFve")
                     .string8(kPropHtml, "<b>caf\xC3\xA9</b>")
                     .binary(kPropRtfCompressed, PackedRtf("{\\rtf1 plain}", 13, "MELA", 0))
                     .bytes())
      .attribute(kMessage, kAttSubject, "legacy\0"s);
  const emu::Obj fromUnicode = readTnef(unicode.bytes());
  expectNoException();
  EXPECT_EQ(textOf(fromUnicode, "Subject"),
            Tagged("\xE2\x82\xAC rates \xF0\x9F\x93\x88", kREALTextEncodingUTF8));
  EXPECT_EQ(shown(fromUnicode, "Body"), "na\xC3\xAFve");
  EXPECT_EQ(textOf(fromUnicode, "BodyHTML"),
            Tagged("<b>caf\xC3\xA9</b>", kREALTextEncodingUTF8));
  EXPECT_EQ(shown(fromUnicode, "BodyRTF"), "{\\rtf1 plain}");

  // Nothing given: nil texts; an RTF body failing its checksum is left out.
  std::string damagedRtf = kDocumentedRtf;
  damagedRtf.back() ^= 0x20;
  Stream bare;
  bare.attribute(kMessage, kAttMessageProperties,
                 PropertyList().binary(kPropRtfCompressed, damagedRtf).bytes());
  const emu::Obj fromBare = readTnef(bare.bytes());
  expectNoException();
  for (const char* text : {"Subject", "Body", "BodyHTML", "BodyRTF"}) {
    EXPECT_EQ(shown(fromBare, text), kNil) << text;
  }
  // No files: an empty array, never nil.
  EXPECT_EQ(host().ubound(host().call(fromBare, kTnefAttachments).obj()), -1);
}

// Messages nested deeper than MIME parts may be are listed, not opened.
TEST_F(TnefTest, DeepMessagesAreListedNotOpened) {
  std::string nested = Stream().file("LAST.TXT", "x", PropertyList()).bytes();
  for (int level = 70; level >= 1; --level) {
    nested = Stream()
                 .file("", "", PropertyList())
                 .attribute(kAttachment, kAttAttachmentProperties,
                            AttachedMessage("M" + std::to_string(level), nested))
                 .bytes();
  }
  const emu::Obj deep = readTnef(nested);
  expectNoException();
  const std::vector<emu::Obj> deepFiles = filesOf(deep);
  ASSERT_EQ(deepFiles.size(), 65u);
  EXPECT_EQ(shown(deepFiles.back(), "Filename"), "M65");
}

TEST_F(TnefTest, DamagedStreamsRaiseAndSayWhy) {
  // The signature's last byte is wrong; shorter cuts are in the test above.
  readTnef("\x78\x9F\x3E\x23\x01\x01"s);
  expectException("UnsupportedFormatException", kNoSignature);

  // Counts and lengths far beyond the bytes left are refused before use.
  const std::vector<std::string> oversized = {
      Stream().attribute(kMessage, kAttMessageProperties, Le32(0x40000000)).bytes(),
      Stream()
          .attribute(kMessage, kAttMessageProperties,
                     Le32(1) + Le16(0x0102) + Le16(0x1000) + Le32(0xFFFFFFFF) + Le32(8))
          .bytes(),
      Stream()
          .attribute(kMessage, kAttMessageProperties,
                     Le32(1) + Le16(0x0102) + Le16(0x1000) + Le32(1) + Le32(0xFFFFFFF0))
          .bytes(),
      // A type no reader can step over, and a level that does not exist.
      Stream().attribute(kMessage, kAttMessageProperties, Le32(1) + Le16(0x0999) + Le16(1)).bytes(),
      Stream().attribute(3, kAttSubject, "x").bytes(),
  };
  for (const std::string& data : oversized) {
    readTnef(data);
    expectException("UnsupportedFormatException", kTruncated);
  }
}

TEST(CompressedRtf, ReadsBothFormsAndChecksTheCompressedOne) {
  const auto compressed = [](const std::string& content, size_t rawSize) {
    return PackedRtf(content, rawSize, "LZFu", CompressedRtfCrc(content));
  };
  // Two references into the preloaded dictionary, then the end.
  const std::string preloaded = compressed("\x07\x00\x0F\x01\x1C\x0E\xE0"s, 31);
  // The documentation's second example: references overlapping what they write.
  const std::string overlapping =
      "\x1a\x00\x00\x00\x1c\x00\x00\x00\x4c\x5a\x46\x75\xe2\xd4\x4b\x51\x41\x00\x04\x20\x57\x58"
      "\x59\x5a\x0d\x6e\x7d\x01\x0e\xb0"s;
  // 'z', then references copying 17 bytes from it each, which take the write
  // position round the dictionary's end to 1212; there an 'a', a reference
  // copying it 17 times, and the end at 1230.
  std::string content = "\xFEz";
  for (int reference = 1; reference <= 300; ++reference) {
    content += "\x0C\xFF";
    if (reference % 8 == 7) content += reference == 295 ? '\xDF' : '\xFF';
  }
  content += "a\x4B\xCF\x4C\xE0";
  const std::string wrapped = std::string(5101, 'z') + std::string(18, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {compressed("\x01\x0C\xF0"s, 0), ""},  // the end alone
      {preloaded, "{\\rtf1\\ansi\\mac\\deff0\\deftab720"},
      {overlapping, "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}"},
      {compressed(content, wrapped.size()), wrapped},
  };
  for (const auto& [packed, text] : cases) {
    EXPECT_EQ(DecompressRtf(packed).value_or("(none)"), text) << text.substr(0, 40);
  }

  // A checksum bit flipped, an unknown form, a size past the end, a cut header.
  const std::pair<size_t, char> damages[] = {{12, '\xF0'}, {8, 'X'}, {0, '\x2E'}};
  for (const auto& [at, byte] : damages) {
    std::string damaged = kDocumentedRtf;
    damaged[at] = byte;
    EXPECT_FALSE(DecompressRtf(damaged).has_value()) << at;
  }
  EXPECT_FALSE(DecompressRtf(kDocumentedRtf.substr(0, 15)).has_value());
}

}  // namespace
