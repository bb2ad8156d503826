// The host emulator itself: conversions, reference accounting, arrays,
// exception delivery, Date, and member calls on a small class registered
// here through the resolver, as a plugin would register it.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "declarations.h"
#include "handle_set.h"
#include "host.h"

namespace {

using emu::Host;
using emu::Obj;
using emu::Str;
using emu::Value;

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

// ---- conversions ----

TEST(EmulatorConversion, OwnEncodingsAndUnicodeFormsBothWays) {
  const std::string text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";  // "Grüße €"
  const std::string grinning = "\xF0\x9F\x98\x80";  // U+1F600, a surrogate pair in UTF-16
  struct Case {
    std::string utf8;
    uint32_t encoding;
    std::string bytes;
  };
  const Case cases[] = {
      {text, kREALTextEncodingUTF8, text},
      {text, kREALTextEncodingMacRoman, Bytes({'G', 'r', 0x9F, 0xA7, 'e', ' ', 0xDB})},
      {text, kREALTextEncodingWindowsLatin1, Bytes({'G', 'r', 0xFC, 0xDF, 'e', ' ', 0x80})},
      {text, kREALTextEncodingUTF16,
       Bytes({'G', 0, 'r', 0, 0xFC, 0, 0xDF, 0, 'e', 0, ' ', 0, 0xAC, 0x20})},
      {text, kREALTextEncodingUTF32,
       Bytes({'G', 0, 0, 0, 'r', 0, 0, 0, 0xFC, 0, 0, 0, 0xDF, 0, 0, 0,
              'e', 0, 0, 0, ' ', 0, 0, 0, 0xAC, 0x20, 0, 0})},
      {grinning, kREALTextEncodingUTF16, Bytes({0x3D, 0xD8, 0x00, 0xDE})},
      {grinning, kREALTextEncodingUTF32, Bytes({0x00, 0xF6, 0x01, 0x00})},
      // The euro sign is beyond ISO-8859-1 and ASCII; the rest of Latin-1 is not.
      {"\xC3\xBC", kREALTextEncodingISOLatin1, "\xFC"},
      {"plain", kREALTextEncodingASCII, "plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoding);
    bool ok = false;
    EXPECT_EQ(Host::convert(c.bytes, c.encoding, kREALTextEncodingUTF8, &ok), c.utf8);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Host::convert(c.utf8, kREALTextEncodingUTF8, c.encoding, &ok), c.bytes);
    EXPECT_TRUE(ok);
  }
  // A mark of the other byte order switches the order and is dropped.
  EXPECT_EQ(Host::convert(Bytes({0xFE, 0xFF, 0x00, 'A'}), kREALTextEncodingUTF16), "A");
}

TEST(EmulatorConversion, UnconvertibleText) {
  struct Case {
    std::string bytes;
    uint32_t from;
    uint32_t to;
  };
  const Case cases[] = {
      {Bytes({'a', 0xC0, 0x80}), kREALTextEncodingUTF8, kREALTextEncodingUTF16},   // overlong
      {Bytes({0x00, 0xD8, 'a', 0}), kREALTextEncodingUTF16, kREALTextEncodingUTF8},  // lone surrogate
      {Bytes({'a', 0}), kREALTextEncodingUTF32, kREALTextEncodingUTF8},             // cut-off unit
      {"\xE2\x82\xAC", kREALTextEncodingUTF8, kREALTextEncodingISOLatin1},
      {"\xC3\xA9", kREALTextEncodingUTF8, kREALTextEncodingASCII},
      {"\xC4\x80", kREALTextEncodingUTF8, kREALTextEncodingMacRoman},
      {"\xE9", kREALTextEncodingUnknown, kREALTextEncodingUTF8},
      {"abc", kREALTextEncodingUTF8, 0x0A09},            // no converter at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    bool ok = true;
    EXPECT_EQ(Host::convert(c.bytes, c.from, c.to, &ok), "");
    EXPECT_FALSE(ok);
  }
}

// ---- declarations, as the host reads them to call a member ----

TEST(EmulatorDeclarations, ParameterAndResultTypes) {
  using emu::TypeKind;
  struct Case {
    const char* declaration;
    std::vector<TypeKind> parameters;
    TypeKind result;
  };
  // The plugin's own declarations are read in every call the other tests make.
  const Case cases[] = {
      {"Constructor()", {}, TypeKind::Nothing},
      {"Mix(a As Double, ByRef b as Date, items() as Variant, c as Boolean = True) AS String",
       {TypeKind::Double, TypeKind::Object, TypeKind::Object, TypeKind::Boolean}, TypeKind::String},
      {"Keep(list as MimeFieldZQV())", {TypeKind::Object}, TypeKind::Nothing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.declaration);
    std::optional<emu::Signature> signature = emu::ParseDeclaration(c.declaration);
    ASSERT_TRUE(signature.has_value());
    EXPECT_EQ(signature->parameters, c.parameters);
    EXPECT_EQ(signature->result, c.result);
  }
  for (const char* broken : {"", "Open(", "Count as", "Run(x Integer)", "Get() String"}) {
    EXPECT_FALSE(emu::ParseDeclaration(broken).has_value()) << broken;
  }
}

// ---- strings through the host functions ----

TEST_F(EmulatorTest, StringFunctions) {
  auto build = HostFunction<hostfn::REALBuildString>("REALBuildString");
  auto cString = HostFunction<hostfn::StringGetCString>("StringGetCString");
  auto encodingOf = HostFunction<hostfn::REALGetStringEncoding>("REALGetStringEncoding");
  auto lenB = reinterpret_cast<hostfn::LenB>(HostFunction<hostfn::REALLoadGlobalMethod>(
      "REALLoadGlobalMethod")(nullptr, "LenB( s as string ) as integer"));
  ASSERT_NE(lenB, nullptr);

  Str untagged = Str::adopt(build("ab\0c", 4));
  EXPECT_EQ(encodingOf(untagged.get()), kREALTextEncodingUnknown);
  EXPECT_EQ(lenB(untagged.get()), 4);
  EXPECT_EQ(std::memcmp(cString(untagged.get()), "ab\0c\0\0\0\0", 8), 0);
  HostFunction<hostfn::REALSetStringEncoding>("REALSetStringEncoding")(untagged.get(),
                                                                        kREALTextEncodingASCII);
  EXPECT_EQ(untagged.encoding(), kREALTextEncodingASCII);

  Str latin = host.string("caf\xE9", kREALTextEncodingISOLatin1);
  Str converted = Str::adopt(HostFunction<hostfn::REALConvertString>("REALConvertString")(
      latin.get(), kREALTextEncodingUTF16));
  EXPECT_EQ(converted.bytes(), Bytes({'c', 0, 'a', 0, 'f', 0, 0xE9, 0}));
  EXPECT_EQ(converted.encoding(), kREALTextEncodingUTF16);

  auto join = HostFunction<hostfn::RuntimeAddString>("RuntimeAddString");
  Str ascii = host.string("x@", kREALTextEncodingASCII);
  Str sameTag = Str::adopt(join(ascii.get(), host.string("y", kREALTextEncodingASCII).get()));
  EXPECT_EQ(sameTag.bytes(), "x@y");
  EXPECT_EQ(sameTag.encoding(), kREALTextEncodingASCII);
  Str asciiThenLatin = Str::adopt(join(ascii.get(), latin.get()));
  EXPECT_EQ(asciiThenLatin.bytes(), "x@caf\xE9");
  EXPECT_EQ(asciiThenLatin.encoding(), kREALTextEncodingISOLatin1);
  Str mixed = Str::adopt(join(latin.get(), host.string("\xE2\x82\xAC").get()));
  EXPECT_EQ(mixed.bytes(), "caf\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(mixed.encoding(), kREALTextEncodingUTF8);

  auto compare = HostFunction<hostfn::RuntimeStringCompare>("RuntimeStringCompare");
  EXPECT_EQ(compare(host.string("Content-TYPE").get(),
                    host.string("content-type", kREALTextEncodingASCII).get()), 0);
  EXPECT_EQ(compare(latin.get(), host.string("CAF\xC3\xA9").get()), 0);
  EXPECT_LT(compare(host.string("abc").get(), host.string("abd").get()), 0);
  EXPECT_GT(compare(host.string("abc").get(), nullptr), 0);
}

TEST_F(EmulatorTest, StringDataIsLentOrConverted) {
  auto getData = HostFunction<hostfn::PluginGetStringData>("PluginGetStringData");
  auto dispose = HostFunction<hostfn::PluginDisposeStringData>("PluginDisposeStringData");
  auto cString = HostFunction<hostfn::StringGetCString>("StringGetCString");

  // Text that reads the same is lent in place, and kept alive until disposed.
  REALstring lent = host.string("plain", kREALTextEncodingASCII).release();
  StringData data{};
  ASSERT_TRUE(getData(lent, kREALTextEncodingUTF8, &data));
  EXPECT_EQ(data.data, cString(lent));
  EXPECT_EQ(data.length, 5);
  HostFunction<hostfn::REALUnlockString>("REALUnlockString")(lent);
  EXPECT_EQ(host.liveStrings(), 1u);
  dispose(&data);
  EXPECT_EQ(host.liveStrings(), 0u);

  Str utf8 = host.string("\xC3\xA9t\xC3\xA9");
  ASSERT_TRUE(getData(utf8.get(), kREALTextEncodingUTF16, &data));
  EXPECT_EQ(std::string(static_cast<const char*>(data.data), 8),
            Bytes({0xE9, 0, 't', 0, 0xE9, 0, 0, 0}));
  EXPECT_EQ(data.length, 6);
  EXPECT_NE(host.leakReport().find("never disposed"), std::string::npos);
  dispose(&data);
  EXPECT_EQ(data.hostPrivate, nullptr);

  EXPECT_FALSE(getData(utf8.get(), kREALTextEncodingASCII, &data));
}

TEST_F(EmulatorTest, MemoryBlocksReportWhatTheyWereGiven) {
  auto pointerOf = HostFunction<hostfn::memoryBlockGetPtr>("memoryBlockGetPtr");
  auto sizeOf = HostFunction<hostfn::memoryBlockGetSize>("memoryBlockGetSize");
  Obj block = host.memoryBlock(std::string("a\0b", 3));
  EXPECT_EQ(sizeOf(block.get()), 3);
  EXPECT_EQ(std::string(static_cast<const char*>(pointerOf(block.get())), 3), std::string("a\0b", 3));
  char outside[2] = {'x', 'y'};
  Obj odd = host.memoryBlockWithSize(outside, -5);
  EXPECT_EQ(pointerOf(odd.get()), outside);
  EXPECT_EQ(sizeOf(odd.get()), -5);
  EXPECT_EQ(sizeOf(nullptr), 0);
}

// ---- reference accounting ----

TEST(EmulatorReferences, LeaksAndReleasesOfDeadHandlesAreReported) {
  Host host;
  auto unlockString = HostFunction<hostfn::REALUnlockString>("REALUnlockString");
  auto unlockObject = HostFunction<hostfn::REALUnlockObject>("REALUnlockObject");
  auto lockObject = HostFunction<hostfn::REALLockObject>("REALLockObject");

  REALstring text = host.string("Subject: hello").release();
  REALobject block = host.memoryBlock("abc").release();
  lockObject(block);
  EXPECT_EQ(host.leakReport(),
            "leaked string \"Subject: hello\" (1 reference)\n"
            "leaked object MemoryBlock (2 references)\n");

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
  std::string report = host.leakReport();
  EXPECT_NE(report.find("REALUnlockString: string \"From: a long line xxxxxx...\" is already dead"),
            std::string::npos) << report;
  EXPECT_NE(report.find("REALUnlockString: string \"Subject: hello\" is already dead"),
            std::string::npos) << report;
  EXPECT_NE(report.find("REALUnlockObject: object MemoryBlock is already dead"), std::string::npos)
      << report;
  EXPECT_NE(report.find("REALUnlockObject: unknown object handle"), std::string::npos) << report;
  EXPECT_NE(report.find("REALUnlockString: given an object where a string belongs"),
            std::string::npos) << report;
}

// Every lock and unlock asks the set of live handles first, so it must
// answer exactly through growth and any order of removals.
TEST(EmulatorReferences, LiveHandleSetAnswersExactly) {
  std::vector<int> records(5000);
  emu::HandleSet<int> set;
  std::set<int*> expected;
  uint32_t random = 12345;
  auto next = [&] { return random = random * 1103515245u + 12345u; };
  for (int round = 0; round < 40000; ++round) {
    int* handle = &records[(next() >> 8) % records.size()];
    if (expected.count(handle) == 0) {
      set.insert(handle);
      expected.insert(handle);
    } else if (next() % 3 != 0) {
      EXPECT_TRUE(set.erase(handle));
      expected.erase(handle);
    }
    if (round % 997 == 0) {
      for (int& record : records) ASSERT_EQ(set.contains(&record), expected.count(&record) != 0);
    }
  }
  EXPECT_EQ(set.size(), expected.size());
  size_t visited = 0;
  set.forEach([&](int* handle) {
    ++visited;
    EXPECT_EQ(expected.count(handle), 1u);
  });
  EXPECT_EQ(visited, expected.size());
  EXPECT_FALSE(set.erase(nullptr));
  EXPECT_FALSE(set.contains(nullptr));
}

TEST(EmulatorArrays, ElementsLiveAsLongAsTheArray) {
  Host host;
  auto create = HostFunction<hostfn::RuntimeArrayCreateSingleDimBoundedArray>(
      "RuntimeArrayCreateSingleDimBoundedArray");
  auto ubound = HostFunction<hostfn::RuntimeUBound>("RuntimeUBound");
  auto read = HostFunction<hostfn::RuntimeDirectReadObjectArray>("RuntimeDirectReadObjectArray");
  auto insertProc = HostFunction<hostfn::PluginObjectArrayInsertProc>("PluginObjectArrayInsertProc");

  Obj array = Obj::adopt(create(4, -1));
  EXPECT_EQ(ubound(array.get()), -1);
  hostfn::ObjectArrayInsertProc insert = insertProc(array.get());
  ASSERT_NE(insert, nullptr);
  {
    Obj first = host.memoryBlock("1");
    Obj second = host.memoryBlock("2");
    insert(array.get(), 0, second.get());
    insert(array.get(), 0, first.get());
  }
  EXPECT_EQ(host.liveObjects(), 3u);  // the array keeps both blocks alive
  EXPECT_EQ(ubound(array.get()), 1);
  {
    Obj read0 = Obj::adopt(read(array.get(), 0));
    EXPECT_EQ(host.memoryBlockBytes(read0), "1");
    EXPECT_EQ(host.memoryBlockBytes(host.element(array, 1)), "2");
  }
  host.removeAt(array, 0);
  EXPECT_EQ(host.liveObjects(), 2u);
  EXPECT_EQ(read(array.get(), 5), nullptr);

  array = Obj();
  EXPECT_EQ(host.liveObjects(), 0u);
  {
    Obj bounded = Obj::adopt(create(4, 2));
    EXPECT_EQ(ubound(bounded.get()), 2);
    EXPECT_TRUE(host.element(bounded, 2).isNil());
  }
  EXPECT_EQ(host.leakReport(),
            "RuntimeDirectReadObjectArray: index 5 of an array with upper bound 0\n");
}

// ---- Date ----

TEST_F(EmulatorTest, DatePartsFollowTotalSeconds) {
  Obj epoch = host.date(1904, 1, 1, 0, 0, 0);
  EXPECT_EQ(host.doubleProperty(epoch, "TotalSeconds"), 0.0);

  auto getDouble = HostFunction<hostfn::REALGetPropValueDouble>("REALGetPropValueDouble");
  auto setDouble = HostFunction<hostfn::REALSetPropValueDouble>("REALSetPropValueDouble");
  auto setInteger = HostFunction<hostfn::REALSetPropValueInteger>("REALSetPropValueInteger");
  Obj date = host.date(2024, 12, 3, 10, 0, 0, 1.0);
  double seconds = 0;
  ASSERT_TRUE(getDouble(date.get(), "TotalSeconds", &seconds));
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
  ASSERT_TRUE(setDouble(date.get(), "TotalSeconds", 3818534400.0));
  EXPECT_EQ(parts(date), (std::vector<int64_t>{2025, 1, 1, 0, 0, 0}));
  // Parts out of range carry over; a Double property takes no Integer.
  ASSERT_TRUE(setInteger(date.get(), "Month", 2));
  ASSERT_TRUE(setInteger(date.get(), "Day", 30));
  EXPECT_EQ(parts(date), (std::vector<int64_t>{2025, 3, 2, 0, 0, 0}));
  ASSERT_TRUE(setInteger(date.get(), "Month", 14));
  ASSERT_TRUE(setInteger(date.get(), "Day", 0));
  EXPECT_EQ(parts(date), (std::vector<int64_t>{2026, 1, 31, 0, 0, 0}));
  EXPECT_FALSE(setInteger(date.get(), "TotalSeconds", 0));
  // Another zone shows the same moment at another hour.
  ASSERT_TRUE(setDouble(date.get(), "GMTOffset", -4.0));
  EXPECT_EQ(parts(date), (std::vector<int64_t>{2026, 1, 30, 19, 0, 0}));
}

// ---- a small plugin class, called by declaration ----

struct CounterData {
  int64_t count;
  REALstring label;
  bool flag;
  double ratio;
};
struct SubCounterData {
  double extra;
};

REALclassDefinition counterClass{};
REALclassDefinition subCounterClass{};
std::vector<std::string> destroyed;
int64_t sharedValue = 0;
std::optional<emu::RaisedException> seenDuringCall;

CounterData* CounterOf(REALobject self) {
  return reinterpret_cast<CounterData*>(reinterpret_cast<char*>(self) + counterClass.hostSlot);
}
SubCounterData* SubCounterOf(REALobject self) {
  return reinterpret_cast<SubCounterData*>(reinterpret_cast<char*>(self) + subCounterClass.hostSlot);
}

void CounterConstruct(REALobject self, int64_t start) { CounterOf(self)->count = start; }
int64_t CounterAdd(REALobject self, int64_t amount) { return CounterOf(self)->count += amount; }
double CounterScale(REALobject self, double factor) {
  return static_cast<double>(CounterOf(self)->count) * factor;
}
REALstring CounterDescribe(REALobject self, REALstring prefix, bool withLabel) {
  auto join = HostFunction<hostfn::RuntimeAddString>("RuntimeAddString");
  return join(prefix, withLabel ? CounterOf(self)->label : nullptr);
}
void Raise(const char* className, const char* message) {
  REALobject exception = HostFunction<hostfn::PluginNewInstance>("PluginNewInstance")(className);
  REALstring text = HostFunction<hostfn::REALBuildStringWithEncoding>("REALBuildStringWithEncoding")(
      message, static_cast<int32_t>(std::strlen(message)), kREALTextEncodingUTF8);
  HostFunction<hostfn::REALSetPropValueString>("REALSetPropValueString")(exception, "Message", text);
  HostFunction<hostfn::REALSetPropValueInteger>("REALSetPropValueInteger")(exception, "ErrorNumber", 7);
  HostFunction<hostfn::RuntimeRaiseException>("RuntimeRaiseException")(exception);
  HostFunction<hostfn::REALUnlockString>("REALUnlockString")(text);
  HostFunction<hostfn::REALUnlockObject>("REALUnlockObject")(exception);
}
void CounterFail(REALobject, REALstring) {
  Raise("IOException", "first");
  Raise("OutOfBoundsException", "second");
  seenDuringCall = Host::current().takeException();
}
int64_t GetDoubled(REALobject self, int64_t param) { return CounterOf(self)->count * 2 + param; }
void SetDoubled(REALobject self, int64_t, int64_t value) { CounterOf(self)->count = value / 2; }
int64_t GetShared(REALobject self, int64_t) { return self == nullptr ? sharedValue : -1; }
void SetShared(REALobject self, int64_t, int64_t value) {
  if (self == nullptr) sharedValue = value;
}
void CounterDestroy(REALobject self) {
  HostFunction<hostfn::REALUnlockString>("REALUnlockString")(CounterOf(self)->label);
  destroyed.push_back("Counter");
}
void SubCounterDestroy(REALobject) { destroyed.push_back("SubCounter"); }

template <class Function>
void* Address(Function* function) {
  return reinterpret_cast<void*>(function);
}

REALproperty counterProperties[] = {
    {nullptr, "Count", "Integer", 0, kDirectField, kDirectField, offsetof(CounterData, count), {}},
    {nullptr, "Label", "String", 0, kDirectField, kDirectField, offsetof(CounterData, label), {}},
    {nullptr, "Flag", "Boolean", 0, kDirectField, kDirectField, offsetof(CounterData, flag), {}},
    {nullptr, "Ratio", "Double", 0, kDirectField, nullptr, offsetof(CounterData, ratio), {}},
    {nullptr, "Doubled", "Integer", 0, Address(&GetDoubled), Address(&SetDoubled), 1000, {}},
};
REALmethod counterMethods[] = {
    {Address(&CounterConstruct), nullptr, "Constructor(start as Integer)", 0, {}},
    {Address(&CounterAdd), nullptr, "Add(amount as Integer) as Integer", 0, {}},
    {Address(&CounterScale), nullptr, "Scale(factor as Double) as Double", 0, {}},
    {Address(&CounterDescribe), nullptr, "Describe(prefix as String, withLabel as Boolean) as String", 0, {}},
    {Address(&CounterFail), nullptr, "Fail(reason as String)", 0, {}},
};
REALproperty counterSharedProperties[] = {
    {nullptr, "Shared", "Integer", 0, Address(&GetShared), Address(&SetShared), 0, {}},
};
REALproperty subCounterProperties[] = {
    {nullptr, "Extra", "Double", 0, kDirectField, kDirectField, offsetof(SubCounterData, extra), {}},
};

class EmulatorMembers : public EmulatorTest {
 protected:
  void SetUp() override {
    counterClass = REALclassDefinition{};
    counterClass.name = "CounterZQV";
    counterClass.dataSize = sizeof(CounterData);
    counterClass.destructor = &CounterDestroy;
    counterClass.properties = counterProperties;
    counterClass.propertyCount = std::size(counterProperties);
    counterClass.methods = counterMethods;
    counterClass.methodCount = std::size(counterMethods);
    counterClass.sharedProperties = counterSharedProperties;
    counterClass.sharedPropertyCount = std::size(counterSharedProperties);
    counterClass.flags = 4;
    subCounterClass = REALclassDefinition{};
    subCounterClass.name = "SubCounterZQV";
    subCounterClass.superName = "CounterZQV";
    subCounterClass.dataSize = sizeof(SubCounterData);
    subCounterClass.destructor = &SubCounterDestroy;
    subCounterClass.properties = subCounterProperties;
    subCounterClass.propertyCount = std::size(subCounterProperties);
    auto registerClass = HostFunction<hostfn::PluginRegisterClass>("PluginRegisterClass");
    registerClass(&counterClass);
    registerClass(&subCounterClass);
    destroyed.clear();
  }
};

TEST_F(EmulatorMembers, CallsTakeAndGiveExactTypes) {
  Obj sub = host.construct("SubCounterZQV", "Constructor(start as Integer)", {int64_t{5}});
  EXPECT_EQ(host.call(sub, "Add(amount as Integer) as Integer", {3}).integer(), 8);
  EXPECT_EQ(host.call(sub, "Scale(factor as Double) as Double", {0.5}).real(), 4.0);
  EXPECT_EQ(host.get(sub, "Doubled").integer(), 1016);  // the getter gets its param
  host.set(sub, "Doubled", 20);
  EXPECT_EQ(host.get(sub, "Count").integer(), 10);
  host.set(sub, "Extra", 2.5);
  EXPECT_EQ(SubCounterOf(sub.get())->extra, 2.5);
  EXPECT_EQ(host.get(sub, "Count").integer(), 10) << "subclass data overlaps its superclass's";
  host.set(sub, "Flag", true);
  EXPECT_TRUE(host.get(sub, "Flag").boolean());
  EXPECT_THROW(host.set(sub, "Ratio", 1.0), std::invalid_argument);
  EXPECT_THROW(host.call(sub, "Add(amount as Integer) as Integer", {1.0}), std::logic_error);
  EXPECT_THROW(host.call(sub, "Missing()"), std::invalid_argument);

  // A direct field holds its own reference and drops the one it replaces.
  host.set(sub, "Label", host.string("first"));
  EXPECT_EQ(host.liveStrings(), 1u);
  host.set(sub, "Label", host.string("count"));
  EXPECT_EQ(host.liveStrings(), 1u);
  EXPECT_EQ(host.call(sub, "Describe(prefix as String, withLabel as Boolean) as String",
                      {host.string("the "), true}).str().bytes(), "the count");

  host.setShared("SubCounterZQV", "Shared", 42);
  EXPECT_EQ(host.getShared("CounterZQV", "Shared").integer(), 42);

  sub = Obj();
  EXPECT_EQ(destroyed, (std::vector<std::string>{"SubCounter", "Counter"}));
}

TEST_F(EmulatorMembers, ExceptionsReachHostCodeWhenTheCallReturns) {
  Obj counter = host.construct("CounterZQV", "Constructor(start as Integer)", {0});
  host.call(counter, "Fail(reason as String)", {host.string("x")});
  EXPECT_FALSE(seenDuringCall.has_value());
  std::optional<emu::RaisedException> raised = host.takeException();
  ASSERT_TRUE(raised.has_value());
  EXPECT_EQ(raised->className, "IOException");
  EXPECT_EQ(raised->message, "first");
  EXPECT_EQ(raised->errorNumber, 7);
  EXPECT_FALSE(host.takeException().has_value());

  // A new call clears what nobody took; a raise outside a call arrives at once.
  host.call(counter, "Fail(reason as String)", {Str()});
  host.call(counter, "Scale(factor as Double) as Double", {1.0});
  EXPECT_FALSE(host.takeException().has_value());
  host.refuseInstances("OutOfBoundsException", true);
  EXPECT_EQ(HostFunction<hostfn::PluginNewInstance>("PluginNewInstance")("OutOfBoundsException"),
            nullptr);
  Raise("UnsupportedFormatException", "outside");
  raised = host.takeException();
  ASSERT_TRUE(raised.has_value());
  EXPECT_EQ(raised->message, "outside");

  // Host code reads the message as text, whatever its encoding.
  Obj exception = host.newInstance("IllegalCastException");
  host.set(exception, "Message", host.string("na\xEFve", kREALTextEncodingISOLatin1));
  HostFunction<hostfn::RuntimeRaiseException>("RuntimeRaiseException")(exception.get());
  raised = host.takeException();
  ASSERT_TRUE(raised.has_value());
  EXPECT_EQ(raised->className, "IllegalCastException");
  EXPECT_EQ(raised->message, "na\xC3\xAFve");
}

// ---- the resolver ----

TEST(EmulatorResolver, CountsAndWithholdsNames) {
  Host::Options options;
  options.version = 2019.03;
  options.withheld = {"RuntimeAddString"};
  options.hasVersionFunction = true;
  Host host(options);
  auto version = HostFunction<hostfn::REALGetRBVersion>("REALGetRBVersion");
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), 2019.03);
  EXPECT_EQ(Host::Resolve("RuntimeAddString"), nullptr);
  EXPECT_EQ(Host::Resolve("NoSuchFunction"), nullptr);
  host.setWithheld("RuntimeAddString", false);
  EXPECT_NE(Host::Resolve("RuntimeAddString"), nullptr);
  host.setWithheld("StringGetCString", true);
  EXPECT_EQ(Host::Resolve("StringGetCString"), nullptr);
  EXPECT_EQ(host.resolveCount("RuntimeAddString"), 2);
  EXPECT_EQ(host.resolveCount("NoSuchFunction"), 1);
  EXPECT_EQ(host.resolveCount("PluginNewInstance"), 0);

  Host older(Host::Options{2011.0, {}, false});
  EXPECT_EQ(&Host::current(), &older);
  EXPECT_EQ(Host::Resolve("REALGetRBVersion"), nullptr);
  EXPECT_THROW(older.loadPlugin("/nonexistent/libzqvmime.so"), std::runtime_error);
}

// Each host loads its own copy of the library, so a switch set under one host
// is at its start value under the next, even while the first is alive.
TEST(EmulatorLoading, EachHostStartsThePluginAfresh) {
  const char* kSwitch = "RaiseUnknownFormatExceptions";
  Host first;
  first.loadPlugin();
  EXPECT_TRUE(first.announcedPluginLevel().has_value());
  ASSERT_NE(first.registeredClass("MimeEmailZQV"), nullptr);
  first.setShared("MimeEmailZQV", kSwitch, true);
  {
    Host second;
    second.loadPlugin();
    EXPECT_FALSE(second.getShared("MimeEmailZQV", kSwitch).boolean());
    EXPECT_EQ(second.leakReport(), "");
  }
  EXPECT_TRUE(first.getShared("MimeEmailZQV", kSwitch).boolean());
  EXPECT_EQ(first.leakReport(), "");
}

}  // namespace
