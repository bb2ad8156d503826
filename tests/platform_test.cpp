// The C-runtime and system services behind platform.h, as the loader, the
// buffers, the date code and the protocol-word comparisons rely on them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include "plugin_test.h"
#include "runtime/platform.h"

// Sizes are told, and missing files refused, by the loading and mbox tests
// (files from 0 bytes to past 4 GiB, each opened through this function).
TEST(PlatformFiles, OpensUTF16Paths) {
  TempDirectory directory;
  // Two-byte, three-byte and surrogate-pair characters in one name: a path
  // that went through any narrow code page would lose them.
  const std::u16string path =
      directory.write(std::filesystem::path(u"Gr\u00FC\u00DFe-\u20AC-\U0001F600.eml"), "a")
          .u16string();
  FILE* stream = platform::OpenFileUTF16(reinterpret_cast<const uint16_t*>(path.c_str()));
  ASSERT_NE(stream, nullptr);
  std::fclose(stream);
  EXPECT_EQ(platform::OpenFileUTF16(nullptr), nullptr);
}

TEST(PlatformCompare, IgnoresAsciiCaseOnlyAndOrdersLikeLowerCase) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"", "", 0}, {"abc", "abd", -1}, {"ABD", "abc", 1}, {"abc", "ab", 1},
      // Letters compare as lower case, so '_' (0x5F) sorts before 'A'.
      {"_", "A", -1},
      // Bytes above 0x7F are no letters in the C locale, and are unsigned.
      {"\xC4", "\xE4", -1}, {"a", "\xE4", -1}, {"date", "dat\xC9", -1},
  };
  for (const Case& c : cases) {
    const int result = platform::CompareIgnoringCase(c.a, c.b);
#ifdef _WIN32
    // Wine's _stricmp orders bytes above 0x7F as signed chars where Windows'
    // own orders them unsigned; equality is all the protocol words need.
    const std::string both = std::string(c.a) + c.b;
    if (std::any_of(both.begin(), both.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) > 0x7F; })) {
      EXPECT_EQ(result != 0, c.sign != 0) << c.a << " vs " << c.b;
      continue;
    }
#endif
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
  }
}

// Zones far from UTC are on another calendar day for most of the day, which
// an hour-only difference would get wrong. The Windows C runtime reads only
// its own TZ notation, "tzn[+|-]hh[:mm]" (hours west of Greenwich).
TEST(PlatformTime, LocalOffsetIsTheZoneOffsetAtAnyHour) {
  const std::pair<const char*, int64_t> cases[] = {
#ifdef _WIN32
      {"IST-5:30", 19800}, {"LIN-14", 50400}, {"BIT12", -43200}, {"NPT-5:45", 20700},
#else
      {"<+0530>-5:30", 19800}, {"<+14>-14", 50400}, {"<-12>12", -43200}, {"<+0545>-5:45", 20700},
#endif
  };
  for (const auto& [zone, offset] : cases) {
    ScopedTimeZone scoped(zone);
    EXPECT_EQ(platform::LocalOffsetSeconds(), offset) << zone;
  }
}

#ifdef _WIN32
TEST(PlatformBuffers, AreFixedZeroFilledGlobalHeapBlocksOnWindows) {
  for (const uint64_t size : {uint64_t{1}, uint64_t{4096}, uint64_t{1} << 20}) {
    void* block = platform::HeapAllocZeroed(size);
    ASSERT_NE(block, nullptr) << size;
    // Only a global-heap block has a size and a handle there; a fixed
    // block's handle is its address.
    EXPECT_GE(GlobalSize(block), size);
    EXPECT_EQ(GlobalHandle(block), block);
    const auto* bytes = static_cast<const unsigned char*>(block);
    EXPECT_EQ(std::count(bytes, bytes + size, 0), static_cast<std::ptrdiff_t>(size)) << size;
    platform::HeapFree(block);
  }
  platform::HeapFree(nullptr);
}
#endif
