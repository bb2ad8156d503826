// The C boundary between the plugin and its host (Xojo, or our emulator):
// the opaque reference types, the records that describe a class to the host,
// the text-encoding numbers and the exact signatures of the host functions.
// This header declares nothing of the plugin's own; both sides include it.
#pragma once

#include <cstddef>
#include <cstdint>

struct REALstringOpaque;
struct REALobjectOpaque;
using REALstring = REALstringOpaque*;
using REALobject = REALobjectOpaque*;
using RBInteger = int64_t;
using RBBoolean = bool;

using HostResolverFn = void* (*)(const char* name);

// Host text-encoding numbers the plugin uses by name.
using HostEncoding = uint32_t;
constexpr HostEncoding kREALTextEncodingMacRoman = 0x00000000;
constexpr HostEncoding kREALTextEncodingUTF16 = 0x00000100;
constexpr HostEncoding kREALTextEncodingISOLatin1 = 0x00000201;
constexpr HostEncoding kREALTextEncodingWindowsLatin1 = 0x00000500;
constexpr HostEncoding kREALTextEncodingASCII = 0x00000600;
constexpr HostEncoding kREALTextEncodingUnknown = 0x0000FFFF;
constexpr HostEncoding kREALTextEncodingUTF8 = 0x08000100;
constexpr HostEncoding kREALTextEncodingUTF32 = 0x0C000100;

struct StringData {
  const void* data;
  int64_t length;  // bytes
  void* hostPrivate;
};

// A property row. getter/setter are function addresses, nullptr (setter:
// read-only) or kDirectField (the host reads/writes the field at `param`).
struct REALproperty {
  const char* group;
  const char* name;
  const char* type;
  uint32_t flags;
  void* getter;
  void* setter;
  int64_t param;
  uint64_t reserved[5];
};
static_assert(sizeof(REALproperty) == 0x60);
static_assert(offsetof(REALproperty, getter) == 0x20);
static_assert(offsetof(REALproperty, param) == 0x30);

struct REALmethod {
  void* function;
  void* setter;
  const char* declaration;
  uint32_t flags;
  uint64_t reserved[2];
};
static_assert(sizeof(REALmethod) == 0x30);
static_assert(offsetof(REALmethod, declaration) == 0x10);
static_assert(offsetof(REALmethod, flags) == 0x18);

struct REALclassDefinition {
  uint32_t version;
  const char* name;
  const char* superName;
  uint64_t dataSize;
  uint64_t hostSlot;  // the host writes the instance-data offset here
  void* constructor;
  void (*destructor)(REALobject instance);
  REALproperty* properties;
  uint64_t propertyCount;
  REALmethod* methods;
  uint64_t methodCount;
  void* events;
  uint64_t eventCount;
  void* eventInstances;
  uint64_t eventInstanceCount;
  const char* interfaces;
  void* attributes;
  uint64_t attributeCount;
  void* constants;
  uint64_t constantCount;
  uint32_t flags;
  REALproperty* sharedProperties;
  uint64_t sharedPropertyCount;
  REALmethod* sharedMethods;
  uint64_t sharedMethodCount;
  void* delegates;
  uint64_t delegateCount;
  void* enums;
  uint64_t enumCount;
};
static_assert(sizeof(REALclassDefinition) == 0xE8);
static_assert(offsetof(REALclassDefinition, dataSize) == 0x18);
static_assert(offsetof(REALclassDefinition, hostSlot) == 0x20);
static_assert(offsetof(REALclassDefinition, destructor) == 0x30);
static_assert(offsetof(REALclassDefinition, properties) == 0x38);
static_assert(offsetof(REALclassDefinition, methods) == 0x48);
static_assert(offsetof(REALclassDefinition, interfaces) == 0x78);
static_assert(offsetof(REALclassDefinition, flags) == 0xA0);
static_assert(offsetof(REALclassDefinition, sharedProperties) == 0xA8);
static_assert(offsetof(REALclassDefinition, sharedMethods) == 0xB8);
static_assert(offsetof(REALclassDefinition, enums) == 0xD8);

// Marks a property whose value the host reads or writes in the instance data
// block itself, at the offset given in `param`.
inline void* const kDirectField = reinterpret_cast<void*>(~uintptr_t{0});

// Signatures of the host functions, exactly as the host exports them.
namespace hostfn {
// What PluginObjectArrayInsertProc hands out: the array's insert function.
using ObjectArrayInsertProc = void (*)(REALobject array, int64_t index, REALobject value);

// One function-pointer type per host function, named as the host names it.
#define HOST_FUNCTION(Result, Name, Parameters, Arguments) using Name = Result(*) Parameters;
#include "runtime/host_functions.def"

// Host global method "LenB( s as string ) as integer".
using LenB = int64_t (*)(REALstring);
// Host class "Date" constructors.
using DateConstructor7 = void (*)(REALobject, int64_t year, int64_t month, int64_t day,
                                  int64_t hour, int64_t minute, int64_t second, double gmtOffset);
using DateConstructor6 = void (*)(REALobject, int64_t year, int64_t month, int64_t day,
                                  int64_t hour, int64_t minute, int64_t second);
}  // namespace hostfn

// The only function the plugin exports.
using PluginMainFn = void (*)(HostResolverFn resolver);
