// Reading and writing properties as the host does: through the getter and
// setter a property record names, or directly in the data block of the
// class that declared it.
#pragma once

#include "native_call.h"
#include "state.h"

namespace emu {

// The property's value in `out`; a string or object comes with one
// reference for the caller. False when the property has no getter, or is a
// direct field read without an instance.
bool ReadProperty(State& state, REALobject instance, const PropertyRef& found, RawValue& out);

// Stores a borrowed value, which must be of the property's kind. A direct field
// takes a reference to the new string or object and drops the old one, as
// any property store does. False for a read-only property, a value of
// another kind, or a direct field without an instance.
bool WriteProperty(State& state, REALobject instance, const PropertyRef& found,
                   const RawValue& value);

// The kind of value a property holds.
TypeKind KindOfProperty(const REALproperty& property);

}  // namespace emu
