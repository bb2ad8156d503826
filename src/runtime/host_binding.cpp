#include "runtime/host_binding.h"

#include <cstdint>

#include "runtime/debug_log.h"
#include "runtime/member_flags.h"

namespace {

HostResolverFn hostResolver = nullptr;
double hostVersion = 0.0;
int32_t sdkLevel = 9;

// Rewrites every flag word of a record list in place.
template <class Record>
void AdaptListToHost(Record* records, uint64_t count) {
  for (uint64_t i = 0; i < count; ++i) records[i].flags = AdaptFlagToHost(records[i].flags, hostVersion);
}

// A host boolean is only defined in its low byte; reading it as a C++ bool
// would trust the other bits of the register too, so such a function is
// called as one returning a byte.
template <class Fn>
struct LowByteResult {
  static constexpr bool applies = false;
};
template <class... Args>
struct LowByteResult<bool (*)(Args...)> {
  static constexpr bool applies = true;
  using type = uint8_t (*)(Args...);
};

template <const char* Name, class Fn, class... Args>
auto CallHost(Args... args) {
  if constexpr (LowByteResult<Fn>::applies) {
    return HostFunction<Name, typename LowByteResult<Fn>::type>::slot(args...) != 0;
  } else {
    return HostFunction<Name, Fn>::slot(args...);
  }
}

// The host's name of each host function, which keys its cache word.
#define HOST_FUNCTION(Result, Name, Parameters, Arguments) constexpr char k##Name[] = #Name;
#include "runtime/host_functions.def"

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
  if (version < 2020.02 && (flags & kDatePropertyMask) == kDatePropertyBits) {
    flags = (flags & ~kDatePropertyBits) | kPublicMemberBit;
  }
  if ((flags & kObsoleteMemberBit) != 0) {
    flags &= ~kObsoleteMemberBit;
    if (version >= 2010.029) flags |= kPublicMemberBit;
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
  record.dataSize = (record.dataSize + 15) & ~uint64_t{15};
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

// The forwarding functions: each calls the host function through its cache
// word (a host boolean is read from its low byte only).
#define HOST_FUNCTION(Result, Name, Parameters, Arguments) \
  Result Name Parameters { return CallHost<k##Name, hostfn::Name> Arguments; }
#include "runtime/host_functions.def"
