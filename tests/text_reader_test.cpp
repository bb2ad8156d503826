#include "runtime/text_reader.h"

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

TEST_F(TextReaderTest, SevenBitTextIsReadInPlace) {
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

// UTF-8 is decoded up to its first illegal sequence, UTF-16 swapped when its
// mark says so and its pairs joined; other encodings are converted by the host.
TEST_F(TextReaderTest, EachEncodingIsReadIntoEveryForm) {
  constexpr HostEncoding kUTF8 = kREALTextEncodingUTF8;
  constexpr HostEncoding kUTF16 = kREALTextEncodingUTF16;
  struct Case {
    std::string bytes;
    HostEncoding encoding;
    std::u16string utf16;
    std::u32string utf32;
  };
  const std::string converted = u8"Gr\u00FC\u00DFe \u20AC";
  const std::u32string wide = U"Gr\u00FC\u00DFe \u20AC";
  const Case cases[] = {
      {u8"\uFEFFHi\u00E9", kUTF8, u"Hi\u00E9", U"Hi\u00E9"},
      {u8"x\U0001F600", kUTF8, u"x\U0001F600", U"x\U0001F600"},
      {u8"\u20AC\uFFFEz\uFEFF!", kUTF8, u"\u20ACz!", U"\u20ACz!"},  // marks dropped anywhere
      {"a\xC0\x80\x62", kUTF8, u"a", U"a"},
      {"ab\xC3\xA9\xE2\x82", kUTF8, u"ab\u00E9", U"ab\u00E9"},
      {"\xC3\xA9\xED\xA0\x80x", kUTF8, u"\u00E9", U"\u00E9"},
      {"\xC3\xA9\xF4\x90\x80\x80", kUTF8, u"\u00E9", U"\u00E9"},
      {"\xC3\xA9\xF8\x88\x80\x80\x80", kUTF8, u"\u00E9", U"\u00E9"},
      // Runs of ASCII longer than the eight bytes read at once, around and
      // before other text.
      {u8"01234567\u00E989abcdefgh", kUTF8, u"01234567\u00E989abcdefgh",
       U"01234567\u00E989abcdefgh"},
      {"0123456789abcdef\xC0\x80tail", kUTF8, u"0123456789abcdef", U"0123456789abcdef"},
      // written in the other byte order
      {NativeBytes(std::u16string{0xFFFE, 0x4100, 0x4200}), kUTF16, u"AB", U"AB"},
      {NativeBytes(std::u16string{0xFEFF, 0x0048, 0x0069}), kUTF16, u"Hi", U"Hi"},
      {NativeBytes(std::u16string{0xD83D, 0xDE00}), kUTF16, {0xD83D, 0xDE00}, U"\U0001F600"},
      {NativeBytes(std::u16string{0xD83D, 0x0041}), kUTF16, {0xD83D, 0x0041}, U""},
      {NativeBytes(std::u16string{0xDE00, 0x0041, 0x0042}), kUTF16, {0xDE00, 0x0041, 0x0042},
       U"B"},
      {NativeBytes(std::u16string{0x0041, 0xD83D}), kUTF16, {0x0041, 0xD83D}, {0x41, 0xD83D}},
      {"Gr\xFC\xDF\x65 \x80", kREALTextEncodingWindowsLatin1, u"Gr\u00FC\u00DFe \u20AC", wide},
      {"Gr\x9F\xA7\x65 \xDB", kREALTextEncodingMacRoman, u"Gr\u00FC\u00DFe \u20AC", wide},
      // 8-bit text of no encoding is taken as Windows-1252
      {"Gr\xFC\xDF\x65 \x80", kREALTextEncodingUnknown, u"Gr\u00FC\u00DFe \u20AC", wide},
      {NativeBytes(wide), kREALTextEncodingUTF32, u"Gr\u00FC\u00DFe \u20AC", wide},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes) + " in " + std::to_string(c.encoding));
    emu::Str source = host().string(c.bytes, c.encoding);
    HostTextReader reader(source.get());
    EXPECT_EQ(UTF16Of(reader), c.utf16);
    EXPECT_EQ(UTF32Of(reader), c.utf32);
    if (c.encoding == kUTF16) continue;  // broken pairs have no UTF-8 form
    // UTF-8 is read in place, whatever follows its last legal sequence.
    EXPECT_EQ(UTF8Of(reader), c.encoding == kUTF8 ? c.bytes : converted);
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
