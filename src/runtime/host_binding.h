// The plugin's side of the host boundary: start-up (version, interface level,
// class registration) and one forwarding function per host function.
//
// Each forwarding function has the host function's own name and signature.
// It resolves the host function by name on first use and caches the address;
// when the host lacks the function it returns nil/0/false, does nothing, and
// asks the resolver again on the next call.
#pragma once

#include "runtime/host_api.h"

// Process-wide start-up state.
double HostVersion();  // 0.0 until REALGetRBVersion answered
int32_t SdkLevel();    // 9 to 13, derived from HostVersion

// Start-up as REALPluginMain runs it: store the resolver, read the host
// version, announce the interface level, read the debug switch and register
// `classes` in the order given. A nil resolver registers nothing.
void StartPlugin(HostResolverFn resolver, REALclassDefinition* const* classes, size_t classCount);

// The pieces of start-up, exposed for tests.
int32_t SdkLevelForVersion(double hostVersion);
uint32_t AdaptFlagToHost(uint32_t flags, double hostVersion);
void AdaptFlagsToHost(REALclassDefinition& record);
void RegisterClassRecord(REALclassDefinition& record);

// The instance data block of `instance` for the class described by `record`:
// instance address plus the offset the host wrote into the record's host slot,
// read at every access.
template <class Record>
Record* InstanceData(REALobject instance, const REALclassDefinition& record) {
  if (instance == nullptr) return nullptr;
  return reinterpret_cast<Record*>(reinterpret_cast<char*>(instance) + record.hostSlot);
}

// Asks the resolver given at start-up for a host function by name; nil when
// there is no resolver or the host lacks the function. Never cached.
void* ResolveHostFunction(const char* name);

// The cache word of one host function, keyed by the host's name for it. The
// word starts out holding a stub that asks the resolver, stores the answer in
// the word and calls it; when the host lacks the function the stub returns the
// neutral result (nil, 0, false) and stays, so the next call asks again.
// Once resolved, a call is one load and one indirect call: the lock and unlock
// functions run on nearly every step, so there is no test on that path.
template <const char* Name, class Fn>
struct HostFunction;

template <const char* Name, class Result, class... Args>
struct HostFunction<Name, Result (*)(Args...)> {
  static Result ResolveAndCall(Args... args) {
    auto found = reinterpret_cast<Result (*)(Args...)>(ResolveHostFunction(Name));
    if (found == nullptr) return Result();
    slot = found;
    return found(args...);
  }
  static inline Result (*slot)(Args...) = &ResolveAndCall;
};

// One forwarding function per host function, with the host's name and
// signature.
#define HOST_FUNCTION(Result, Name, Parameters, Arguments) Result Name Parameters;
#include "runtime/host_functions.def"
