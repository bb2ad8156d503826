// The parts of the host emulator that differ on Windows: text in the code
// pages beyond its own tables (iconv on Linux, the system's code-page
// functions on Windows, which must agree), and loading private copies of the
// plugin DLL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Host numbers of the encodings tried below.
constexpr uint32_t kMacCyrillic = 0x0007;
constexpr uint32_t kUTF7 = 0x04000100;
constexpr uint32_t kLatin2 = 0x0202;
constexpr uint32_t kGreek = 0x0207;
constexpr uint32_t kLatin9 = 0x020F;
constexpr uint32_t kDosLatinUS = 0x0400;
constexpr uint32_t kWindowsCyrillic = 0x0502;
constexpr uint32_t kGBK = 0x0631;
constexpr uint32_t kEUCJP = 0x0920;
constexpr uint32_t kShiftJIS = 0x0A01;
constexpr uint32_t kKOI8R = 0x0A02;
constexpr uint32_t kBig5 = 0x0A03;

// Each code page reads and writes as on Linux. Text it cannot hold fails
// instead of coming out as '?' or a look-alike, and so do bytes that are no
// text in it.
TEST(WindowsEmulatorConversion, CodePagesConvertAsOnLinuxAndFailWhatTheyCannotHold) {
  struct Case {
    uint32_t encoding;
    std::string bytes;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {kKOI8R, "\xF0\xD2\xC9\xD7\xC5\xD4", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {kWindowsCyrillic, "\xCF\xF0\xE8\xE2\xE5\xF2",
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {kMacCyrillic, "\x80\x9F", "\xD0\x90\xD0\xAF"},
      {kLatin2, "\xB1\xE6\xEA", "\xC4\x85\xC4\x87\xC4\x99"},
      {kGreek, "\xE1\xE2\xE3", "\xCE\xB1\xCE\xB2\xCE\xB3"},
      {kLatin9, "\xA4 5", "\xE2\x82\xAC 5"},
      {kDosLatinUS, "\x81\x9B", "\xC3\xBC\xC2\xA2"},
      {kShiftJIS, "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {kEUCJP, "\xC6\xFC\xCB\xDC", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {kGBK, "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
      {kBig5, "\xA4\xA4\xA4\xE5", "\xE4\xB8\xAD\xE6\x96\x87"},
      {kUTF7, "Hi +ZeVnLA-", "Hi \xE6\x97\xA5\xE6\x9C\xAC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    bool ok = false;
    EXPECT_EQ(emu::Host::convert(c.bytes, c.encoding, kREALTextEncodingUTF8, &ok), c.utf8);
    EXPECT_TRUE(ok);
    ok = false;
    EXPECT_EQ(emu::Host::convert(c.utf8, kREALTextEncodingUTF8, c.encoding, &ok), c.bytes);
    EXPECT_TRUE(ok);
  }

  struct Failing {
    std::string bytes;
    uint32_t from, to;
  };
  const Failing failing[] = {
      {"\xE2\x82\xAC", kREALTextEncodingUTF8, kKOI8R},        // no euro sign
      {"\xC4\x85", kREALTextEncodingUTF8, kWindowsCyrillic},  // no Polish letters
      {"\xC3\xA9", kREALTextEncodingUTF8, kShiftJIS},         // best fit would give 'e'
      {"\xF0\x9F\x98\x80", kREALTextEncodingUTF8, kGBK},      // outside GBK
      {"\x93", kShiftJIS, kREALTextEncodingUTF8},             // lead byte alone
      {"\xA4", kBig5, kREALTextEncodingUTF8},                 // lead byte alone
  };
  for (const Failing& c : failing) {
    bool ok = true;
    EXPECT_EQ(emu::Host::convert(c.bytes, c.from, c.to, &ok), "") << c.from << " to " << c.to;
    EXPECT_FALSE(ok);
  }
}

#ifdef _WIN32

// Copies of the plugin this process made in the temporary directory.
size_t PluginCopies() {
  wchar_t directory[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, directory);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(directory) + L"zqv*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  do ++count;
  while (FindNextFileW(search, &found));
  FindClose(search);
  return count;
}

// Two hosts alive at once each load a copy of their own, which goes with its
// host. That the copies share no state is checked on every platform.
TEST(WindowsEmulatorLoader, EachHostLoadsAPrivateCopyThatGoesWithIt) {
  const size_t copiesBefore = PluginCopies();
  {
    emu::Host first;
    first.loadPlugin();
    {
      emu::Host second;
      second.loadPlugin();
      EXPECT_EQ(PluginCopies(), copiesBefore + 2);
    }
    EXPECT_EQ(PluginCopies(), copiesBefore + 1);
    EXPECT_EQ(first.leakReport(), "");
  }
  EXPECT_EQ(PluginCopies(), copiesBefore);
}

#endif  // _WIN32

}  // namespace
