// Charset names as messages write them, and the host encodings they select.
#include <string>
#include <string_view>

#include "decoding/charsets.h"
#include "plugin_test.h"

namespace {

using namespace std::string_literals;

struct NamedEncoding {
  std::string_view name;
  HostEncoding encoding;
};

// Each row is stored normalised and is the first its name reaches: a row
// written with a hyphen, or behind another spelling of its name, is never
// found.
TEST(Charsets, EveryRowOfTheTableIsFoundByItsName) {
  ASSERT_EQ(CharsetTableSize(), 119u);
  const CharsetEntry* table = CharsetTable();
  for (size_t index = 0; index < CharsetTableSize(); ++index) {
    EXPECT_EQ(NormalizeCharsetName(table[index].name), table[index].name);
    EXPECT_EQ(CharsetToEncoding(table[index].name), table[index].encoding) << table[index].name;
  }
}

TEST(Charsets, NormalisingDropsPunctuationAndControlBytesAndHonoursQuotes) {
  const struct {
    std::string raw;
    std::string normalized;
  } cases[] = {
      {"ISO-8859-1", "ISO88591"},
      {"x-mac-cyrillic", "xmaccyrillic"},
      {" U.T_F-8 ", "UTF8"},  // case is kept
      {"utf\t8\r\n", "utf8"},
      {"a\0b"s, "ab"},
      {"\x80\xE9utf\xFF-8", "utf8"},
      {"\x80\xFF", ""},
      {"a\x7F", "a\x7F"},  // DEL is not a control byte here
      {"", ""},
      {"\"utf-8\"", "utf8"},
      {"\"koi8-r\"; format=flowed", "koi8r"},
      // A quote after more than five kept bytes ends the name...
      {"iso-8859-1\"; format=flowed", "iso88591"},
      {"abcdef\"gh", "abcdef"},
      // ...one after five or fewer is dropped, and the name goes on.
      {"abcde\"fg", "abcdefg"},
      {"utf-8\"x", "utf8x"},
      {"\"\"rest", ""},
      {"\"ab\"cd\"", "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeCharsetName(c.raw), c.normalized) << c.raw;
}

// Whatever the spelling, case and punctuation, the name finds its row.
TEST(Charsets, NamesAsWrittenInMessagesFindTheirEncoding) {
  const NamedEncoding cases[] = {
      {"UTF-8", kREALTextEncodingUTF8},     {"utf_8", kREALTextEncodingUTF8},
      {"Utf.8", kREALTextEncodingUTF8},     {" utf-8", kREALTextEncodingUTF8},
      {"\"koi8-r\"", 0x0A02},               {"MACROMAN", kREALTextEncodingMacRoman},
      {"Iso-2022-JP-ext", 0x0831},          {"BINARY", kREALTextEncodingUnknown},
      {"\xE9\xE8", kREALTextEncodingUnknown},
  };
  for (const NamedEncoding& c : cases) EXPECT_EQ(CharsetToEncoding(c.name), c.encoding) << c.name;
}

using CharsetsHostTest = InProcessTest;

TEST_F(CharsetsHostTest, UnknownNameRaisesOnlyWhenTheSwitchIsOn) {
  const std::string unknownNames[] = {"latin1", "UTF-16LE", "GB18030", "utf-8\"x", ""};

  for (const std::string& name : unknownNames) {
    EXPECT_EQ(CharsetToEncoding(name), kREALTextEncodingUnknown) << name;
    expectNoException();
  }

  FormatExceptionsOn formatExceptions;
  for (const std::string& name : unknownNames) {
    EXPECT_EQ(CharsetToEncoding(name), kREALTextEncodingUnknown) << name;
    // The name as given, not as normalised, so it can be found in the message.
    expectException("UnsupportedFormatException", "Unhandled charset: " + name);
  }
  for (std::string_view known : {"binary", "Binary", "utf-8", "x-unknown"}) {
    CharsetToEncoding(known);
    expectNoException();
  }
}

}  // namespace
