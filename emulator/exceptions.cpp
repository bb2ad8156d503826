// Host exceptions: the exception classes, and how a raised exception reaches
// host code. Raising only records it; host code sees it when the outermost
// call into the plugin returns, as Xojo throws it there.
#include <cstddef>
#include <iterator>
#include <utility>

#include "builtin_classes.h"
#include "functions.h"
#include "member_access.h"
#include "state.h"
#include "text_conversion.h"

namespace emu {
namespace {

void DestroyException(REALobject exception) {
  State* state = CurrentState();
  if (state == nullptr) return;
  auto* data = state->builtInData<ExceptionData>(exception, state->exceptionClass, "exception");
  if (data == nullptr) return;
  state->unlockString(data->message);
  data->message = nullptr;
}

REALproperty ExceptionProperties[] = {
    {nullptr, "Message", "String", 0, kDirectField, kDirectField, offsetof(ExceptionData, message), {}},
    {nullptr, "ErrorNumber", "Integer", 0, kDirectField, kDirectField,
     offsetof(ExceptionData, errorNumber), {}},
};

REALclassDefinition ExceptionRecord(const char* name, const char* superName) {
  bool root = superName == nullptr;
  return REALclassDefinition{
      0, name, superName, root ? sizeof(ExceptionData) : 0, 0, nullptr,
      root ? &DestroyException : nullptr,
      root ? ExceptionProperties : nullptr, root ? std::size(ExceptionProperties) : 0,
      nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0,
      nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
  };
}

REALclassDefinition RuntimeExceptionRecord = ExceptionRecord("RuntimeException", nullptr);
REALclassDefinition OutOfBoundsRecord = ExceptionRecord("OutOfBoundsException", "RuntimeException");
REALclassDefinition UnsupportedOperationRecord =
    ExceptionRecord("UnsupportedOperationException", "RuntimeException");
REALclassDefinition UnsupportedFormatRecord =
    ExceptionRecord("UnsupportedFormatException", "RuntimeException");
REALclassDefinition IOExceptionRecord = ExceptionRecord("IOException", "RuntimeException");
REALclassDefinition OutOfMemoryRecord = ExceptionRecord("OutOfMemoryException", "RuntimeException");
REALclassDefinition IllegalCastRecord = ExceptionRecord("IllegalCastException", "RuntimeException");

// What host code catches: the class name and the two properties, read the
// way host code would read them.
RaisedException Describe(State& state, ObjectRecord* record) {
  auto* exception = reinterpret_cast<REALobject>(record);
  RaisedException described;
  described.className = record->cls->name;
  RawValue value;
  PropertyRef message = State::findProperty(record->cls, "Message", false);
  if (message.property != nullptr && ReadProperty(state, exception, message, value) &&
      value.kind == TypeKind::String && value.text != nullptr) {
    auto* text = reinterpret_cast<StringRecord*>(value.text);
    ConvertText(text->bytes(), text->encoding, kREALTextEncodingUTF8, described.message);
    state.unlockString(value.text);
  }
  PropertyRef number = State::findProperty(record->cls, "ErrorNumber", false);
  if (number.property != nullptr && ReadProperty(state, exception, number, value) &&
      value.kind == TypeKind::Integer) {
    described.errorNumber = value.integer;
  }
  return described;
}

}  // namespace

REALclassDefinition* const ExceptionClassRecords[] = {
    &RuntimeExceptionRecord, &OutOfBoundsRecord, &UnsupportedOperationRecord,
    &UnsupportedFormatRecord, &IOExceptionRecord, &OutOfMemoryRecord, &IllegalCastRecord,
};
const size_t ExceptionClassCount = std::size(ExceptionClassRecords);

void State::beginCall() {
  if (callDepth++ > 0) return;
  deliveredException.reset();
  raisedInLastCall.clear();
}

void State::endCall() {
  if (--callDepth > 0 || raisedException == nullptr) return;
  ObjectRecord* exception = std::exchange(raisedException, nullptr);
  deliveredException = Describe(*this, exception);
  unlockObject(reinterpret_cast<REALobject>(exception));
}

// Within a call the first exception raised is the one host code sees: the
// plugin returns right after raising, and what it raises on the way out
// follows from the first failure. Outside any call (an in-process test
// calling the runtime directly) each raise is delivered at once.
void State::raise(REALobject exception) {
  ObjectRecord* record = liveObject(exception, "RuntimeRaiseException");
  if (record == nullptr) {
    if (exception == nullptr) problems.push_back("RuntimeRaiseException: nil exception");
    return;
  }
  if (callDepth == 0) {
    deliveredException = Describe(*this, record);
    raisedInLastCall.push_back(*deliveredException);
    return;
  }
  raisedInLastCall.push_back(Describe(*this, record));
  if (raisedException != nullptr) return;
  ++record->refs;
  raisedException = record;
}

namespace hostcalls {

void RuntimeRaiseException(REALobject exception) {
  if (State* state = CurrentState()) state->raise(exception);
}

}  // namespace hostcalls
}  // namespace emu
