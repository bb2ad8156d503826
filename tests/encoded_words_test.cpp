// Header texts with RFC 2047 encoded words and RFC 2231 extended values: the
// bytes and encoding host code reads.
#include <string>
#include <vector>

#include "decoding/encoded_words.h"
#include "plugin_test.h"

namespace {

constexpr uint32_t kShiftJIS = 0x0A01;
constexpr uint32_t kLatin1 = kREALTextEncodingISOLatin1;
constexpr uint32_t kAscii = kREALTextEncodingASCII;
constexpr uint32_t kUTF8 = kREALTextEncodingUTF8;
constexpr uint32_t kWindows1252 = kREALTextEncodingWindowsLatin1;

// A header text, a display name (unquoted too) or an extended value.
enum Reading { kText, kName, kExtended };

emu::Str Decode(std::string_view text, Reading reading) {
  HostString decoded = reading == kExtended ? DecodeExtendedValue(text)
                                            : DecodeEncodedWords(text, reading == kName);
  return emu::Str::adopt(decoded.release());
}

using EncodedWordsTest = InProcessTest;

TEST_F(EncodedWordsTest, DecodesHeaderTexts) {
  const struct {
    std::string input;
    Reading reading;
    std::string bytes;
    uint32_t encoding;
  } cases[] = {
      {"=?ISO-8859-1?Q?caf=E9?=", kText, "caf\xE9", kLatin1},
      {"=?utf-8?b?w6k?=", kText, "\xC3\xA9", kUTF8},
      {"=?UTF-8?q?=C3=a9?=", kText, "\xC3\xA9", kUTF8},
      {"=?iso-8859-1?Q?a_b=5Fc=3f=G1?=", kText, "a b_c?\x01", kAscii},
      {"=?ISO-8859-1?Q?x=A?=", kText, "x\xA0", kLatin1},
      {"=?ISO-8859-1?Q?ab=00cd?=", kText, "ab", kAscii},
      {"=?windows-1252?Q?=80?=", kText, "\x80", kWindows1252},
      {"=?Shift_JIS?B?grGC8YLJgr+CzQ==?=", kText, "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD", kShiftJIS},
      {"=?ISO-8859-1?X?abc?=", kText, "abc", kAscii},
      {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=", kText, "ab", kAscii},
      {"=?ISO-8859-1?Q?a?=  =?ISO-8859-1?Q?b?=", kText, "a  b", kAscii},
      {"=?ISO-8859-1?Q?a?=\t=?ISO-8859-1?Q?b?=", kText, "a\tb", kAscii},
      {"=?ISO-8859-1?Q?a?= =x", kText, "a=x", kAscii},
      {"=?UTF-8?Q?=C3=A9?= =?ISO-8859-1?Q?=E9?=", kText, "\xC3\xA9\xE9", kLatin1},
      {"Hello =?ISO-8859-1?Q?caf=E9", kText, "Hello caf\xE9", kLatin1},
      {"=?0?Qa?", kText, "a", kAscii},
      {"=?0?" "?=", kText, "=?0?" "?=", kAscii},
      {"=??Q?abc?=", kText, "=??Q?abc?=", kAscii},
      {"Gr\xC3\xBC\xC3\x9F" "e", kText, "Gr\xC3\xBC\xC3\x9F" "e", kUTF8},
      {"=?x-bogus?Q?caf=E9?=", kText, "=?x-bogus?Q?caf=E9?=", kAscii},
      {"  \"=?ISO-8859-1?Q?Andr=E9?=\"", kName, "Andr\xE9", kLatin1},
      {"\"=?ISO-8859-1?Q?Andr=E9?=\" ", kName, "\"Andr\xE9\" ", kLatin1},
      {"\"'=?ISO-8859-1?Q?Andr=E9?='\"", kName, "Andr\xE9", kLatin1},
      {"'John Smith'", kName, "John Smith", kAscii},
      {"\"''\"", kName, "''", kAscii},
      {"iso-8859-1''caf\xE9.txt", kExtended, "caf\xE9.txt", kLatin1},
      {"utf-8'de'x.txt", kExtended, "utf-8'de'x.txt", kAscii},
      {"x-bogus''caf\xE9", kExtended, "x-bogus''caf\xE9", kWindows1252},
      {"a''b", kExtended, "a''b", kAscii},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TaggedOf(Decode(c.input, c.reading)), Tagged(c.bytes, c.encoding)) << c.input;
  }
  for (const auto& [empty, reading] : {std::pair{"", kText}, {"  ", kName}, {"", kExtended}}) {
    EXPECT_TRUE(Decode(empty, reading).isNil()) << reading;
  }
  expectNoException();
}

// Through the host, as Xojo code calls it: the argument is read as UTF-8
// first, whatever it was tagged. An unknown charset is reported by the lookup,
// then the word decoder, and host code sees the first; "binary" is known to
// the lookup, so only the word complains.
using EncodedWordsHostTest = PluginTest;

TEST_F(EncodedWordsHostTest, DecodeInlineReadsItsArgumentAndRaisesForUnknownCharsets) {
  auto decodeInline = [this](const emu::Str& text) {
    return host().callShared(kEmailClass, kDecodeInline, {text}).str();
  };
  emu::Str text = host().string("caf\xE9 =?ISO-8859-1?Q?=E9?=", kWindows1252);
  EXPECT_EQ(TaggedOf(decodeInline(text)), Tagged("caf\xC3\xA9 \xE9", kLatin1));
  expectNoException();

  host().setShared(kEmailClass, "RaiseUnknownFormatExceptions", true);
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"=?x-bogus?Q?caf=E9?=", {"Unhandled charset: x-bogus", "Unhandled encoding: x-bogus"}},
      {"=?binary?Q?caf=E9?=", {"Unhandled encoding: binary"}},
  };
  for (const auto& [word, messages] : cases) {
    EXPECT_EQ(decodeInline(host().string(word)).bytes(), word);
    std::vector<std::string> raised;
    for (const emu::RaisedException& each : host().raisedDuringLastCall()) {
      raised.push_back(each.message);
    }
    EXPECT_EQ(raised, messages);
    expectException("UnsupportedFormatException", messages[0]);
  }
}

}  // namespace
