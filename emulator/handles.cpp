// The test-side handles: each Str or Obj holds one counted reference of the
// current host, and a Value holds one of them or a plain number.
#include <stdexcept>
#include <utility>

#include "host.h"
#include "state.h"
#include "text_conversion.h"

namespace emu {

// ---- Str ----

Str Str::adopt(REALstring owned) {
  Str handle;
  handle.ref_ = owned;
  return handle;
}

Str Str::retain(REALstring borrowed) {
  if (State* state = CurrentState()) state->lockString(borrowed);
  return adopt(borrowed);
}

Str::Str(const Str& other) : Str(retain(other.ref_)) {}

Str& Str::operator=(const Str& other) {
  if (this != &other) *this = retain(other.ref_);
  return *this;
}

Str::Str(Str&& other) noexcept : ref_(other.release()) {}

Str& Str::operator=(Str&& other) noexcept {
  if (this != &other) {
    Str old = adopt(std::exchange(ref_, other.release()));
  }
  return *this;
}

Str::~Str() {
  if (ref_ == nullptr) return;
  if (State* state = CurrentState()) state->unlockString(ref_);
}

REALstring Str::release() { return std::exchange(ref_, nullptr); }

std::string Str::bytes() const {
  State* state = CurrentState();
  StringRecord* record = state != nullptr ? state->liveString(ref_, "Str::bytes") : nullptr;
  return record != nullptr ? std::string(record->bytes()) : std::string();
}

uint32_t Str::encoding() const {
  State* state = CurrentState();
  StringRecord* record = state != nullptr ? state->liveString(ref_, "Str::encoding") : nullptr;
  return record != nullptr ? record->encoding : kREALTextEncodingUnknown;
}

std::string Str::utf8() const {
  State* state = CurrentState();
  StringRecord* record = state != nullptr ? state->liveString(ref_, "Str::utf8") : nullptr;
  if (record == nullptr) return {};
  return Host::convert(record->bytes(), record->encoding, kREALTextEncodingUTF8);
}

// ---- Obj ----

Obj Obj::adopt(REALobject owned) {
  Obj handle;
  handle.ref_ = owned;
  return handle;
}

Obj Obj::retain(REALobject borrowed) {
  if (State* state = CurrentState()) state->lockObject(borrowed);
  return adopt(borrowed);
}

Obj::Obj(const Obj& other) : Obj(retain(other.ref_)) {}

Obj& Obj::operator=(const Obj& other) {
  if (this != &other) *this = retain(other.ref_);
  return *this;
}

Obj::Obj(Obj&& other) noexcept : ref_(other.release()) {}

Obj& Obj::operator=(Obj&& other) noexcept {
  if (this != &other) {
    Obj old = adopt(std::exchange(ref_, other.release()));
  }
  return *this;
}

Obj::~Obj() {
  if (ref_ == nullptr) return;
  if (State* state = CurrentState()) state->unlockObject(ref_);
}

REALobject Obj::release() { return std::exchange(ref_, nullptr); }

std::string Obj::className() const {
  State* state = CurrentState();
  ObjectRecord* record = state != nullptr ? state->liveObject(ref_, "Obj::className") : nullptr;
  return record != nullptr ? record->cls->name : std::string();
}

// ---- Value ----

namespace {

template <class T>
const T& Held(const std::variant<std::monostate, Str, Obj, int64_t, bool, double>& value,
              const char* wanted) {
  if (const T* held = std::get_if<T>(&value)) return *held;
  static const char* const kKinds[] = {"nothing", "a string", "an object", "an Integer",
                                       "a Boolean", "a Double"};
  throw std::logic_error(std::string("value holds ") + kKinds[value.index()] + ", not " + wanted);
}

}  // namespace

const Str& Value::str() const { return Held<Str>(v_, "a string"); }
const Obj& Value::obj() const { return Held<Obj>(v_, "an object"); }
int64_t Value::integer() const { return Held<int64_t>(v_, "an Integer"); }
bool Value::boolean() const { return Held<bool>(v_, "a Boolean"); }
double Value::real() const { return Held<double>(v_, "a Double"); }

}  // namespace emu
