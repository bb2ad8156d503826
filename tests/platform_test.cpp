// The C-runtime services behind platform.h, as the loader, the date code and
// the protocol-word comparisons rely on them.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "runtime/platform.h"

TEST(PlatformFiles, OpensUTF16PathsAndTellsTheirSize) {
  char directory[] = "/tmp/zqv-platform-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const std::string utf8Dir = directory;
  const std::u16string utf16Dir(utf8Dir.begin(), utf8Dir.end());
  struct Case {
    std::string utf8Name;
    std::u16string utf16Name;
    size_t size;
  };
  // Two-byte, three-byte and surrogate-pair characters in one name.
  const Case cases[] = {{"empty.eml", u"empty.eml", 0},
                        {"Gr\xC3\xBC\xC3\x9F" "e-\xE2\x82\xAC-\xF0\x9F\x98\x80.eml",
                         u"Grüße-€-😀.eml", 70000}};
  for (const Case& c : cases) {
    const std::string path = utf8Dir + "/" + c.utf8Name;
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(std::string(c.size, 'a').data(), 1, c.size, file);
    std::fclose(file);

    const std::u16string utf16Path = utf16Dir + u"/" + c.utf16Name;
    FILE* stream = platform::OpenFileUTF16(reinterpret_cast<const uint16_t*>(utf16Path.c_str()));
    EXPECT_NE(stream, nullptr) << c.utf8Name;
    if (stream != nullptr) {
      EXPECT_EQ(platform::TellFile(stream), static_cast<int64_t>(c.size)) << c.utf8Name;
      EXPECT_EQ(std::fgetc(stream), EOF) << "position left at the end";
      std::fclose(stream);
    }
    std::remove(path.c_str());
  }
  const std::u16string missing = utf16Dir + u"/missing.eml";
  EXPECT_EQ(platform::OpenFileUTF16(reinterpret_cast<const uint16_t*>(missing.c_str())), nullptr);
  rmdir(directory);
}

TEST(PlatformCompare, IgnoresAsciiCaseOnlyAndOrdersLikeLowerCase) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"Content-Transfer-Encoding", "content-transfer-ENCODING", 0}, {"", "", 0},
      {"abc", "abd", -1}, {"ABD", "abc", 1}, {"abc", "ab", 1},
      // Letters compare as lower case, so '_' (0x5F) sorts before 'A'.
      {"_", "A", -1},
      // Bytes above 0x7F are no letters in the C locale, and are unsigned.
      {"\xC4", "\xE4", -1}, {"a", "\xE4", -1},
  };
  for (const Case& c : cases) {
    const int result = platform::CompareIgnoringCase(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
  }
}

TEST(PlatformTime, LocalOffsetIsTheZoneOffsetAtAnyHour) {
  const char* oldZone = std::getenv("TZ");
  const std::string savedZone = oldZone != nullptr ? oldZone : "";
  // Zones far from UTC are on another calendar day for most of the day,
  // which an hour-only difference would get wrong.
  const std::pair<const char*, int64_t> cases[] = {
      {"UTC0", 0},         {"EST5", -18000},      {"<+0530>-5:30", 19800},
      {"<+14>-14", 50400}, {"<-12>12", -43200},
  };
  for (const auto& [zone, offset] : cases) {
    setenv("TZ", zone, 1);
    tzset();
    EXPECT_EQ(platform::LocalOffsetSeconds(), offset) << zone;
  }
  if (oldZone != nullptr) {
    setenv("TZ", savedZone.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
