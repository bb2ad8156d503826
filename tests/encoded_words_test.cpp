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

emu::Str Decode(std::string_view text, bool unquote) {
  return emu::Str::adopt(DecodeEncodedWords(text, unquote).release());
}
emu::Str DecodeExtended(std::string_view value) {
  return emu::Str::adopt(DecodeExtendedValue(value).release());
}

using EncodedWordsTest = InProcessTest;

TEST_F(EncodedWordsTest, DecodesHeaderTexts) {
  const struct {
    std::string input;
    bool unquote;
    std::string bytes;
    uint32_t encoding;
  } cases[] = {
      {"=?ISO-8859-1?Q?caf=E9?=", false, "caf\xE9", kLatin1},
      {"=?utf-8?b?w6k?=", false, "\xC3\xA9", kUTF8},
      {"=?UTF-8?q?=C3=a9?=", false, "\xC3\xA9", kUTF8},
      {"=?iso-8859-1?Q?a_b=5Fc=3f=G1?=", false, "a b_c?\x01", kAscii},
      {"=?ISO-8859-1?Q?x=A?=", false, "x\xA0", kLatin1},
      {"=?ISO-8859-1?Q?ab=00cd?=", false, "ab", kAscii},
      {"=?windows-1252?Q?=80?=", false, "\x80", kWindows1252},
      {"=?Shift_JIS?B?grGC8YLJgr+CzQ==?=", false, "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD", kShiftJIS},
      {"=?ISO-8859-1?X?abc?=", false, "abc", kAscii},
      {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=", false, "ab", kAscii},
      {"=?ISO-8859-1?Q?a?=  =?ISO-8859-1?Q?b?=", false, "a  b", kAscii},
      {"=?ISO-8859-1?Q?a?=\t=?ISO-8859-1?Q?b?=", false, "a\tb", kAscii},
      {"=?ISO-8859-1?Q?a?= =x", false, "a=x", kAscii},
      {"=?UTF-8?Q?=C3=A9?= =?ISO-8859-1?Q?=E9?=", false, "\xC3\xA9\xE9", kLatin1},
      {"Hello =?ISO-8859-1?Q?caf=E9", false, "Hello caf\xE9", kLatin1},
      {"=?0?Qa?", false, "a", kAscii},
      {"=?0?" "?=", false, "=?0?" "?=", kAscii},
      {"=??Q?abc?=", false, "=??Q?abc?=", kAscii},
      {"Gr\xC3\xBC\xC3\x9F" "e", false, "Gr\xC3\xBC\xC3\x9F" "e", kUTF8},
      {"Caf\xE9 au lait", false, "Caf\xE9 au lait", kWindows1252},
      {"=?x-bogus?Q?caf=E9?=", false, "=?x-bogus?Q?caf=E9?=", kAscii},
      {"\"=?ISO-8859-1?Q?Andr=E9?=\"", false, "\"Andr\xE9\"", kLatin1},
      {"  \"=?ISO-8859-1?Q?Andr=E9?=\"", true, "Andr\xE9", kLatin1},
      {"\"=?ISO-8859-1?Q?Andr=E9?=\" ", true, "\"Andr\xE9\" ", kLatin1},
      {"\"'=?ISO-8859-1?Q?Andr=E9?='\"", true, "Andr\xE9", kLatin1},
      {"'John Smith'", true, "John Smith", kAscii},
      {"\"''\"", true, "''", kAscii},
  };
  for (const auto& c : cases) {
    emu::Str result = Decode(c.input, c.unquote);
    EXPECT_EQ(TaggedOf(result), Tagged(c.bytes, c.encoding)) << c.input;
  }
  EXPECT_TRUE(Decode("", false).isNil());
  EXPECT_TRUE(Decode("  ", true).isNil());
  expectNoException();
}

TEST_F(EncodedWordsTest, ExtendedValues) {
  const struct {
    std::string value;
    std::string bytes;
    uint32_t encoding;
  } cases[] = {
      {"iso-8859-1''caf\xE9.txt", "caf\xE9.txt", kLatin1},
      {"utf-8'de'x.txt", "utf-8'de'x.txt", kAscii},
      {"x-bogus''caf\xE9", "x-bogus''caf\xE9", kWindows1252},
      {"a''b", "a''b", kAscii},
  };
  for (const auto& c : cases) {
    emu::Str result = DecodeExtended(c.value);
    EXPECT_EQ(TaggedOf(result), Tagged(c.bytes, c.encoding)) << c.value;
  }
  EXPECT_TRUE(DecodeExtended("").isNil());
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
  EXPECT_TRUE(decodeInline(emu::Str()).isNil());
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
