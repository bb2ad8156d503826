#include "runtime/host_binding.h"

#include <cstdint>

#include "runtime/debug_log.h"

namespace {

HostResolverFn hostResolver = nullptr;
double hostVersion = 0.0;
int32_t sdkLevel = 9;

constexpr uint32_t kDateFlagMask = 0x708;
constexpr uint32_t kDateFlagBits = 0x308;
constexpr uint32_t kPlainMemberFlag = 0x4;
constexpr uint32_t kObsoleteFlag = 0x40000;

// Rewrites every flag word of a record list in place.
template <class Record>
void AdaptListToHost(Record* records, uint64_t count) {
  for (uint64_t i = 0; i < count; ++i) records[i].flags = AdaptFlagToHost(records[i].flags, hostVersion);
}

// A host boolean is only defined in its low byte; reading it as a C++ bool
// would trust the other bits of the register too.
template <class Fn>
struct LowByteResult;
template <class... Args>
struct LowByteResult<bool (*)(Args...)> {
  using type = uint8_t (*)(Args...);
};

template <const char* Name, class Fn, class... Args>
auto CallHost(Args... args) {
  return HostFunction<Name, Fn>::slot(args...);
}

template <const char* Name, class Fn, class... Args>
bool CallHostForBool(Args... args) {
  return HostFunction<Name, typename LowByteResult<Fn>::type>::slot(args...) != 0;
}

// The host's names, which key the cache words.
constexpr char kREALGetRBVersion[] = "REALGetRBVersion";
constexpr char kRegisterPluginVersion[] = "RegisterPluginVersion";
constexpr char kPluginRegisterClass[] = "PluginRegisterClass";
constexpr char kPluginNewInstance[] = "PluginNewInstance";
constexpr char kREALLockObject[] = "REALLockObject";
constexpr char kREALUnlockObject[] = "REALUnlockObject";
constexpr char kREALLockString[] = "REALLockString";
constexpr char kREALUnlockString[] = "REALUnlockString";
constexpr char kRuntimeRaiseException[] = "RuntimeRaiseException";
constexpr char kREALSetPropValueString[] = "REALSetPropValueString";
constexpr char kREALSetPropValueInteger[] = "REALSetPropValueInteger";
constexpr char kREALSetPropValueDouble[] = "REALSetPropValueDouble";
constexpr char kREALGetPropValueDouble[] = "REALGetPropValueDouble";
constexpr char kREALLoadObjectMethod[] = "REALLoadObjectMethod";
constexpr char kREALLoadGlobalMethod[] = "REALLoadGlobalMethod";
constexpr char kREALBuildString[] = "REALBuildString";
constexpr char kREALBuildStringWithEncoding[] = "REALBuildStringWithEncoding";
constexpr char kREALSetStringEncoding[] = "REALSetStringEncoding";
constexpr char kREALConvertString[] = "REALConvertString";
constexpr char kREALGetStringEncoding[] = "REALGetStringEncoding";
constexpr char kPluginGetStringData[] = "PluginGetStringData";
constexpr char kPluginDisposeStringData[] = "PluginDisposeStringData";
constexpr char kStringGetCString[] = "StringGetCString";
constexpr char kRuntimeAddString[] = "RuntimeAddString";
constexpr char kRuntimeStringCompare[] = "RuntimeStringCompare";
constexpr char kRuntimeArrayCreateSingleDimBoundedArray[] =
    "RuntimeArrayCreateSingleDimBoundedArray";
constexpr char kRuntimeUBound[] = "RuntimeUBound";
constexpr char kRuntimeDirectReadObjectArray[] = "RuntimeDirectReadObjectArray";
constexpr char kPluginObjectArrayInsertProc[] = "PluginObjectArrayInsertProc";
constexpr char kmemoryBlockGetPtr[] = "memoryBlockGetPtr";
constexpr char kmemoryBlockGetSize[] = "memoryBlockGetSize";
constexpr char kREALpathFromFolderItem[] = "REALpathFromFolderItem";

}  // namespace

double HostVersion() { return hostVersion; }
int32_t SdkLevel() { return sdkLevel; }

void* ResolveHostFunction(const char* name) {
  if (hostResolver == nullptr) return nullptr;
  return hostResolver(name);
}

int32_t SdkLevelForVersion(double version) {
  if (version >= 2013.04) return 13;
  if (version >= 2013.03) return 12;
  if (version >= 2013.0) return 11;
  if (version >= 2012.0) return 10;
  return 9;
}

// Hosts before 2020.02 do not know the flag combination that marks the Date
// properties, and hosts of any age no longer know the obsolete bit; both are
// replaced by the plain member flag those hosts expect.
uint32_t AdaptFlagToHost(uint32_t flags, double version) {
  if (version < 2020.02 && (flags & kDateFlagMask) == kDateFlagBits) {
    flags = (flags & ~kDateFlagBits) | kPlainMemberFlag;
  }
  if ((flags & kObsoleteFlag) != 0) {
    flags &= ~kObsoleteFlag;
    if (version >= 2010.029) flags |= kPlainMemberFlag;
  }
  return flags;
}

void AdaptFlagsToHost(REALclassDefinition& record) {
  record.flags = AdaptFlagToHost(record.flags, hostVersion);
  AdaptListToHost(record.methods, record.methodCount);
  AdaptListToHost(record.sharedMethods, record.sharedMethodCount);
  AdaptListToHost(record.properties, record.propertyCount);
  AdaptListToHost(record.sharedProperties, record.sharedPropertyCount);
}

void RegisterClassRecord(REALclassDefinition& record) {
  AdaptFlagsToHost(record);
  record.dataSize = (record.dataSize + 15) & ~RBUInteger{15};
  record.version = static_cast<uint32_t>(sdkLevel);
  PluginRegisterClass(&record);
}

// The version and the interface level are asked of the resolver directly
// rather than through the cache: they are used once, here, and must reflect
// the host that is starting the plugin now.
void StartPlugin(HostResolverFn resolver, REALclassDefinition* const* classes, size_t classCount) {
  hostResolver = resolver;
  if (resolver != nullptr) {
    auto getVersion = reinterpret_cast<hostfn::REALGetRBVersion>(resolver(kREALGetRBVersion));
    if (getVersion != nullptr) hostVersion = getVersion();
  }
  sdkLevel = SdkLevelForVersion(hostVersion);
  if (resolver == nullptr) return;

  auto registerVersion =
      reinterpret_cast<hostfn::RegisterPluginVersion>(resolver(kRegisterPluginVersion));
  if (registerVersion != nullptr) registerVersion(sdkLevel);

  ReadDebugSwitch();
  for (size_t i = 0; i < classCount; ++i) RegisterClassRecord(*classes[i]);
}

// ---- forwarding functions, one per host function ---------------------------

double REALGetRBVersion() { return CallHost<kREALGetRBVersion, hostfn::REALGetRBVersion>(); }
void RegisterPluginVersion(int32_t level) {
  CallHost<kRegisterPluginVersion, hostfn::RegisterPluginVersion>(level);
}
void PluginRegisterClass(REALclassDefinition* record) {
  CallHost<kPluginRegisterClass, hostfn::PluginRegisterClass>(record);
}
REALobject PluginNewInstance(const char* className) {
  return CallHost<kPluginNewInstance, hostfn::PluginNewInstance>(className);
}
void REALLockObject(REALobject object) {
  CallHost<kREALLockObject, hostfn::REALLockObject>(object);
}
void REALUnlockObject(REALobject object) {
  CallHost<kREALUnlockObject, hostfn::REALUnlockObject>(object);
}
void REALLockString(REALstring text) { CallHost<kREALLockString, hostfn::REALLockString>(text); }
void REALUnlockString(REALstring text) {
  CallHost<kREALUnlockString, hostfn::REALUnlockString>(text);
}
void RuntimeRaiseException(REALobject exception) {
  CallHost<kRuntimeRaiseException, hostfn::RuntimeRaiseException>(exception);
}
bool REALSetPropValueString(REALobject object, const char* prop, REALstring value) {
  return CallHostForBool<kREALSetPropValueString, hostfn::REALSetPropValueString>(object, prop,
                                                                                   value);
}
bool REALSetPropValueInteger(REALobject object, const char* prop, RBInteger value) {
  return CallHostForBool<kREALSetPropValueInteger, hostfn::REALSetPropValueInteger>(object, prop,
                                                                                     value);
}
bool REALSetPropValueDouble(REALobject object, const char* prop, double value) {
  return CallHostForBool<kREALSetPropValueDouble, hostfn::REALSetPropValueDouble>(object, prop,
                                                                                   value);
}
bool REALGetPropValueDouble(REALobject object, const char* prop, double* out) {
  return CallHostForBool<kREALGetPropValueDouble, hostfn::REALGetPropValueDouble>(object, prop,
                                                                                   out);
}
void* REALLoadObjectMethod(REALobject object, const char* declaration) {
  return CallHost<kREALLoadObjectMethod, hostfn::REALLoadObjectMethod>(object, declaration);
}
void* REALLoadGlobalMethod(const char* module, const char* declaration) {
  return CallHost<kREALLoadGlobalMethod, hostfn::REALLoadGlobalMethod>(module, declaration);
}
REALstring REALBuildString(const void* bytes, int32_t length) {
  return CallHost<kREALBuildString, hostfn::REALBuildString>(bytes, length);
}
REALstring REALBuildStringWithEncoding(const void* bytes, int32_t length, uint32_t encoding) {
  return CallHost<kREALBuildStringWithEncoding, hostfn::REALBuildStringWithEncoding>(
      bytes, length, encoding);
}
void REALSetStringEncoding(REALstring text, uint32_t encoding) {
  CallHost<kREALSetStringEncoding, hostfn::REALSetStringEncoding>(text, encoding);
}
REALstring REALConvertString(REALstring text, uint32_t encoding) {
  return CallHost<kREALConvertString, hostfn::REALConvertString>(text, encoding);
}
uint32_t REALGetStringEncoding(REALstring text) {
  return CallHost<kREALGetStringEncoding, hostfn::REALGetStringEncoding>(text);
}
bool PluginGetStringData(REALstring text, uint32_t encoding, StringData* out) {
  return CallHostForBool<kPluginGetStringData, hostfn::PluginGetStringData>(text, encoding, out);
}
void PluginDisposeStringData(StringData* data) {
  CallHost<kPluginDisposeStringData, hostfn::PluginDisposeStringData>(data);
}
const char* StringGetCString(REALstring text) {
  return CallHost<kStringGetCString, hostfn::StringGetCString>(text);
}
REALstring RuntimeAddString(REALstring first, REALstring second) {
  return CallHost<kRuntimeAddString, hostfn::RuntimeAddString>(first, second);
}
RBInteger RuntimeStringCompare(REALstring first, REALstring second) {
  return CallHost<kRuntimeStringCompare, hostfn::RuntimeStringCompare>(first, second);
}
REALobject RuntimeArrayCreateSingleDimBoundedArray(int32_t elementType, RBInteger upperBound) {
  return CallHost<kRuntimeArrayCreateSingleDimBoundedArray,
                  hostfn::RuntimeArrayCreateSingleDimBoundedArray>(elementType, upperBound);
}
RBInteger RuntimeUBound(REALobject array) {
  return CallHost<kRuntimeUBound, hostfn::RuntimeUBound>(array);
}
REALobject RuntimeDirectReadObjectArray(REALobject array, RBInteger index) {
  return CallHost<kRuntimeDirectReadObjectArray, hostfn::RuntimeDirectReadObjectArray>(array,
                                                                                       index);
}
hostfn::ObjectArrayInsertProc PluginObjectArrayInsertProc(REALobject array) {
  return CallHost<kPluginObjectArrayInsertProc, hostfn::PluginObjectArrayInsertProc>(array);
}
void* memoryBlockGetPtr(REALobject block) {
  return CallHost<kmemoryBlockGetPtr, hostfn::memoryBlockGetPtr>(block);
}
RBInteger memoryBlockGetSize(REALobject block) {
  return CallHost<kmemoryBlockGetSize, hostfn::memoryBlockGetSize>(block);
}
REALstring REALpathFromFolderItem(REALobject folderItem) {
  return CallHost<kREALpathFromFolderItem, hostfn::REALpathFromFolderItem>(folderItem);
}
