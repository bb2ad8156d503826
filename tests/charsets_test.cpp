// Charset names as messages write them, and the host encodings they select.
#include <cctype>
#include <iterator>
#include <string>
#include <string_view>

#include "decoding/charsets.h"
#include "decoding/format_switch.h"
#include "plugin_test.h"

namespace {

using namespace std::string_literals;

struct NamedEncoding {
  std::string_view name;
  HostEncoding encoding;
};

// Written out again from the list of supported names, independently of the
// table in the library: a name dropped, misspelt, moved or mapped wrongly there
// shows up as a difference here.
constexpr NamedEncoding kExpectedTable[] = {
    {"utf8", 0x08000100},      {"usascii", 0x0600},       {"ascii", 0x0600},
    {"ASAX341963", 0x0600},    {"ANSIX341968", 0x0600},   {"ISO88591", 0x0201},
    {"ISO88592", 0x0202},      {"ISO88593", 0x0203},      {"ISO88594", 0x0204},
    {"ISO88595", 0x0205},      {"ISO88596", 0x0206},      {"ISO88597", 0x0207},
    {"ISO88598", 0x0208},      {"ISO88599", 0x0209},      {"ISO885910", 0x020A},
    {"ISO885911", 0x020B},     {"TIS620", 0x020B},        {"ISO885912", 0x020C},
    {"ISO885913", 0x020D},     {"ISO885914", 0x020E},     {"ISO885915", 0x020F},
    {"ISO885916", 0x0210},     {"windows1250", 0x0501},   {"windows1251", 0x0502},
    {"windows1252", 0x0500},   {"windows1253", 0x0503},   {"windows1254", 0x0504},
    {"windows1255", 0x0505},   {"windows1256", 0x0506},   {"windows1257", 0x0507},
    {"windows1258", 0x0508},   {"windows1361", 0x0510},   {"ISO2022JP", 0x0820},
    {"ISO2022JP2", 0x0821},    {"ISO2022JP1", 0x0822},    {"ISO2022JP3", 0x0823},
    {"ISO2022CN", 0x0830},     {"ISO2022JPEXT", 0x0831},  {"ISO2022KR", 0x0840},
    {"GB2312", 0x0630},        {"EUCJP", 0x0920},         {"EUCCN", 0x0930},
    {"EUCTW", 0x0931},         {"EUCKR", 0x0940},         {"ShiftJIS", 0x0A01},
    {"KOI8R", 0x0A02},         {"Big5", 0x0A03},          {"MacRomanLatin1", 0x0A04},
    {"HZGB2312", 0x0A05},      {"Big5HKSCS1999", 0x0A06}, {"VISCII", 0x0A07},
    {"KOI8U", 0x0A08},         {"Big5E", 0x0A09},         {"xmaccyrillic", 7},
    {"gbk", 0x0631},           {"cp437", 0x0400},         {"cp737", 0x0405},
    {"cp775", 0x0406},         {"cp850", 0x0410},         {"cp851", 0x0411},
    {"cp852", 0x0412},         {"cp855", 0x0413},         {"cp857", 0x0414},
    {"cp860", 0x0415},         {"cp861", 0x0416},         {"cp862", 0x0417},
    {"cp863", 0x0418},         {"cp864", 0x0419},         {"cp865", 0x041A},
    {"cp866", 0x041B},         {"cp869", 0x041C},         {"cp874", 0x041D},
    {"cp932", 0x0420},         {"cp936", 0x0421},         {"cp949", 0x0422},
    {"cp950", 0x0423},         {"cp1250", 0x0501},        {"cp1251", 0x0502},
    {"cp1252", 0x0500},        {"cp1253", 0x0503},        {"cp1254", 0x0504},
    {"cp1255", 0x0505},        {"cp1256", 0x0506},        {"cp1257", 0x0507},
    {"cp1258", 0x0508},        {"cp1361", 0x0510},        {"windows437", 0x0400},
    {"windows737", 0x0405},    {"windows775", 0x0406},    {"windows850", 0x0410},
    {"windows851", 0x0411},    {"windows852", 0x0412},    {"windows855", 0x0413},
    {"windows857", 0x0414},    {"windows860", 0x0415},    {"windows861", 0x0416},
    {"windows862", 0x0417},    {"windows863", 0x0418},    {"windows864", 0x0419},
    {"windows865", 0x041A},    {"windows866", 0x041B},    {"windows869", 0x041C},
    {"windows874", 0x041D},    {"windows932", 0x0420},    {"windows936", 0x0421},
    {"windows949", 0x0422},    {"windows950", 0x0423},    {"binary", 0xFFFF},
    {"utf16", 0x0100},         {"macintosh", 0},          {"MacRoman", 0},
    {"xmacroman", 0},          {"utf7", 0x04000100},      {"unicode11utf7", 0x04000100},
    {"xuserdefined", 0x0201},  {"XUNKNOWN", 0x0201},      {"UNKNOWN", 0x0201},
    {"unknown8bit", 0x0201},   {"0", 0x0201},
};

class FormatExceptionsOn {
 public:
  FormatExceptionsOn() { SetFormatExceptionsEnabled(true); }
  ~FormatExceptionsOn() { SetFormatExceptionsEnabled(false); }
};

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

TEST(Charsets, TableHoldsEveryNameInOrder) {
  ASSERT_EQ(CharsetTableSize(), std::size(kExpectedTable));
  const CharsetEntry* table = CharsetTable();
  for (size_t index = 0; index < std::size(kExpectedTable); ++index) {
    EXPECT_EQ(table[index].name, kExpectedTable[index].name) << "row " << index;
    EXPECT_EQ(table[index].encoding, kExpectedTable[index].encoding) << table[index].name;
    // Stored normalised, or a lookup could never reach the row.
    EXPECT_EQ(NormalizeCharsetName(table[index].name), table[index].name);
    // Every row is reachable: no earlier name shadows it.
    for (size_t earlier = 0; earlier < index; ++earlier) {
      EXPECT_FALSE(EqualIgnoringAsciiCase(table[earlier].name, table[index].name))
          << table[earlier].name << " shadows " << table[index].name;
    }
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

TEST(Charsets, NamesAsWrittenInMessagesFindTheirEncoding) {
  const NamedEncoding cases[] = {
      {"UTF-8", kREALTextEncodingUTF8},
      {"utf_8", kREALTextEncodingUTF8},
      {"Utf.8", kREALTextEncodingUTF8},
      {" utf-8", kREALTextEncodingUTF8},
      {"iso-8859-15", 0x020F},
      {"windows-1252", kREALTextEncodingWindowsLatin1},
      {"CP1252", kREALTextEncodingWindowsLatin1},
      {"x-user-defined", kREALTextEncodingISOLatin1},
      {"unknown-8bit", kREALTextEncodingISOLatin1},
      {"unicode-1-1-utf-7", 0x04000100},
      {"Shift_JIS", 0x0A01},
      {"\"koi8-r\"", 0x0A02},
      {"MACROMAN", kREALTextEncodingMacRoman},
      {"x-mac-cyrillic", 7},
      {"big5-hkscs-1999", 0x0A06},
      {"Iso-2022-JP-ext", 0x0831},
      {"BINARY", kREALTextEncodingUnknown},
      {"latin1", kREALTextEncodingUnknown},
      {"UTF-16LE", kREALTextEncodingUnknown},
      {"GB18030", kREALTextEncodingUnknown},
      {"", kREALTextEncodingUnknown},
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
