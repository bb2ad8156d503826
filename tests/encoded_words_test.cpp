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
      {"Re: =?ISO-8859-1?Q?caf=E9?=", false, "Re: caf\xE9", kLatin1},
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
      {"utf-8''Gr%C3%BC.txt", "Gr%C3%BC.txt", kUTF8},
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

TEST_F(EncodedWordsTest, UnknownCharsetRaisesWhenAsked) {
  FormatExceptionsOn switchOn;
  // "binary" is known to the charset table, so only the word complains.
  EXPECT_EQ(Decode("=?binary?Q?caf=E9?=", false).bytes(), "=?binary?Q?caf=E9?=");
  expectException("UnsupportedFormatException", "Unhandled encoding: binary");
  EXPECT_EQ(DecodeExtended("x-bogus''a.txt").bytes(), "x-bogus''a.txt");
  expectException("UnsupportedFormatException", "Unhandled charset: x-bogus");
}

// Through the host, as Xojo code calls it.
using EncodedWordsHostTest = PluginTest;

TEST_F(EncodedWordsHostTest, DecodeInlineAndSubject) {
  auto decodeInline = [this](const emu::Str& text) {
    return host().callShared("MimeEmailZQV", kDecodeInline, {text}).str();
  };
  const struct {
    std::string text;
    uint32_t textEncoding;
    std::string bytes;
    uint32_t encoding;
  } cases[] = {
      {"Re: =?UTF-8?B?w6k=?=", kUTF8, "Re: \xC3\xA9", kUTF8},
      {"Gr\xC3\xBC\xC3\x9F" "e", kUTF8, "Gr\xC3\xBC\xC3\x9F" "e", kUTF8},
      {"Gr\xC3\xBC\xC3\x9F" "e\x01", kUTF8, "Gr\xC3\xBC\xC3\x9F" "e\x01", kWindows1252},
      // The argument is read as UTF-8 first, whatever it was tagged.
      {"caf\xE9 =?ISO-8859-1?Q?=E9?=", kWindows1252, "caf\xC3\xA9 \xE9", kLatin1},
  };
  for (const auto& c : cases) {
    emu::Str result = decodeInline(host().string(c.text, c.textEncoding));
    EXPECT_EQ(TaggedOf(result), Tagged(c.bytes, c.encoding)) << c.text;
  }
  EXPECT_TRUE(decodeInline(emu::Str()).isNil());
  expectNoException();

  emu::Obj email = parseEmail("Subject: =?ISO-8859-1?Q?caf=E9?=\r\n\r\nbody\r\n");
  EXPECT_EQ(host().get(email, "Subject").str().utf8(), "caf\xC3\xA9");
  EXPECT_TRUE(host().get(parseEmail("From: a@b.c\r\n\r\nbody\r\n"), "Subject").str().isNil());
}

// An unknown charset is reported by the lookup, then the word decoder; host
// code sees the first.
TEST_F(EncodedWordsHostTest, UnknownCharsetRaisesBothMessagesInOrder) {
  host().setShared("MimeEmailZQV", "RaiseUnknownFormatExceptions", true);
  emu::Str result =
      host().callShared(kEmailClass, kDecodeInline, {host().string("=?x-bogus?Q?caf=E9?=")}).str();
  EXPECT_EQ(result.bytes(), "=?x-bogus?Q?caf=E9?=");
  const std::vector<emu::RaisedException>& raised = host().raisedDuringLastCall();
  ASSERT_EQ(raised.size(), 2u);
  EXPECT_EQ(raised[0].message, "Unhandled charset: x-bogus");
  EXPECT_EQ(raised[1].message, "Unhandled encoding: x-bogus");
  expectException("UnsupportedFormatException", "Unhandled charset: x-bogus");
}

}  // namespace
