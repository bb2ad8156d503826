// Integers across the host boundary at the width of each target: the host's
// Integer is as wide as a pointer (32 bits on 32-bit targets), Int64 is 64
// bits everywhere. A probe class registered with the emulator holds both
// side by side, so a value cut to the wrong width, or an argument passed at
// the wrong width (which moves every argument after it), shows at once.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "host.h"
#include "host_functions.h"

namespace {

// An Integer on either side of the Int64 fields, so that a store of the
// wrong width reaches a neighbour.
struct ProbeData {
  RBInteger before;
  int64_t wide;      // read and written by the host in place
  int64_t computed;  // read and written through the getter and setter
  RBInteger after;
};

extern REALclassDefinition probeRecord;

char* ProbeField(REALobject instance, RBInteger offset) {
  return reinterpret_cast<char*>(instance) + probeRecord.hostSlot + offset;
}

int64_t GetComputed(REALobject instance, RBInteger param) {
  int64_t value;
  std::memcpy(&value, ProbeField(instance, param), sizeof value);
  return value;
}

void SetComputed(REALobject instance, RBInteger param, int64_t value) {
  std::memcpy(ProbeField(instance, param), &value, sizeof value);
}

// An Integer argument ahead of an Int64 one, and an Int64 result.
int64_t Lowered(REALobject, RBInteger by, int64_t value) { return value - by; }

REALproperty probeProperties[] = {
    {nullptr, "Before", "Integer", 0, kDirectField, kDirectField, offsetof(ProbeData, before), {}},
    {nullptr, "Wide", "Int64", 0, kDirectField, kDirectField, offsetof(ProbeData, wide), {}},
    {nullptr, "Computed", "Int64", 0, reinterpret_cast<void*>(&GetComputed),
     reinterpret_cast<void*>(&SetComputed), offsetof(ProbeData, computed), {}},
    {nullptr, "After", "Integer", 0, kDirectField, kDirectField, offsetof(ProbeData, after), {}},
};

REALmethod probeMethods[] = {
    {reinterpret_cast<void*>(&Lowered), nullptr, "Lowered(by as Integer, value as Int64) as Int64",
     0, {}},
};

REALclassDefinition probeRecord = {
    0, "IntegerWidthProbe", nullptr, sizeof(ProbeData), 0, nullptr, nullptr,
    probeProperties, std::size(probeProperties), probeMethods, std::size(probeMethods),
    nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
};

class HostIntegerTest : public ::testing::Test {
 protected:
  void SetUp() override { emu::hostcalls::PluginRegisterClass(&probeRecord); }
  void TearDown() override { EXPECT_EQ(host_.leakReport(), ""); }

  emu::Host host_;
};

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();

}  // namespace

TEST_F(HostIntegerTest, Int64ValuesBeyondThe32BitRangeCrossEveryPathWhole) {
  const int64_t values[] = {int64_t{1} << 31,           (int64_t{1} << 32) + 1,
                            -(int64_t{1} << 31) - 1,    int64_t{0x123456789ABCDEF0},
                            kInt64Max,                  kInt64Min + 7};
  emu::Obj probe = host_.newInstance("IntegerWidthProbe");
  host_.set(probe, "Before", emu::Value(int64_t{7}));
  host_.set(probe, "After", emu::Value(int64_t{-7}));
  for (int64_t value : values) {
    host_.set(probe, "Wide", emu::Value(value));
    host_.set(probe, "Computed", emu::Value(value));
    EXPECT_EQ(host_.get(probe, "Wide").integer(), value);
    EXPECT_EQ(host_.get(probe, "Computed").integer(), value);
    EXPECT_EQ(host_.call(probe, "Lowered(by as Integer, value as Int64) as Int64",
                         {emu::Value(int64_t{7}), emu::Value(value)})
                  .integer(),
              value - 7);
    EXPECT_EQ(host_.get(probe, "Before").integer(), 7) << value;
    EXPECT_EQ(host_.get(probe, "After").integer(), -7) << value;
  }
}

TEST_F(HostIntegerTest, IntegerIsAsWideAsAPointer) {
  static_assert(sizeof(RBInteger) == sizeof(void*));
  const int64_t largest = std::numeric_limits<RBInteger>::max();
  const int64_t smallest = std::numeric_limits<RBInteger>::min();
  emu::Obj probe = host_.newInstance("IntegerWidthProbe");
  host_.set(probe, "Wide", emu::Value(int64_t{-1}));
  for (int64_t value : {largest, smallest}) {
    host_.set(probe, "Before", emu::Value(value));
    host_.set(probe, "After", emu::Value(value));
    EXPECT_EQ(host_.get(probe, "Before").integer(), value);
    EXPECT_EQ(host_.get(probe, "After").integer(), value);
  }
  EXPECT_EQ(host_.get(probe, "Wide").integer(), -1);
  // Host code cannot hold a wider value in an Integer, so the emulator
  // refuses one rather than cut it.
  if constexpr (!kHostIs64Bit) {
    EXPECT_THROW(host_.set(probe, "Before", emu::Value(largest + 1)), std::out_of_range);
    EXPECT_THROW(host_.call(probe, "Lowered(by as Integer, value as Int64) as Int64",
                            {emu::Value(smallest - 1), emu::Value(int64_t{0})}),
                 std::out_of_range);
    EXPECT_EQ(host_.get(probe, "Before").integer(), smallest);
  }
}
