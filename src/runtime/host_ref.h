// Move-only owners of one host reference each. Locals, views and guards hold
// host strings and objects through these, so every path out of a function
// drops what it took. Instance records keep raw pointers instead: their
// layout is fixed, and each class's destructor releases them.
#pragma once

#include <utility>

#include "runtime/host_binding.h"

template <class Ref, void (*Unlock)(Ref)>
class HostRef {
 public:
  HostRef() = default;
  // Takes over a reference the caller already owns (a new string or object).
  explicit HostRef(Ref owned) : ref_(owned) {}
  HostRef(const HostRef&) = delete;
  HostRef& operator=(const HostRef&) = delete;
  HostRef(HostRef&& other) noexcept : ref_(other.release()) {}
  HostRef& operator=(HostRef&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~HostRef() { reset(); }

  Ref get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  // Hands the reference on; this owner no longer drops it.
  Ref release() { return std::exchange(ref_, nullptr); }
  void reset(Ref owned = nullptr) {
    Ref old = std::exchange(ref_, owned);
    if (old != nullptr) Unlock(old);
  }

 private:
  Ref ref_ = nullptr;
};

using HostString = HostRef<REALstring, REALUnlockString>;
using HostObject = HostRef<REALobject, REALUnlockObject>;

// Adds one reference to a borrowed value and owns that reference.
inline HostString RetainString(REALstring borrowed) {
  if (borrowed != nullptr) REALLockString(borrowed);
  return HostString(borrowed);
}
inline HostObject RetainObject(REALobject borrowed) {
  if (borrowed != nullptr) REALLockObject(borrowed);
  return HostObject(borrowed);
}

// Stores an owned reference into a record field, dropping what the field held.
inline void StoreField(REALstring& field, HostString value) {
  REALstring old = std::exchange(field, value.release());
  if (old != nullptr) REALUnlockString(old);
}
inline void StoreField(REALobject& field, HostObject value) {
  REALobject old = std::exchange(field, value.release());
  if (old != nullptr) REALUnlockObject(old);
}
// Drops what a record field holds (destructors); a nil field takes nothing.
inline void ClearField(REALstring& field) {
  if (REALstring old = std::exchange(field, nullptr)) REALUnlockString(old);
}
inline void ClearField(REALobject& field) {
  if (REALobject old = std::exchange(field, nullptr)) REALUnlockObject(old);
}
// A stored value handed to the host with one more reference (getters).
inline REALstring ShareField(REALstring field) {
  if (field != nullptr) REALLockString(field);
  return field;
}
inline REALobject ShareField(REALobject field) {
  if (field != nullptr) REALLockObject(field);
  return field;
}
