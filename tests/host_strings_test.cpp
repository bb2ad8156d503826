#include "runtime/host_string.h"
#include "runtime/host_array.h"
#include "runtime/unicode.h"

#include <string>
#include <vector>

#include "plugin_test.h"

namespace {

emu::Str Adopt(HostString built) { return emu::Str::adopt(built.release()); }

std::string Bytes32(const std::vector<uint32_t>& units) {
  return std::string(reinterpret_cast<const char*>(units.data()), units.size() * 4);
}

// Before 2012.0 strings are built untagged and then tagged, before 2013.0 we
// convert UTF-32 ourselves; every result must look the same.
class HostStringsByVersion : public InProcessTest, public testing::WithParamInterface<double> {
 protected:
  emu::Host::Options hostOptions() override {
    emu::Host::Options options;
    options.version = GetParam();
    return options;
  }
};

TEST_P(HostStringsByVersion, TagsTextWithTheEncodingItNeeds) {
  const struct {
    std::string bytes;
    HostEncoding given, expected;
  } cases[] = {
      {"abc", kREALTextEncodingWindowsLatin1, kREALTextEncodingASCII},
      {"abc", kREALTextEncodingMacRoman, kREALTextEncodingASCII},
      {"a\x7F", kREALTextEncodingISOLatin1, kREALTextEncodingASCII},
      {"abc", kREALTextEncodingUnknown, kREALTextEncodingASCII},
      {"abc", kREALTextEncodingUTF8, kREALTextEncodingUTF8},
      {"caf\xE9", kREALTextEncodingWindowsLatin1, kREALTextEncodingWindowsLatin1},
      {"\x80", kREALTextEncodingMacRoman, kREALTextEncodingMacRoman},
      {"\xE9", kREALTextEncodingUnknown, kREALTextEncodingUnknown},
      {"abc", 0x0202, 0x0202},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.given << " " << c.bytes);
    emu::Str built = Adopt(BuildHostString(c.bytes.data(), int64_t(c.bytes.size()), c.given));
    EXPECT_EQ(TaggedOf(built), Tagged(c.bytes, c.expected));
  }
}

TEST_P(HostStringsByVersion, WideTextReachesTheHostAsUTF8) {
  const std::u16string utf16 = u"G\u00FC\U0001F600";
  emu::Str fromUTF16 = Adopt(BuildHostString(utf16.data(), 8, kREALTextEncodingUTF16));
  EXPECT_EQ(fromUTF16.encoding(), kREALTextEncodingUTF8);
  EXPECT_EQ(fromUTF16.bytes(), "G\xC3\xBC\xF0\x9F\x98\x80");

  // Long enough that the UTF-16 copy of older hosts cannot live on the stack.
  std::vector<uint32_t> codePoints(300, 'x');
  codePoints.push_back(0x1F600);
  const std::string utf32 = Bytes32(codePoints);
  emu::Str fromUTF32 =
      Adopt(BuildHostString(utf32.data(), int64_t(utf32.size()), kREALTextEncodingUTF32));
  EXPECT_EQ(fromUTF32.encoding(), kREALTextEncodingUTF8);
  EXPECT_EQ(fromUTF32.bytes(), std::string(300, 'x') + "\xF0\x9F\x98\x80");

  // Wide text with nothing left to show is an empty text: nil on every host.
  for (const std::string& nothingLeft : {Bytes32({0xD800, 0xDFFF}), std::string("\x41\x00\x00", 3)}) {
    EXPECT_FALSE(BuildHostString(nothingLeft.data(), int64_t(nothingLeft.size()),
                                 kREALTextEncodingUTF32));
  }
  EXPECT_FALSE(BuildHostStringFromUTF16(utf16.data(), 0));

  // Older hosts get UTF-32 converted by us, keeping whole valid code points.
  if (GetParam() >= 2013) return;
  const std::pair<std::string, std::string> cases[] = {
      {Bytes32({0x1F600, 0x10FFFF}), "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
      {Bytes32({0x110000, 0x41}), "\xEF\xBF\xBD" "A"},
      {Bytes32({0x41, 0xD800, 0x42, 0xDFFF}), "AB"},
      {Bytes32({0x41}) + "\x42\x00\x00", "A"},  // a partial code point is ignored
  };
  for (const auto& [wide, expected] : cases) {
    emu::Str built =
        Adopt(BuildHostString(wide.data(), int64_t(wide.size()), kREALTextEncodingUTF32));
    EXPECT_EQ(TaggedOf(built), Tagged(expected, kREALTextEncodingUTF8));
  }
}

INSTANTIATE_TEST_SUITE_P(HostStrings, HostStringsByVersion,
                         testing::Values(2024.03, 2012.5, 2011.5));

using HostStringsTest = InProcessTest;

TEST_F(HostStringsTest, NothingToBuildGivesNilAndNoArrayHasNoElements) {
  const char text[] = "abc";
  EXPECT_FALSE(BuildHostString(nullptr, 3, kREALTextEncodingUTF8));
  EXPECT_FALSE(BuildHostString(text, 0, kREALTextEncodingUTF8));
  EXPECT_FALSE(BuildHostString(text, -1, kREALTextEncodingUTF16));
  EXPECT_FALSE(BuildHostString(text, int64_t{0x80000000}, kREALTextEncodingUTF8));
  EXPECT_FALSE(BuildHostStringAuto(static_cast<const char*>(nullptr)));
  EXPECT_FALSE(BuildHostStringAuto(std::string_view("\0abc", 4)));
  // Values taken from mimetic end at their first NUL, as C text would.
  emu::Str cut = Adopt(BuildHostStringAuto(std::string_view("ab\0\xE9", 4)));
  EXPECT_EQ(TaggedOf(cut), Tagged("ab", kREALTextEncodingASCII));
  EXPECT_FALSE(CTextToHostString("", kREALTextEncodingUTF8));

  EXPECT_EQ(ObjectArrayUBound(nullptr), -1);
  emu::Obj array = emu::Obj::adopt(CreateObjectArray().release());
  EXPECT_EQ(ObjectArrayUBound(array.get()), -1);
}

TEST(HostStringsUTF8, AcceptsOnlyWellFormedTextWithoutControls) {
  const std::string wellFormed[] = {
      "", "tab\there\r\n", "\xC3\xA9", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEF\xBF\xBF",
      "\xF0\x90\x80\x80", "\xF3\xBF\xBF\xBF", "\xF4\x8F\xBF\xBF", "a\xC3\xA9z\xF0\x9F\x98\x80"};
  const std::string notWellFormed[] = {
      "a\x01", "\x0C", "\x7F", std::string(1, '\0'), "\x80", "\xC3\x41",
      "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",  // overlong
      "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",     // surrogate, beyond U+10FFFF
      "\xC3", "\xE2\x82", "\xF0\x9F\x98"};                           // cut off by the end
  for (const std::string& bytes : wellFormed) {
    EXPECT_TRUE(IsWellFormedUTF8(bytes.data(), int64_t(bytes.size()))) << bytes;
  }
  for (const std::string& bytes : notWellFormed) {
    EXPECT_FALSE(IsWellFormedUTF8(bytes.data(), int64_t(bytes.size()))) << bytes;
  }
}

TEST_F(HostStringsTest, ByteViewsBorrowWhileHoldingAReference) {
  const size_t stringsBefore = host().liveStrings();
  emu::Str text = host().string(std::string("ab\0c", 4), kREALTextEncodingUTF8);
  {
    HostBytesView view = HostBytesView::OfString(text.get());
    EXPECT_EQ(view.data(), reinterpret_cast<const unsigned char*>(StringGetCString(text.get())));
    text = emu::Str();
    EXPECT_EQ(host().liveStrings(), stringsBefore + 1);
    EXPECT_EQ(view.bytes(), std::string_view("ab\0c", 4));
  }
  EXPECT_EQ(host().liveStrings(), stringsBefore);

  char storage[] = "1234";
  for (const emu::Obj& odd : {host().memoryBlockWithSize(storage, -5),
                              host().memoryBlockWithSize(nullptr, 10), emu::Obj()}) {
    EXPECT_EQ(HostBytesView::OfMemoryBlock(odd.get()).size(), 0);
  }
}

using HostStringsThroughHost = PluginTest;

// A host that had no LenB at first must be asked again, not remembered as
// lacking it.
TEST_F(HostStringsThroughHost, MissingByteLengthIsAskedForAgain) {
  const std::string message = "Subject: hi\r\n\r\nbody\r\n";
  host().refuseMethod("LenB( s as string ) as integer", true);
  emu::Obj refused = parseEmail(message);
  expectException("UnsupportedOperationException", "Can't parse empty text.");

  host().refuseMethod("LenB( s as string ) as integer", false);
  parseEmail(message);
  expectNoException();
}

}  // namespace
