// The C boundary between the plugin and its host (Xojo, or our emulator):
// the opaque reference types, the records that describe a class to the host,
// the text-encoding numbers and the exact signatures of the host functions.
// This header declares nothing of the plugin's own; both sides include it.
//
// Every function that crosses the boundary, the entry point, the host
// functions and the plugin's members alike, uses the C calling convention of
// its target (cdecl on 32-bit x86, the platform's one C convention elsewhere).
//
// Widths follow the target. The host's Integer is as wide as a pointer: 64
// bits on 64-bit targets, 32 bits on 32-bit ones, where host code declares
// Integer as Int32. Every member declared Integer, every count and size in
// the class records, the property getter's parameter and every host function
// that takes or gives an Integer follow it; Int64 is 64 bits everywhere. The
// record layouts below come from these declarations alone, and the
// static_asserts pin each one for both widths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

struct REALstringOpaque;
struct REALobjectOpaque;
using REALstring = REALstringOpaque*;
using REALobject = REALobjectOpaque*;

constexpr bool kHostIs64Bit = sizeof(void*) == 8;
static_assert(kHostIs64Bit || sizeof(void*) == 4, "a target with 4- or 8-byte pointers");
using RBInteger = std::conditional_t<kHostIs64Bit, int64_t, int32_t>;
using RBUInteger = std::make_unsigned_t<RBInteger>;  // counts and sizes of the records
using RBBoolean = bool;
static_assert(sizeof(RBInteger) == sizeof(void*));

// The one of two figures that holds for this target: a size or offset pinned
// for 64-bit targets and for 32-bit ones.
constexpr size_t ForPointerWidth(size_t on64Bit, size_t on32Bit) {
  return kHostIs64Bit ? on64Bit : on32Bit;
}

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
  RBInteger length;  // bytes
  void* hostPrivate;
};
static_assert(sizeof(StringData) == ForPointerWidth(0x18, 0x0C));

// A property row. getter/setter are function addresses, nullptr (setter:
// read-only) or kDirectField (the host reads/writes the field at `param`).
struct REALproperty {
  const char* group;
  const char* name;
  const char* type;
  uint32_t flags;
  void* getter;
  void* setter;
  RBInteger param;
  RBUInteger reserved[5];
};
static_assert(sizeof(REALproperty) == ForPointerWidth(0x60, 0x30));
static_assert(offsetof(REALproperty, flags) == ForPointerWidth(0x18, 0x0C));
static_assert(offsetof(REALproperty, getter) == ForPointerWidth(0x20, 0x10));
static_assert(offsetof(REALproperty, param) == ForPointerWidth(0x30, 0x18));

struct REALmethod {
  void* function;
  void* setter;
  const char* declaration;
  uint32_t flags;
  RBUInteger reserved[2];
};
static_assert(sizeof(REALmethod) == ForPointerWidth(0x30, 0x18));
static_assert(offsetof(REALmethod, declaration) == ForPointerWidth(0x10, 0x08));
static_assert(offsetof(REALmethod, flags) == ForPointerWidth(0x18, 0x0C));

struct REALclassDefinition {
  uint32_t version;
  const char* name;
  const char* superName;
  RBUInteger dataSize;
  RBUInteger hostSlot;  // the host writes the instance-data offset here
  void* constructor;
  void (*destructor)(REALobject instance);
  REALproperty* properties;
  RBUInteger propertyCount;
  REALmethod* methods;
  RBUInteger methodCount;
  void* events;
  RBUInteger eventCount;
  void* eventInstances;
  RBUInteger eventInstanceCount;
  const char* interfaces;
  void* attributes;
  RBUInteger attributeCount;
  void* constants;
  RBUInteger constantCount;
  uint32_t flags;
  REALproperty* sharedProperties;
  RBUInteger sharedPropertyCount;
  REALmethod* sharedMethods;
  RBUInteger sharedMethodCount;
  void* delegates;
  RBUInteger delegateCount;
  void* enums;
  RBUInteger enumCount;
};
static_assert(sizeof(REALclassDefinition) == ForPointerWidth(0xE8, 0x74));
static_assert(offsetof(REALclassDefinition, dataSize) == ForPointerWidth(0x18, 0x0C));
static_assert(offsetof(REALclassDefinition, hostSlot) == ForPointerWidth(0x20, 0x10));
static_assert(offsetof(REALclassDefinition, destructor) == ForPointerWidth(0x30, 0x18));
static_assert(offsetof(REALclassDefinition, properties) == ForPointerWidth(0x38, 0x1C));
static_assert(offsetof(REALclassDefinition, methods) == ForPointerWidth(0x48, 0x24));
static_assert(offsetof(REALclassDefinition, interfaces) == ForPointerWidth(0x78, 0x3C));
static_assert(offsetof(REALclassDefinition, flags) == ForPointerWidth(0xA0, 0x50));
static_assert(offsetof(REALclassDefinition, sharedProperties) == ForPointerWidth(0xA8, 0x54));
static_assert(offsetof(REALclassDefinition, sharedMethods) == ForPointerWidth(0xB8, 0x5C));
static_assert(offsetof(REALclassDefinition, enums) == ForPointerWidth(0xD8, 0x6C));

// Marks a property whose value the host reads or writes in the instance data
// block itself, at the offset given in `param`.
inline void* const kDirectField = reinterpret_cast<void*>(~uintptr_t{0});

// Signatures of the host functions, exactly as the host exports them.
namespace hostfn {
using REALGetRBVersion = double (*)();
using RegisterPluginVersion = void (*)(int32_t level);
using PluginRegisterClass = void (*)(REALclassDefinition* record);
using PluginNewInstance = REALobject (*)(const char* className);
using REALLockObject = void (*)(REALobject);
using REALUnlockObject = void (*)(REALobject);
using REALLockString = void (*)(REALstring);
using REALUnlockString = void (*)(REALstring);
using RuntimeRaiseException = void (*)(REALobject exception);
using REALSetPropValueString = bool (*)(REALobject, const char* prop, REALstring value);
using REALSetPropValueInteger = bool (*)(REALobject, const char* prop, RBInteger value);
using REALSetPropValueDouble = bool (*)(REALobject, const char* prop, double value);
using REALGetPropValueDouble = bool (*)(REALobject, const char* prop, double* out);
using REALLoadObjectMethod = void* (*)(REALobject, const char* declaration);
using REALLoadGlobalMethod = void* (*)(const char* module, const char* declaration);
using REALBuildString = REALstring (*)(const void* bytes, int32_t length);
using REALBuildStringWithEncoding = REALstring (*)(const void* bytes, int32_t length,
                                                   uint32_t encoding);
using REALSetStringEncoding = void (*)(REALstring, uint32_t encoding);
using REALConvertString = REALstring (*)(REALstring, uint32_t encoding);
using REALGetStringEncoding = uint32_t (*)(REALstring);
using PluginGetStringData = bool (*)(REALstring, uint32_t encoding, StringData* out);
using PluginDisposeStringData = void (*)(StringData*);
using StringGetCString = const char* (*)(REALstring);
using RuntimeAddString = REALstring (*)(REALstring, REALstring);
using RuntimeStringCompare = RBInteger (*)(REALstring, REALstring);
using RuntimeArrayCreateSingleDimBoundedArray = REALobject (*)(int32_t elementType,
                                                               RBInteger upperBound);
using RuntimeUBound = RBInteger (*)(REALobject array);
using RuntimeDirectReadObjectArray = REALobject (*)(REALobject array, RBInteger index);
using ObjectArrayInsertProc = void (*)(REALobject array, RBInteger index, REALobject value);
using PluginObjectArrayInsertProc = ObjectArrayInsertProc (*)(REALobject array);
using memoryBlockGetPtr = void* (*)(REALobject block);
using memoryBlockGetSize = RBInteger (*)(REALobject block);
using REALpathFromFolderItem = REALstring (*)(REALobject folderItem);

// Host global method "LenB( s as string ) as integer".
using LenB = RBInteger (*)(REALstring);
// Host class "Date" constructors.
using DateConstructor7 = void (*)(REALobject, RBInteger year, RBInteger month, RBInteger day,
                                  RBInteger hour, RBInteger minute, RBInteger second, double gmtOffset);
using DateConstructor6 = void (*)(REALobject, RBInteger year, RBInteger month, RBInteger day,
                                  RBInteger hour, RBInteger minute, RBInteger second);
}  // namespace hostfn

// The only function the plugin exports.
using PluginMainFn = void (*)(HostResolverFn resolver);
