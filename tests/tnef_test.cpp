// MimeTnefZQV on streams made by tnef_writer: files and names, texts in their
// encodings, attached messages, damaged streams; then the RTF decompressor
// and the code page table.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "decoding/code_pages.h"
#include "decoding/compressed_rtf.h"
#include "plugin_test.h"
#include "tnef_writer.h"

namespace {

using namespace std::string_literals;
using namespace tnef_writer;

const std::string kPng = "\x89PNG\r\n\x1A\n"s + "pixels";

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

TEST_F(TnefTest, FilesComeInStreamOrderWithTheirNamesDataAndTags) {
  struct Expected {
    std::string filename, data, mimeType, contentId;
  };
  Stream stream;
  stream.attribute(kMessage, kAttSubject, "Two files\0"s)
      .file("REPORT~1.PDF", "%PDF-1.4",
            PropertyList()
                .string8(kPropAttachLongFilename, "Quarterly report.pdf")
                .string8(kPropAttachMimeTag, "application/pdf")
                .noise())
      .file("NOTES.TXT", "notes", PropertyList())
      .file("", "",
            PropertyList()
                .string8(kPropAttachFilename, "SHORT.BIN")
                .binary(kPropAttachData, "\0\1\2"s))
      .file("", kPng,
            PropertyList()
                .string8(kPropAttachContentId, "<logo@x>")
                .unicode(kPropAttachMimeTag, "image/png"))
      .file("", "plain", PropertyList());
  const std::vector<Expected> expected = {
      {"Quarterly report.pdf", "%PDF-1.4", "application/pdf", kNil},
      {"NOTES.TXT", "notes", kNil, kNil},
      {"SHORT.BIN", "\0\1\2"s, kNil, kNil},
      {"logo@x.png", kPng, "image/png", "<logo@x>"},
      {"attachment", "plain", kNil, kNil},
  };

  const emu::Obj tnef = readTnef(stream.bytes());
  expectNoException();
  EXPECT_EQ(shown(tnef, "Subject"), "Two files");
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
  EXPECT_TRUE(host().call(tnef, kTnefAttachmentAt, {int64_t{5}}).obj().isNil());
  expectOutOfBounds(4, 5);

  // No files at all: an empty array, never nil.
  const emu::Obj empty = readTnef(Stream().bytes());
  expectNoException();
  EXPECT_EQ(host().ubound(host().call(empty, kTnefAttachments).obj()), -1);
}

TEST_F(TnefTest, TextsAreTaggedInTheStreamsCodePageOrAsUnicode) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0 {\\fonttbl{\\f0 Arial;}}\\par hello "
      "hello hello world}";
  Stream legacy;
  legacy.attribute(kMessage, kAttOemCodePage, Le32(1251) + Le32(0))
      .attribute(kMessage, kAttSubject, "\xCF\xF0\xE8\xE2\xE5\xF2\0"s)
      .attribute(kMessage, kAttBody, "caf\xE9 in 1251")
      .attribute(kMessage, kAttMessageProperties,
                 PropertyList()
                     .long32(kPropInternetCodePage, 65001)
                     .binary(kPropHtml, "<p>caf\xC3\xA9</p>")
                     .binary(kPropRtfCompressed, CompressRtf(rtf))
                     .bytes())
      .file("A.TXT", "a", PropertyList());
  const emu::Obj fromLegacy = readTnef(legacy.bytes());
  expectNoException();
  EXPECT_EQ(textOf(fromLegacy, "Subject"), Tagged("\xCF\xF0\xE8\xE2\xE5\xF2", 0x0502));
  EXPECT_EQ(textOf(fromLegacy, "Body"), Tagged("caf\xE9 in 1251", 0x0502));
  EXPECT_EQ(textOf(fromLegacy, "BodyHTML"), Tagged("<p>caf\xC3\xA9</p>", kREALTextEncodingUTF8));
  EXPECT_EQ(shown(fromLegacy, "BodyRTF"), rtf);

  // Unicode properties win over attributes; stored uncompressed RTF comes back.
  Stream unicode;
  unicode
      .attribute(kMessage, kAttMessageProperties,
                 PropertyList()
                     .unicode(kPropSubject, "\xE2\x82\xAC rates \xF0\x9F\x93\x88")
                     .unicode(kPropBody, "na\xC3\xAFve")
                     .string8(kPropHtml, "<b>x</b>")
                     .binary(kPropRtfCompressed, StoreRtfUncompressed("{\\rtf1 plain}"))
                     .bytes())
      .attribute(kMessage, kAttSubject, "legacy\0"s)
      .file("", "d", PropertyList().unicode(kPropAttachLongFilename, "\xC3\xA9t\xC3\xA9.txt"));
  const emu::Obj fromUnicode = readTnef(unicode.bytes());
  expectNoException();
  EXPECT_EQ(textOf(fromUnicode, "Subject"),
            Tagged("\xE2\x82\xAC rates \xF0\x9F\x93\x88", kREALTextEncodingUTF8));
  EXPECT_EQ(shown(fromUnicode, "Body"), "na\xC3\xAFve");
  EXPECT_EQ(textOf(fromUnicode, "BodyHTML"), Tagged("<b>x</b>", kREALTextEncodingASCII));
  EXPECT_EQ(shown(fromUnicode, "BodyRTF"), "{\\rtf1 plain}");
  EXPECT_EQ(shown(filesOf(fromUnicode)[0], "Filename"), "\xC3\xA9t\xC3\xA9.txt");

  // Nothing given: nil texts; an RTF body failing its checksum is left out.
  std::string damagedRtf = CompressRtf(rtf);
  damagedRtf.back() ^= 0x20;
  Stream bare;
  bare.attribute(kMessage, kAttMessageProperties,
                 PropertyList().binary(kPropRtfCompressed, damagedRtf).bytes());
  const emu::Obj fromBare = readTnef(bare.bytes());
  expectNoException();
  for (const char* text : {"Subject", "Body", "BodyHTML", "BodyRTF"}) {
    EXPECT_EQ(shown(fromBare, text), kNil) << text;
  }
}

// An attached message stored the way Outlook stores one.
std::string AttachedMessage(const std::string& name, const std::string& innerStream) {
  return PropertyList()
      .string8(kPropAttachLongFilename, name)
      .long32(kPropAttachMethod, 5)
      .object(kPropAttachData, MessageInterfaceId(), innerStream)
      .bytes();
}

TEST_F(TnefTest, AttachedMessagesAddTheirFilesAfterTheirOwnPlace) {
  Stream inner;
  inner.attribute(kMessage, kAttSubject, "Forwarded\0"s)
      .file("B.TXT", "b", PropertyList())
      .file("C.TXT", "c", PropertyList());
  Stream middle;
  middle.file("", "", PropertyList())
      .attribute(kAttachment, kAttAttachmentProperties, AttachedMessage("Inner", inner.bytes()))
      .file("D.TXT", "d", PropertyList());
  Stream outer;
  outer.attribute(kMessage, kAttSubject, "Outer\0"s)
      .file("A.TXT", "a", PropertyList())
      .file("", "", PropertyList())
      .attribute(kAttachment, kAttAttachmentProperties, AttachedMessage("Middle", middle.bytes()))
      .file("E.TXT", "e", PropertyList());
  const emu::Obj tnef = readTnef(outer.bytes());
  expectNoException();
  EXPECT_EQ(shown(tnef, "Subject"), "Outer");
  std::vector<std::string> names;
  for (const emu::Obj& file : filesOf(tnef)) names.push_back(shown(file, "Filename"));
  EXPECT_EQ(names, (std::vector<std::string>{"A.TXT", "Middle", "Inner", "B.TXT", "C.TXT", "D.TXT",
                                             "E.TXT"}));
  // The message's own entry holds its stream, which MimeTnefZQV reads again.
  const emu::Obj middleEntry = host().call(tnef, kTnefAttachmentAt, {int64_t{1}}).obj();
  EXPECT_EQ(shown(middleEntry, "Data"), middle.bytes());

  // Messages nested deeper than MIME parts may be are listed, not opened.
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
  const std::string noSignature =
      "Not a TNEF stream: the data does not start with the TNEF signature.";
  const std::string truncated =
      "Damaged TNEF stream: the data ends before the stream's structure does.";
  for (const std::string& data : {""s, "winmail"s, "\x78\x9F\x3E"s, "\x78\x9F\x3E\x23\x01\x01"s}) {
    readTnef(data);
    expectException("UnsupportedFormatException", noSignature);
  }

  // Cut at every byte: complete at an attribute's end, damaged anywhere else.
  Stream attached;
  attached.file("IN.TXT", "in", PropertyList());
  Stream stream;
  stream.attribute(kMessage, kAttSubject, "s\0"s)
      .attribute(kMessage, kAttMessageProperties,
                 PropertyList().unicode(kPropBody, "b").noise().bytes())
      .file("A.TXT", "a", PropertyList().string8(kPropAttachMimeTag, "text/plain"))
      .file("", "", PropertyList())
      .attribute(kAttachment, kAttAttachmentProperties, AttachedMessage("M", attached.bytes()));
  const std::string& whole = stream.bytes();
  const std::vector<size_t>& complete = stream.completeLengths();
  for (size_t length = 0; length < whole.size(); ++length) {
    readTnef(whole.substr(0, length));
    if (length < 4) {
      expectException("UnsupportedFormatException", noSignature);
    } else if (std::find(complete.begin(), complete.end(), length) != complete.end()) {
      expectNoException();
    } else {
      expectException("UnsupportedFormatException", truncated);
    }
  }

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
      Stream().bytes() + "\x01" + Le32(kAttSubject) + Le32(0xFFFFFFFF) + "xx",
      // A type no reader can step over, and a level that does not exist.
      Stream().attribute(kMessage, kAttMessageProperties, Le32(1) + Le16(0x0999) + Le16(1)).bytes(),
      Stream().attribute(3, kAttSubject, "x").bytes(),
  };
  for (const std::string& data : oversized) {
    readTnef(data);
    expectException("UnsupportedFormatException", truncated);
  }
}

TEST(CompressedRtf, ReadsBothFormsAndChecksTheCompressedOne) {
  // The example Outlook's documentation gives, byte for byte.
  const std::string documented =
      "\x2d\x00\x00\x00\x2b\x00\x00\x00\x4c\x5a\x46\x75\xf1\xc5\xc7\xa7\x03\x00\x0a\x00\x72\x63"
      "\x70\x67\x31\x32\x35\x42\x32\x0a\xf3\x20\x68\x65\x6c\x09\x00\x20\x62\x77\x05\xb0\x6c\x64"
      "\x7d\x0a\x80\x0f\xa0"s;
  EXPECT_EQ(DecompressRtf(documented).value_or("(none)"),
            "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");

  const std::vector<std::string> texts = {
      "",
      "{\\rtf1\\ansi\\mac\\deff0\\deftab720}",
      "{\\rtf1 abcabcabcabcabcabcabcabcabcabcabcabc xyzzy \\par\\par\\par\\par}",
      std::string(5000, 'z') + "{\\rtf1}" + std::string(300, '\0'),
  };
  for (const std::string& text : texts) {
    size_t references = 0;
    const std::string compressed = tnef_writer::CompressRtf(text, &references);
    EXPECT_EQ(DecompressRtf(compressed).value_or("(none)"), text) << text.substr(0, 40);
    EXPECT_EQ(DecompressRtf(tnef_writer::StoreRtfUncompressed(text)).value_or("(none)"), text);
    if (text.size() > 20) {
      EXPECT_GT(references, 0u) << text.substr(0, 40);
    }
  }

  const std::string good = tnef_writer::CompressRtf("{\\rtf1 text}");
  std::string badCrc = good;
  badCrc[12] ^= 1;
  std::string unknownForm = good;
  unknownForm[8] = 'X';
  std::string sizeBeyondEnd = good;
  sizeBeyondEnd[0] += 1;
  for (const std::string& bad : {badCrc, unknownForm, sizeBeyondEnd, good.substr(0, 15)}) {
    EXPECT_FALSE(DecompressRtf(bad).has_value());
  }
}

// A code page finds its charset row by its own name, "cp" and the number, or none.
TEST(CodePages, MapOntoTheCharsetTablesEncodings) {
  const std::pair<uint32_t, HostEncoding> cases[] = {
      {1252, kREALTextEncodingWindowsLatin1}, {65001, kREALTextEncodingUTF8},
      {50220, 0x0820}, {0, kREALTextEncodingUnknown}, {12345, kREALTextEncodingUnknown},
  };
  for (const auto& [codePage, encoding] : cases) {
    EXPECT_EQ(CodePageToEncoding(codePage), encoding) << codePage;
  }
}

}  // namespace
