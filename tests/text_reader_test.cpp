#include "runtime/text_reader.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <string>

#include "plugin_test.h"
#include "runtime/debug_log.h"

namespace {

// Each form read back, checked to end in a terminator.
std::string UTF8Of(HostTextReader& reader) {
  const char* text = reader.UTF8();
  EXPECT_EQ(text[reader.UTF8Length()], '\0');
  return std::string(text, static_cast<size_t>(reader.UTF8Length()));
}
std::u16string UTF16Of(HostTextReader& reader) {
  const uint16_t* units = reader.UTF16();
  EXPECT_EQ(units[reader.UTF16Length()], 0);
  return std::u16string(units, units + reader.UTF16Length());
}
std::u32string UTF32Of(HostTextReader& reader) {
  const uint32_t* units = reader.UTF32();
  EXPECT_EQ(units[reader.UTF32Length()], 0u);
  return std::u32string(units, units + reader.UTF32Length());
}

template <class Text>
std::string NativeBytes(const Text& units) {
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(units[0]));
}

using TextReaderTest = InProcessTest;

TEST_F(TextReaderTest, NilAndSevenBitText) {
  HostTextReader nil(nullptr);
  EXPECT_EQ(UTF8Of(nil), "");
  EXPECT_EQ(UTF16Of(nil), u"");
  EXPECT_EQ(UTF32Of(nil), U"");

  for (HostEncoding encoding : {kREALTextEncodingUTF8, kREALTextEncodingASCII, kREALTextEncodingMacRoman,
                                kREALTextEncodingWindowsLatin1, kREALTextEncodingUnknown}) {
    emu::Str source = host().string("Hello, world", encoding);
    HostTextReader reader(source.get());
    EXPECT_EQ(reader.UTF8(), StringGetCString(source.get())) << "read in place";
    EXPECT_EQ(reader.UTF8Length(), 12);
    EXPECT_EQ(UTF16Of(reader), u"Hello, world");
    EXPECT_EQ(UTF32Of(reader), U"Hello, world");
  }
}

TEST_F(TextReaderTest, UTF8TextIsDecodedUpToTheFirstIllegalSequence) {
  struct Case {
    std::string bytes;
    std::u16string utf16;
    std::u32string utf32;
  };
  const Case cases[] = {
      {u8"Gr\u00FC\u00DFe", u"Gr\u00FC\u00DFe", U"Gr\u00FC\u00DFe"},
      {u8"\uFEFFHi\u00E9", u"Hi\u00E9", U"Hi\u00E9"},
      {u8"x\U0001F600", u"x\U0001F600", U"x\U0001F600"},
      {u8"\u20AC\uFFFEz\uFEFF!", u"\u20ACz!", U"\u20ACz!"},  // marks dropped wherever they are
      {"a\xC0\x80\x62", u"a", U"a"},
      {"ab\xC3\xA9\xE2\x82", u"ab\u00E9", U"ab\u00E9"},
      {"\xC3\xA9\xED\xA0\x80x", u"\u00E9", U"\u00E9"},
      {"\xC3\xA9\xF4\x90\x80\x80", u"\u00E9", U"\u00E9"},
      {"\xC3\xA9\xF8\x88\x80\x80\x80", u"\u00E9", U"\u00E9"},
      // Runs of ASCII longer than the eight bytes read at once, around and
      // before other text.
      {u8"Stra\u00DFe 12, 50667 K\u00F6ln, Deutschland \u20AC",
       u"Stra\u00DFe 12, 50667 K\u00F6ln, Deutschland \u20AC",
       U"Stra\u00DFe 12, 50667 K\u00F6ln, Deutschland \u20AC"},
      {u8"01234567\u00E989abcdefgh", u"01234567\u00E989abcdefgh", U"01234567\u00E989abcdefgh"},
      {"0123456789abcdef\xC0\x80tail", u"0123456789abcdef", U"0123456789abcdef"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    emu::Str source = host().string(c.bytes, kREALTextEncodingUTF8);
    HostTextReader reader(source.get());
    EXPECT_EQ(UTF16Of(reader), c.utf16);
    EXPECT_EQ(UTF32Of(reader), c.utf32);
    EXPECT_EQ(UTF8Of(reader), c.bytes);
  }
}

TEST_F(TextReaderTest, UTF16TextIsSwappedAndItsPairsJoined) {
  struct Case {
    std::u16string units, utf16;
    std::u32string utf32;
  };
  const Case cases[] = {
      {{0xFFFE, 0x4100, 0x4200}, u"AB", U"AB"},  // written in the other byte order
      {{0xFEFF, 0x0048, 0x0069}, u"Hi", U"Hi"},
      {{0xD83D, 0xDE00}, {0xD83D, 0xDE00}, U"\U0001F600"},
      {{0xD83D, 0x0041}, {0xD83D, 0x0041}, U""},
      {{0xDE00, 0x0041, 0x0042}, {0xDE00, 0x0041, 0x0042}, U"B"},
      {{0x0041, 0xD83D}, {0x0041, 0xD83D}, {0x41, 0xD83D}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(NativeBytes(c.units)));
    emu::Str source = host().string(NativeBytes(c.units), kREALTextEncodingUTF16);
    HostTextReader reader(source.get());
    EXPECT_EQ(UTF16Of(reader), c.utf16);
    EXPECT_EQ(UTF32Of(reader), c.utf32);
  }
}

TEST_F(TextReaderTest, OtherEncodingsAreConvertedByTheHost) {
  const std::u32string wide = U"Gr\u00FC\u00DFe \u20AC";
  const std::pair<std::string, HostEncoding> cases[] = {
      {"Gr\xFC\xDF\x65 \x80", kREALTextEncodingWindowsLatin1},
      {"Gr\x9F\xA7\x65 \xDB", kREALTextEncodingMacRoman},
      {"Gr\xFC\xDF\x65 \x80", kREALTextEncodingUnknown},  // 8-bit text is taken as Windows-1252
      {NativeBytes(wide), kREALTextEncodingUTF32},
  };
  for (const auto& [bytes, encoding] : cases) {
    emu::Str source = host().string(bytes, encoding);
    HostTextReader reader(source.get());
    EXPECT_EQ(UTF8Of(reader), u8"Gr\u00FC\u00DFe \u20AC") << encoding;
    EXPECT_EQ(UTF16Of(reader), u"Gr\u00FC\u00DFe \u20AC") << encoding;
    EXPECT_EQ(UTF32Of(reader), wide) << encoding;
  }
}

TEST_F(TextReaderTest, DebugLogTracesEachFormAndTheRelease) {
  emu::Str source = host().string("a\xC3\xA9\xC0\x80", kREALTextEncodingUTF8);
  setenv("ZQVDEBUG", "1", 1);
  ReadDebugSwitch();
  LogCapture log;
  {
    HostTextReader reader(source.get());
    reader.UTF16();
    reader.UTF32();
  }
  const std::string lines = log.lines();
  unsetenv("ZQVDEBUG");
  ReadDebugSwitch();
  EXPECT_EQ(lines,
            "ZQV Debug: Try UTF8 to UTF16 conversion...\n"
            "ZQV Debug: REALGetStringData ok. Length 5\n"
            "ZQV Debug: Illegal UTF-8 sequence! 3\n"
            "ZQV Debug: lengthUTF16 2\n"
            "ZQV Debug: Try UTF8 to UTF32 conversion...\n"
            "ZQV Debug: Illegal UTF-8 sequence! 3\n"
            "ZQV Debug: lengthUTF32 2\n"
            "ZQV Debug: REALDisposeStringData UTF8\n"
            "ZQV Debug: FreeMemoryNow tempUTF16\n"
            "ZQV Debug: FreeMemoryNow tempUTF32\n");
}

}  // namespace
