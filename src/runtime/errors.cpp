#include "runtime/errors.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <typeinfo>

#include "runtime/heap_buffer.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/tagged_string.h"

namespace {

constexpr char kRuntimeException[] = "RuntimeException";
constexpr char kOutOfBoundsException[] = "OutOfBoundsException";

uint64_t raisedExceptions = 0;

// A host that cannot make the named class may still know the generic one.
HostObject NewExceptionInstance(const char* className) {
  HostObject exception(PluginNewInstance(className));
  if (!exception) exception.reset(PluginNewInstance(kRuntimeException));
  return exception;
}

template <class Error>
bool IsA(const std::exception& error) {
  return dynamic_cast<const Error*>(&error) != nullptr;
}

bool IsAnyException(const std::exception&) { return true; }

struct TranslationRow {
  bool (*matches)(const std::exception& error);
  const char* baseText;
  const char* className;
};

// Tested top to bottom, so a derived type must come before its base.
constexpr TranslationRow kTranslations[] = {
    {IsA<std::bad_alloc>, "Failed to allocate memory", "OutOfMemoryException"},
    {IsA<std::range_error>, "C++ reports range error", kOutOfBoundsException},
    {IsA<std::out_of_range>, "C++ reports range error", kOutOfBoundsException},
    {IsA<std::overflow_error>, "C++ reports overflow error", kOutOfBoundsException},
    {IsA<std::underflow_error>, "C++ reports underflow error", kOutOfBoundsException},
    {IsA<std::bad_cast>, "C++ Illegal Cast Exception", "IllegalCastException"},
    {IsAnyException, "C++ Exception", kRuntimeException},
};

const TranslationRow& RowFor(const std::exception& error) {
  for (const TranslationRow& row : kTranslations) {
    if (row.matches(error)) return row;
  }
  return kTranslations[std::size(kTranslations) - 1];  // not reached: the last row takes any
}

}  // namespace

void RaiseExceptionWithString(const char* className, REALstring message, int64_t errorNumber) {
  HostObject exception = NewExceptionInstance(className);
  if (!exception) return;
  REALSetPropValueString(exception.get(), "Message", message);
  REALSetPropValueInteger(exception.get(), "ErrorNumber", errorNumber);
  RuntimeRaiseException(exception.get());
  ++raisedExceptions;
}

uint64_t RaisedExceptionCount() { return raisedExceptions; }

void RaiseException(const char* className, const char* message) {
  // Built with the plain tagged builder: the guarded builders above it raise
  // through here themselves.
  HostString messageString;
  if (message != nullptr) {
    messageString = BuildTaggedString(message, static_cast<int64_t>(std::strlen(message)),
                                      kREALTextEncodingUTF8);
  }
  RaiseExceptionWithString(className, messageString.get(), 0);
}

void RaiseOutOfBounds(const char* message) { RaiseException(kOutOfBoundsException, message); }

void RaiseParameterOutOfRange(int64_t value, int64_t lowerBound, int64_t upperBound,
                              const char* parameterName, const char* methodName) {
  const char* parameter = parameterName != nullptr ? parameterName : "?";
  const char* method = methodName != nullptr ? methodName : "";
  const int64_t messageSize =
      static_cast<int64_t>(std::strlen(parameter) + std::strlen(method)) + 200;
  HeapBuffer message(messageSize);
  if (!message) {
    RaiseOutOfBounds("Out of Bounds");
    return;
  }
  std::snprintf(message.as<char>(), static_cast<size_t>(messageSize),
                "The parameter %s %s%s is too %s. Range is %lld to %lld, but value is %lld.",
                parameter, method[0] != '\0' ? "to method " : "", method,
                value < lowerBound ? "small" : "big", static_cast<long long>(lowerBound),
                static_cast<long long>(upperBound) - 1, static_cast<long long>(value));
  RaiseOutOfBounds(message.as<char>());
}

// Runs inside a catch handler, so the message is put together without
// anything that could throw again.
void TranslateCppException(const std::exception& error) {
  const char* what = error.what();
  if (what == nullptr) what = "";

  const TranslationRow& row = RowFor(error);
  const size_t baseLength = std::strlen(row.baseText);
  const size_t whatLength = std::strlen(what);
  const int64_t messageSize = static_cast<int64_t>(baseLength + whatLength) + 3;
  HeapBuffer message(messageSize);
  if (!message) {
    RaiseException(row.className, row.baseText);
    return;
  }
  if (whatLength > 0) {
    std::snprintf(message.as<char>(), static_cast<size_t>(messageSize), "%s: %s", row.baseText,
                  what);
  } else {
    std::snprintf(message.as<char>(), static_cast<size_t>(messageSize), "%s.", row.baseText);
  }
  RaiseException(row.className, message.as<char>());
}

void RaiseUnnamedCppException() {
  RaiseException(kRuntimeException, "Sorry, but there was an unnamed C++ Exception.");
}

REALobject ObjectArrayItem(REALobject array, int64_t index) {
  if (array == nullptr) return nullptr;
  const int64_t count = RuntimeUBound(array) + 1;
  if (index >= 0 && index < count) return RuntimeDirectReadObjectArray(array, index);
  RaiseParameterOutOfRange(index, 0, count, "index", "");
  return nullptr;
}
