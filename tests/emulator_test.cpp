// The host emulator where the plugin tests would not notice a fault:
// conversions, reference accounting, arrays, Date and loading.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plugin_test.h"
#include "record_arena.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using emu::Host;
using emu::Obj;
using emu::Str;

template <class Function>
Function HostFunction(const char* name) {
  return reinterpret_cast<Function>(Host::Resolve(name));
}

std::string Bytes(std::initializer_list<unsigned> values) {
  std::string bytes;
  for (unsigned value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

// Every emulator test ends with nothing alive and nothing released twice.
class EmulatorTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.leakReport(), ""); }
  Host host;
};

struct Conversion {
  std::string utf8;
  uint32_t encoding;
  std::string bytes;
};
struct FailingConversion {
  std::string bytes;
  uint32_t from, to;
};

// Each text converts both ways; each failing one gives "" and says so,
// instead of coming out as '?' or a look-alike.
void ExpectConversions(const std::vector<Conversion>& cases,
                       const std::vector<FailingConversion>& failing) {
  for (const Conversion& c : cases) {
    SCOPED_TRACE(c.encoding);
    bool ok = false;
    EXPECT_EQ(Host::convert(c.bytes, c.encoding, kREALTextEncodingUTF8, &ok), c.utf8);
    EXPECT_TRUE(ok);
    ok = false;
    EXPECT_EQ(Host::convert(c.utf8, kREALTextEncodingUTF8, c.encoding, &ok), c.bytes);
    EXPECT_TRUE(ok);
  }
  for (const FailingConversion& c : failing) {
    bool ok = true;
    EXPECT_EQ(Host::convert(c.bytes, c.from, c.to, &ok), "") << c.from << " to " << c.to;
    EXPECT_FALSE(ok) << c.from << " to " << c.to;
  }
}

TEST(EmulatorConversion, OwnEncodingsAndUnicodeFormsBothWaysAndWhatCannotConvert) {
  const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";  // "Grüße €"
  const std::string grinning = "\xF0\x9F\x98\x80";  // U+1F600, a surrogate pair in UTF-16
  ExpectConversions(
      {
          {text, kREALTextEncodingMacRoman, Bytes({'G', 'r', 0x9F, 0xA7, 'e', ' ', 0xDB})},
          {text, kREALTextEncodingWindowsLatin1, Bytes({'G', 'r', 0xFC, 0xDF, 'e', ' ', 0x80})},
          {text, kREALTextEncodingUTF16,
           Bytes({'G', 0, 'r', 0, 0xFC, 0, 0xDF, 0, 'e', 0, ' ', 0, 0xAC, 0x20})},
          {text, kREALTextEncodingUTF32,
           Bytes({'G', 0, 0, 0, 'r', 0, 0, 0, 0xFC, 0, 0, 0, 0xDF, 0, 0, 0,
                  'e', 0, 0, 0, ' ', 0, 0, 0, 0xAC, 0x20, 0, 0})},
          {grinning, kREALTextEncodingUTF16, Bytes({0x3D, 0xD8, 0x00, 0xDE})},
          {grinning, kREALTextEncodingUTF32, Bytes({0x00, 0xF6, 0x01, 0x00})},
          {"\xC3\xBC", kREALTextEncodingISOLatin1, "\xFC"},
          {"plain", kREALTextEncodingASCII, "plain"},
      },
      {
          {Bytes({'a', 0xC0, 0x80}), kREALTextEncodingUTF8, kREALTextEncodingUTF16},  // overlong
          // a lone surrogate
          {Bytes({0x00, 0xD8, 'a', 0}), kREALTextEncodingUTF16, kREALTextEncodingUTF8},
          {Bytes({'a', 0}), kREALTextEncodingUTF32, kREALTextEncodingUTF8},  // cut-off unit
          {"\xE2\x82\xAC", kREALTextEncodingUTF8, kREALTextEncodingISOLatin1},
          {"\xC3\xA9", kREALTextEncodingUTF8, kREALTextEncodingASCII},
          {"\xC4\x80", kREALTextEncodingUTF8, kREALTextEncodingMacRoman},
          {"abc", kREALTextEncodingUTF8, 0x0A09},  // no converter at all
      });
  // A mark of the other byte order switches the order and is dropped.
  EXPECT_EQ(Host::convert(Bytes({0xFE, 0xFF, 0x00, 'A'}), kREALTextEncodingUTF16), "A");
}

// The code pages beyond the emulator's own tables go through iconv on Linux
// and the system's code-page functions on Windows, which must agree.
TEST(EmulatorConversion, SystemCodePagesConvertAlikeEverywhere) {
  constexpr uint32_t kShiftJIS = 0x0A01, kKOI8R = 0x0A02, kBig5 = 0x0A03;
  constexpr uint32_t kWindowsCyrillic = 0x0502, kGBK = 0x0631, kUTF8 = kREALTextEncodingUTF8;
  const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
  ExpectConversions(
      {
          {privet, kKOI8R, "\xF0\xD2\xC9\xD7\xC5\xD4"},
          {privet, kWindowsCyrillic, "\xCF\xF0\xE8\xE2\xE5\xF2"},
          {"\xD0\x90\xD0\xAF", 0x0007, "\x80\x9F"},                     // Mac Cyrillic
          {"\xC4\x85\xC4\x87\xC4\x99", 0x0202, "\xB1\xE6\xEA"},          // Latin-2
          {"\xCE\xB1\xCE\xB2\xCE\xB3", 0x0207, "\xE1\xE2\xE3"},          // Greek
          {"\xE2\x82\xAC 5", 0x020F, "\xA4 5"},                        // Latin-9
          {"\xC3\xBC\xC2\xA2", 0x0400, "\x81\x9B"},                     // DOS Latin US
          {"\xE6\x97\xA5\xE6\x9C\xAC", kShiftJIS, "\x93\xFA\x96\x7B"},
          {"\xE6\x97\xA5\xE6\x9C\xAC", 0x0920, "\xC6\xFC\xCB\xDC"},     // EUC-JP
          {"\xE4\xB8\xAD\xE6\x96\x87", kGBK, "\xD6\xD0\xCE\xC4"},
          {"\xE4\xB8\xAD\xE6\x96\x87", kBig5, "\xA4\xA4\xA4\xE5"},
          {"Hi \xE6\x97\xA5\xE6\x9C\xAC", 0x04000100, "Hi +ZeVnLA-"},  // UTF-7
      },
      {
          {"\xE2\x82\xAC", kUTF8, kKOI8R},              // no euro sign
          {"\xC4\x85", kUTF8, kWindowsCyrillic},         // no Polish letters
          {"\xC3\xA9", kUTF8, kShiftJIS},                // best fit would give 'e'
          {"\xF0\x9F\x98\x80", kUTF8, kGBK},            // outside GBK
          {"\x93", kShiftJIS, kUTF8},                    // lead byte alone
          {"\xA4", kBig5, kUTF8},                        // lead byte alone
      });
}

// The host's own rules for joined and compared strings, which host code sees
// in a mailbox's Email (the header tests look up fields in another case).
TEST_F(EmulatorTest, JoinedStringsTakeAnEncodingForBothAndComparisonIgnoresCase) {
  auto join = HostFunction<hostfn::RuntimeAddString>("RuntimeAddString");
  Str latin = host.string("caf\xE9", kREALTextEncodingISOLatin1);
  Str ascii = host.string("x@", kREALTextEncodingASCII);
  EXPECT_EQ(TaggedOf(Str::adopt(join(ascii.get(), host.string("y", kREALTextEncodingASCII).get()))),
            Tagged("x@y", kREALTextEncodingASCII));
  EXPECT_EQ(TaggedOf(Str::adopt(join(ascii.get(), latin.get()))),
            Tagged("x@caf\xE9", kREALTextEncodingISOLatin1));
  EXPECT_EQ(TaggedOf(Str::adopt(join(latin.get(), host.string("\xE2\x82\xAC").get()))),
            Tagged("caf\xC3\xA9\xE2\x82\xAC", kREALTextEncodingUTF8));

  auto compare = HostFunction<hostfn::RuntimeStringCompare>("RuntimeStringCompare");
  EXPECT_EQ(compare(latin.get(), host.string("CAF\xC3\xA9").get()), 0);
  EXPECT_LT(compare(host.string("abc").get(), host.string("abd").get()), 0);
  EXPECT_GT(compare(host.string("abc").get(), nullptr), 0);
}

TEST(EmulatorReferences, LeaksAndReleasesOfDeadHandlesAreReported) {
  Host host;
  auto unlockString = HostFunction<hostfn::REALUnlockString>("REALUnlockString");
  auto unlockObject = HostFunction<hostfn::REALUnlockObject>("REALUnlockObject");
  auto lockObject = HostFunction<hostfn::REALLockObject>("REALLockObject");

  REALstring text = host.string("Subject: hello").release();
  REALobject block = host.memoryBlock("abc").release();
  lockObject(block);
  StringData data{};
  ASSERT_TRUE(HostFunction<hostfn::PluginGetStringData>("PluginGetStringData")(
      text, kREALTextEncodingUTF16, &data));
  EXPECT_EQ(host.leakReport(),
            "leaked string \"Subject: hello\" (1 reference)\n"
            "leaked object MemoryBlock (2 references)\n"
            "string data of 28 bytes never disposed\n");
  HostFunction<hostfn::PluginDisposeStringData>("PluginDisposeStringData")(&data);

  unlockString(text);
  unlockString(text);
  unlockObject(block);
  unlockObject(block);
  unlockObject(block);
  int unknown = 0;
  unlockObject(reinterpret_cast<REALobject>(&unknown));
  unlockString(reinterpret_cast<REALstring>(host.date(2020, 1, 1, 0, 0, 0).get()));
  // Long strings keep their bytes apart from the record; dead, they still
  // name themselves by their first bytes.
  REALstring longText = host.string("From: a long line " + std::string(600, 'x')).release();
  unlockString(longText);
  unlockString(longText);
  EXPECT_EQ(host.liveStrings() + host.liveObjects(), 0u);
  const std::string report = host.leakReport();
  for (const char* line :
       {"REALUnlockString: string \"From: a long line xxxxxx...\" is already dead",
        "REALUnlockString: string \"Subject: hello\" is already dead",
        "REALUnlockObject: object MemoryBlock is already dead",
        "REALUnlockObject: unknown object handle",
        "REALUnlockString: given an object where a string belongs"}) {
    EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
  }
}

// Every lock and unlock asks the arena what a handle is: it must answer exactly
// for slot starts in any state, slot insides, addresses beside its slabs, and
// slots given back and handed out again.
TEST(EmulatorReferences, RecordArenaNamesEveryHandleExactly) {
  using emu::RecordKind;
  using emu::RecordState;
  emu::RecordArena arena;
  std::map<char*, std::pair<RecordState, RecordKind>> expected;
  std::vector<char*> handedOut;
  std::set<char*> givenBack;
  uint32_t random = 12345;
  auto next = [&] { return random = random * 1103515245u + 12345u; };
  // Sizes across the pools, one beyond the largest pooled slot.
  const size_t sizes[] = {8, 32, 69, 556, 4096, 5000};
  for (int round = 0; round < 30000; ++round) {
    const uint32_t choice = (next() >> 8) % 8;
    if (choice < 4 || handedOut.empty()) {
      const RecordKind kind = next() % 2 ? RecordKind::kString : RecordKind::kObject;
      const size_t size = sizes[(next() >> 8) % std::size(sizes)];
      auto* record = static_cast<char*>(arena.allocate(size, kind));
      ASSERT_EQ(reinterpret_cast<uintptr_t>(record) % 16, 0u);
      ASSERT_EQ(expected.count(record), 0u) << "a slot handed out twice";
      // The whole size is ours to write, and the slot's start names it: an
      // overlapping slot would overwrite one or the other.
      std::memset(record, 0xA5, size);
      std::memcpy(record, &record, sizeof record);
      expected[record] = {RecordState::kMade, kind};
      handedOut.push_back(record);
      givenBack.erase(record);
      continue;
    }
    const size_t index = (next() >> 8) % handedOut.size();
    char* record = handedOut[index];
    if (choice == 7) {
      arena.release(record);
      expected.erase(record);
      givenBack.insert(record);
      handedOut[index] = handedOut.back();
      handedOut.pop_back();
    } else {
      const RecordState state = choice == 6 ? RecordState::kDead : RecordState::kLive;
      arena.setState(record, state);
      expected[record].first = state;
    }
  }
  size_t live[2] = {0, 0};
  for (const auto& [record, stateAndKind] : expected) {
    const emu::RecordArena::Found found = arena.find(record);
    EXPECT_EQ(found.state, stateAndKind.first);
    EXPECT_EQ(found.kind, stateAndKind.second);
    EXPECT_EQ(arena.isLive(record, stateAndKind.second), stateAndKind.first == RecordState::kLive);
    if (stateAndKind.first == RecordState::kLive) ++live[static_cast<size_t>(stateAndKind.second)];
    EXPECT_EQ(arena.find(record + 8).state, RecordState::kFree) << "inside a slot";
    char* written = nullptr;
    std::memcpy(&written, record, sizeof written);
    EXPECT_EQ(written, record) << "slots overlap";
  }
  for (char* record : givenBack) EXPECT_EQ(arena.find(record).state, RecordState::kFree);
  EXPECT_EQ(arena.liveCount(RecordKind::kString), live[0]);
  EXPECT_EQ(arena.liveCount(RecordKind::kObject), live[1]);
  size_t visited = 0;
  arena.forEach(RecordKind::kObject, RecordState::kLive, [&](void* record) {
    ++visited;
    EXPECT_EQ(expected.at(static_cast<char*>(record)).first, RecordState::kLive);
  });
  EXPECT_EQ(visited, live[1]);
  EXPECT_EQ(arena.find(nullptr).state, RecordState::kFree);
}

// The plugin only appends, and its own reads check the index first.
TEST(EmulatorArrays, InsertShiftsTheElementsAndAReadOutsideIsReported) {
  Host host;
  Obj array = Obj::adopt(HostFunction<hostfn::RuntimeArrayCreateSingleDimBoundedArray>(
      "RuntimeArrayCreateSingleDimBoundedArray")(4, -1));
  hostfn::ObjectArrayInsertProc insert =
      HostFunction<hostfn::PluginObjectArrayInsertProc>("PluginObjectArrayInsertProc")(array.get());
  ASSERT_NE(insert, nullptr);
  insert(array.get(), 0, host.memoryBlock("2").get());
  insert(array.get(), 0, host.memoryBlock("1").get());
  EXPECT_EQ(host.memoryBlockBytes(host.element(array, 0)), "1");
  EXPECT_EQ(host.memoryBlockBytes(host.element(array, 1)), "2");
  auto read = HostFunction<hostfn::RuntimeDirectReadObjectArray>("RuntimeDirectReadObjectArray");
  EXPECT_EQ(read(array.get(), 5), nullptr);
  array = Obj();
  EXPECT_EQ(host.leakReport(),
            "RuntimeDirectReadObjectArray: index 5 of an array with upper bound 1\n");
}

TEST_F(EmulatorTest, DatePartsFollowTotalSeconds) {
  auto setDouble = HostFunction<hostfn::REALSetPropValueDouble>("REALSetPropValueDouble");
  auto setInteger = HostFunction<hostfn::REALSetPropValueInteger>("REALSetPropValueInteger");
  Obj date = host.date(2024, 12, 3, 10, 0, 0, 1.0);
  double seconds = 0;
  ASSERT_TRUE(HostFunction<hostfn::REALGetPropValueDouble>("REALGetPropValueDouble")(
      date.get(), "TotalSeconds", &seconds));
  EXPECT_EQ(seconds, 3816064800.0);

  auto parts = [&](const Obj& d) {
    std::vector<int64_t> shown;
    for (const char* name : {"Year", "Month", "Day", "Hour", "Minute", "Second"}) {
      shown.push_back(host.integerProperty(d, name));
    }
    return shown;
  };
  ASSERT_TRUE(setDouble(date.get(), "TotalSeconds", seconds + 28 * 86400 + 14 * 3600 - 1));
  EXPECT_EQ(parts(date), (std::vector<int64_t>{2024, 12, 31, 23, 59, 59}));
  // Parts out of range carry over, which is why a date set part by part
  // starts with a small day.
  ASSERT_TRUE(setInteger(date.get(), "Month", 2));
  EXPECT_EQ(parts(date), (std::vector<int64_t>{2024, 3, 2, 23, 59, 59}));
  ASSERT_TRUE(setInteger(date.get(), "Month", 14));
  ASSERT_TRUE(setInteger(date.get(), "Day", 0));
  EXPECT_EQ(parts(date), (std::vector<int64_t>{2025, 1, 31, 23, 59, 59}));
}

// The plugin copies this process made as files, which only Windows needs.
#ifdef _WIN32
constexpr size_t kFilesPerCopy = 1;
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
#else
constexpr size_t kFilesPerCopy = 0;
size_t PluginCopies() { return 0; }
#endif

// Each host loads its own copy of the library: a switch set under one is at
// its start value under the next, and each copy goes with its host.
TEST(EmulatorLoading, EachHostStartsThePluginAfreshAndNoOtherLibrary) {
  const char* kSwitch = "RaiseUnknownFormatExceptions";
  const size_t copiesBefore = PluginCopies();
  {
    Host first;
    EXPECT_THROW(first.loadPlugin("/nonexistent/libzqvmime.so"), std::runtime_error);
    EXPECT_EQ(Host::Resolve("NoSuchFunction"), nullptr);
    first.loadPlugin();
    first.setShared("MimeEmailZQV", kSwitch, true);
    {
      Host second;
      second.loadPlugin();
      EXPECT_FALSE(second.getShared("MimeEmailZQV", kSwitch).boolean());
      EXPECT_EQ(PluginCopies(), copiesBefore + 2 * kFilesPerCopy);
    }
    EXPECT_EQ(PluginCopies(), copiesBefore + kFilesPerCopy);
    EXPECT_TRUE(first.getShared("MimeEmailZQV", kSwitch).boolean());
  }
  EXPECT_EQ(PluginCopies(), copiesBefore);
}

}  // namespace
