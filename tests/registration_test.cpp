// Start-up as the host sees it: interface level, class records in order, the
// flag rewrite for older hosts, and the lookup of host functions.
#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plugin_test.h"
#include "runtime/host_binding.h"

namespace {

// In registration order (superclass first), with data sizes rounded up to 16.
const std::pair<const char*, uint64_t> kClassesInOrder[] = {
    {"MimeBodyZQV", 0x20},        {"MimeHeaderZQV", 0x90},  {"MimeEntityZQV", 0x60},
    {"MimeAddressZQV", 0x20},     {"MimeGroupZQV", 0x20},   {"MimeAddressListZQV", 0x10},
    {"MimeMailboxListZQV", 0x10}, {"MimeMailboxZQV", 0x30}, {"MimeFieldZQV", 0x10},
    {"MimeEmailZQV", 0},          {"MimeAttachmentZQV", 0x60}, {"MimeMboxZQV", 0x10},
    {"MimeTnefZQV", 0x30},
};

// The classes whose parameterless constructor does nothing.
const std::set<std::string> kEmptyConstructorClasses = {"MimeBodyZQV", "MimeHeaderZQV",
                                                        "MimeEntityZQV", "MimeAttachmentZQV"};

// Cache words of the test's own, untouched by earlier tests in this process.
constexpr char kProbeUBound[] = "RuntimeUBound";
constexpr char kProbeSetString[] = "REALSetPropValueString";

}  // namespace

using RegistrationTest = PluginTest;

TEST_F(RegistrationTest, RegistersEveryClassInOrderWithTheirRecords) {
  const std::vector<emu::RegisteredClass>& registered = host().registeredClasses();
  ASSERT_EQ(registered.size(), std::size(kClassesInOrder));
  for (size_t i = 0; i < registered.size(); ++i) {
    const emu::RegisteredClass& cls = registered[i];
    ASSERT_EQ(cls.name, kClassesInOrder[i].first) << "position " << i;
    const REALclassDefinition& record = *cls.record;
    EXPECT_EQ(cls.dataSize, kClassesInOrder[i].second) << cls.name;
    EXPECT_EQ(cls.superName, cls.name == "MimeEmailZQV" ? "MimeEntityZQV" : "") << cls.name;
    // Every class but the message (its data is its superclass's) has a destructor.
    EXPECT_EQ(record.destructor == nullptr, cls.name == "MimeEmailZQV") << cls.name;
    EXPECT_EQ(cls.flags, 0x4u) << cls.name;
    // Xojo hides a parameterless constructor that does nothing only when it
    // carries 0x84; every other method is a plain 0x4.
    for (uint64_t m = 0; m < record.methodCount; ++m) {
      const REALmethod& method = record.methods[m];
      const bool hidden = std::string(method.declaration) == "Constructor" &&
                          kEmptyConstructorClasses.count(cls.name) == 1;
      EXPECT_EQ(method.flags, hidden ? 0x84u : 0x4u) << cls.name << " " << method.declaration;
    }
    for (uint64_t p = 0; p < record.propertyCount; ++p) {
      const REALproperty& property = record.properties[p];
      // A Variant hands out an array through a getter, never as a raw field;
      // only an attachment's fields may be written by host code.
      if (std::string(property.type) == "Variant") {
        EXPECT_NE(property.getter, kDirectField) << cls.name << " " << property.name;
      }
      EXPECT_EQ(property.setter == nullptr, cls.name != "MimeAttachmentZQV")
          << cls.name << " " << property.name;
    }
  }
}

// Without REALGetRBVersion the host counts as the oldest.
TEST(RegistrationLevel, AnnouncesTheLevelAndAdaptsDateFlagsToTheHostVersion) {
  struct Case {
    double version;
    bool hasVersionFunction;
    int32_t level;
    uint32_t dateFlags;
  };
  const Case cases[] = {
      {2011.99, true, 9, 0x6},  {2012.0, true, 10, 0x6},  {2013.0, true, 11, 0x6},
      {2013.03, true, 12, 0x6}, {2013.04, true, 13, 0x6}, {2019.03, true, 13, 0x6},
      {2020.02, true, 13, 0x30A}, {2024.03, false, 9, 0x6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    emu::Host::Options options;
    options.version = c.version;
    options.hasVersionFunction = c.hasVersionFunction;
    emu::Host host(options);
    host.loadPlugin();
    EXPECT_EQ(host.announcedPluginLevel(), c.level);
    for (const emu::RegisteredClass& cls : host.registeredClasses()) {
      EXPECT_EQ(cls.version, static_cast<uint32_t>(c.level)) << cls.name;
    }
    for (const char* name : {"Date", "ReceivedDate"}) {
      const REALproperty* property = host.findProperty("MimeEmailZQV", name);
      ASSERT_NE(property, nullptr) << name;
      EXPECT_EQ(property->flags, c.dateFlags) << name;
    }
    EXPECT_EQ(host.leakReport(), "");
  }
}

TEST(RegistrationFlags, RewriteOnlyWhatTheHostVersionCannotRead) {
  struct Case {
    uint32_t flags;
    double version;
    uint32_t adapted;
  };
  const Case cases[] = {
      {0x30A, 2020.0199, 0x6},   {0x30A, 2020.02, 0x30A},    {0x80000308, 0.0, 0x80000004},
      {0x708, 2000.0, 0x708},    {0x708, 2024.03, 0x708},    {0x40000, 2010.028, 0x0},
      {0x40000, 2010.029, 0x4},  {0x40002, 2005.0, 0x2},     {0x4030A, 2019.03, 0x6},
      {0x84, 2019.03, 0x84},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AdaptFlagToHost(c.flags, c.version), c.adapted)
        << std::hex << "0x" << c.flags << " on " << c.version;
  }
}

// The test hands the plugin linked into it a nil resolver itself.
TEST(RegistrationNoResolver, NilResolverRegistersNothing) {
  emu::Host host;
  REALPluginMain(nullptr);
  EXPECT_TRUE(host.registeredClasses().empty());
  EXPECT_FALSE(host.announcedPluginLevel().has_value());
  EXPECT_EQ(host.leakReport(), "");
}

using RegistrationLookup = InProcessTest;

TEST_F(RegistrationLookup, MissingFunctionGivesNeutralResultsUntilTheHostHasIt) {
  using UBound = HostFunction<kProbeUBound, hostfn::RuntimeUBound>;
  using SetString = HostFunction<kProbeSetString, hostfn::REALSetPropValueString>;
  host().setWithheld(kProbeUBound, true);
  host().setWithheld(kProbeSetString, true);
  const int askedBefore = host().resolveCount(kProbeUBound);
  emu::Obj array = emu::Obj::adopt(RuntimeArrayCreateSingleDimBoundedArray(4, -1));
  host().append(array, host().date(2024, 12, 3, 10, 0, 0));

  EXPECT_EQ(UBound::slot(array.get()), 0);
  EXPECT_EQ(UBound::slot(array.get()), 0);
  EXPECT_FALSE(SetString::slot(nullptr, "Message", nullptr));
  EXPECT_EQ(host().resolveCount(kProbeUBound), askedBefore + 2);

  host().setWithheld(kProbeUBound, false);
  EXPECT_EQ(UBound::slot(array.get()), 0);
  host().append(array, host().date(2024, 12, 4, 10, 0, 0));
  EXPECT_EQ(UBound::slot(array.get()), 1);
  EXPECT_EQ(host().resolveCount(kProbeUBound), askedBefore + 3) << "found once, then kept";
}
