// Host exceptions as host code catches them: class, message and error number,
// the fallbacks when the host cannot make a class, and the translation of C++
// exceptions at guarded entry points.
#include <gtest/gtest.h>

#include <any>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "plugin_test.h"
#include "runtime/errors.h"

namespace {
struct EmptyBadAlloc : std::bad_alloc {
  const char* what() const noexcept override { return ""; }
};
struct NullWhat : std::exception {
  const char* what() const noexcept override { return nullptr; }
};
}  // namespace

using ErrorsTest = InProcessTest;

TEST_F(ErrorsTest, RaisesTheNamedClassOrFallsBackToRuntimeException) {
  struct Case {
    const char* className;
    std::vector<std::string> refused;
    const char* raisedAs;  // nullptr: nothing can be raised
  };
  const Case cases[] = {
      {"IOException", {"IOException"}, "RuntimeException"},
      {"NoSuchExceptionZQV", {}, "RuntimeException"},
      {"IOException", {"IOException", "RuntimeException"}, nullptr},
  };
  const char* const message = "Unhandled charset: x-gr\xC3\xBC\xC3\x9F";
  for (const Case& c : cases) {
    for (const std::string& name : c.refused) host().refuseInstances(name, true);
    RaiseException(c.className, message);
    if (c.raisedAs != nullptr) {
      expectException(c.raisedAs, message);
    } else {
      expectNoException();
    }
    for (const std::string& name : c.refused) host().refuseInstances(name, false);
  }
  // A number given reaches host code (the plugin's own are 0).
  RaiseExceptionWithString("IOException", nullptr, 7);
  const std::optional<emu::RaisedException> raised = host().takeException();
  ASSERT_TRUE(raised.has_value());
  EXPECT_EQ(raised->className, "IOException");
  EXPECT_EQ(raised->errorNumber, 7);
}

TEST_F(ErrorsTest, GuardTranslatesEveryKindOfEscapingException) {
  struct Case {
    std::function<void()> raise;
    const char* className;
    std::string message;
  };
  const Case cases[] = {
      {[] { throw EmptyBadAlloc(); }, "OutOfMemoryException", "Failed to allocate memory."},
      {[] { throw std::range_error("r"); }, "OutOfBoundsException", "C++ reports range error: r"},
      {[] { throw std::out_of_range("at"); }, "OutOfBoundsException", "C++ reports range error: at"},
      {[] { throw std::overflow_error("o"); }, "OutOfBoundsException", "C++ reports overflow error: o"},
      {[] { throw std::underflow_error("u"); }, "OutOfBoundsException",
       "C++ reports underflow error: u"},
      {[] { throw std::bad_any_cast(); }, "IllegalCastException",
       std::string("C++ Illegal Cast Exception: ") + std::bad_any_cast().what()},
      {[] { throw NullWhat(); }, "RuntimeException", "C++ Exception."},
      {[] { throw 42; }, "RuntimeException", "Sorry, but there was an unnamed C++ Exception."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunGuarded(-1, [&] { return c.raise(), 1; }), -1) << c.message;
    expectException(c.className, c.message);
  }
}

// The element reads (header, parts, attachments tests) give the parameter
// "index" and no method; the other forms of the message are checked here.
TEST_F(ErrorsTest, ParameterOutOfRangeNamesTheMethodOrNoParameter) {
  RaiseParameterOutOfRange(10, 5, 10, nullptr, "Item");
  expectException("OutOfBoundsException",
                  "The parameter ? to method Item is too big. Range is 5 to 9, but value is 10.");
}
