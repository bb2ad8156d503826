// The class record of every class this plugin registers, its layout written
// once: each class gives its name, superclass, data size, destructor and
// member tables, and the rest is the same for all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/host_api.h"
#include "runtime/member_flags.h"

// The address of a library function as a property or method row holds it.
template <class Function>
void* Entry(Function function) {
  return reinterpret_cast<void*>(function);
}

template <class Row>
struct MemberTable {
  Row* rows = nullptr;
  uint64_t count = 0;
};

template <class Row, size_t Count>
constexpr MemberTable<Row> Table(Row (&rows)[Count]) {
  return {rows, Count};
}

// `superName` nullptr: no superclass. `destructor` nullptr: the superclass's
// destructor releases the instance's record.
constexpr REALclassDefinition ClassRecord(const char* name, const char* superName,
                                          uint64_t dataSize, void (*destructor)(REALobject),
                                          MemberTable<REALproperty> properties,
                                          MemberTable<REALmethod> methods,
                                          MemberTable<REALproperty> sharedProperties = {},
                                          MemberTable<REALmethod> sharedMethods = {}) {
  return {
      0,  // version: the interface level, written at registration
      name,
      superName,
      dataSize,
      0,        // host slot: the host writes the data offset here
      nullptr,  // constructors are methods named "Constructor"
      destructor,
      properties.rows, properties.count,
      methods.rows, methods.count,
      nullptr, 0,  // events
      nullptr, 0,  // event instances
      nullptr,     // interfaces
      nullptr, 0,  // attributes
      nullptr, 0,  // constants
      kClassFlags,
      sharedProperties.rows, sharedProperties.count,
      sharedMethods.rows, sharedMethods.count,
      nullptr, 0,  // delegates
      nullptr, 0,  // enums
  };
}
