#include "host_timing.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

namespace hosttiming {
namespace {

using Clock = std::chrono::steady_clock;

// Splits the time of a run between the host's functions and everything else.
// Host functions can call back into the plugin (destructors run inside
// REALUnlockObject), so who runs is a stack.
class HostTimeMeter {
 public:
  void enter(bool host) {
    settle();
    if (host) ++hostCalls_;
    running_.push_back(host);
  }
  void leave() {
    settle();
    running_.pop_back();
  }
  void reset() {
    hostSeconds_ = 0;
    hostCalls_ = 0;
  }
  double hostSeconds() const { return hostSeconds_; }
  uint64_t hostCalls() const { return hostCalls_; }

 private:
  void settle() {
    const Clock::time_point now = Clock::now();
    if (!running_.empty() && running_.back()) {
      hostSeconds_ += std::chrono::duration<double>(now - since_).count();
    }
    since_ = now;
  }

  std::vector<bool> running_;
  Clock::time_point since_;
  double hostSeconds_ = 0;
  uint64_t hostCalls_ = 0;
};

HostTimeMeter meter;

class HostSpan {
 public:
  HostSpan() { meter.enter(true); }
  ~HostSpan() { meter.leave(); }
};

class PluginSpan {
 public:
  PluginSpan() { meter.enter(false); }
  ~PluginSpan() { meter.leave(); }
};

// One wrapper per host function: `Slot` keeps functions of the same
// signature apart.
template <size_t Slot, class Fn>
struct TimedHostFunction;

template <size_t Slot, class Result, class... Args>
struct TimedHostFunction<Slot, Result (*)(Args...)> {
  static inline Result (*original)(Args...) = nullptr;
  static Result Call(Args... args) {
    HostSpan span;
    return original(args...);
  }
  static void* Install(void* found) {
    original = reinterpret_cast<Result (*)(Args...)>(found);
    return reinterpret_cast<void*>(&Call);
  }
};

// Destructors and record constructors are the plugin's code called by the
// host; each class slot wraps them so their time is not the host's.
template <size_t Slot>
struct TimedClassCallbacks {
  static inline void (*constructor)(REALobject) = nullptr;
  static inline void (*destructor)(REALobject) = nullptr;
  static void Construct(REALobject instance) {
    PluginSpan span;
    constructor(instance);
  }
  static void Destroy(REALobject instance) {
    PluginSpan span;
    destructor(instance);
  }
};

struct ClassSlot {
  void (**constructor)(REALobject);
  void (**destructor)(REALobject);
  void (*construct)(REALobject);
  void (*destroy)(REALobject);
};

template <size_t... Slots>
std::array<ClassSlot, sizeof...(Slots)> MakeClassSlots(std::index_sequence<Slots...>) {
  return {{{&TimedClassCallbacks<Slots>::constructor, &TimedClassCallbacks<Slots>::destructor,
            &TimedClassCallbacks<Slots>::Construct, &TimedClassCallbacks<Slots>::Destroy}...}};
}

constexpr size_t kMostClasses = 16;
const std::array<ClassSlot, kMostClasses> kClassSlots =
    MakeClassSlots(std::make_index_sequence<kMostClasses>());
// The host keeps the record it was given; these copies carry the wrapped
// callbacks, and the host slot it writes is copied back to the plugin's own.
std::array<REALclassDefinition, kMostClasses> registeredCopies;
size_t registeredCount = 0;

HostResolverFn emulatorResolver = nullptr;
PluginMainFn timedPluginEntry = nullptr;

hostfn::PluginRegisterClass originalRegisterClass = nullptr;
void TimedRegisterClass(REALclassDefinition* record) {
  HostSpan span;
  if (record == nullptr || registeredCount == kMostClasses) {
    originalRegisterClass(record);
    return;
  }
  const ClassSlot& slot = kClassSlots[registeredCount];
  REALclassDefinition& copy = registeredCopies[registeredCount++];
  copy = *record;
  if (record->constructor != nullptr) {
    *slot.constructor = reinterpret_cast<void (*)(REALobject)>(record->constructor);
    copy.constructor = reinterpret_cast<void*>(slot.construct);
  }
  if (record->destructor != nullptr) {
    *slot.destructor = record->destructor;
    copy.destructor = slot.destroy;
  }
  originalRegisterClass(&copy);
  record->hostSlot = copy.hostSlot;
}

// The host hands out some functions as results: the array insert procedure,
// LenB and the Date constructors. They are timed too.
using InsertTimer = TimedHostFunction<100, hostfn::ObjectArrayInsertProc>;
hostfn::PluginObjectArrayInsertProc originalInsertProcOf = nullptr;
hostfn::ObjectArrayInsertProc TimedInsertProcOf(REALobject array) {
  HostSpan span;
  hostfn::ObjectArrayInsertProc insert = originalInsertProcOf(array);
  if (insert == nullptr) return nullptr;
  return reinterpret_cast<hostfn::ObjectArrayInsertProc>(
      InsertTimer::Install(reinterpret_cast<void*>(insert)));
}

using LenBTimer = TimedHostFunction<101, hostfn::LenB>;
hostfn::REALLoadGlobalMethod originalLoadGlobalMethod = nullptr;
void* TimedLoadGlobalMethod(const char* module, const char* declaration) {
  HostSpan span;
  void* method = originalLoadGlobalMethod(module, declaration);
  if (method == nullptr || declaration == nullptr ||
      std::strcmp(declaration, "LenB( s as string ) as integer") != 0) {
    return method;
  }
  return LenBTimer::Install(method);
}

using DateConstructor7Timer = TimedHostFunction<102, hostfn::DateConstructor7>;
using DateConstructor6Timer = TimedHostFunction<103, hostfn::DateConstructor6>;
hostfn::REALLoadObjectMethod originalLoadObjectMethod = nullptr;
void* TimedLoadObjectMethod(REALobject object, const char* declaration) {
  HostSpan span;
  void* method = originalLoadObjectMethod(object, declaration);
  if (method == nullptr || declaration == nullptr ||
      std::strncmp(declaration, "Constructor(Year", 16) != 0) {
    return method;
  }
  const auto parameters = std::count(declaration, declaration + std::strlen(declaration), ',') + 1;
  if (parameters == 7) return DateConstructor7Timer::Install(method);
  if (parameters == 6) return DateConstructor6Timer::Install(method);
  return method;
}

template <class Fn>
void* InstallSpecial(Fn& original, Fn timed, void* found) {
  original = reinterpret_cast<Fn>(found);
  return reinterpret_cast<void*>(timed);
}

struct Interposer {
  const char* name;
  void* (*install)(void* found);
};

const Interposer kInterposers[] = {
    {"REALGetRBVersion", &TimedHostFunction<0, hostfn::REALGetRBVersion>::Install},
    {"RegisterPluginVersion", &TimedHostFunction<1, hostfn::RegisterPluginVersion>::Install},
    {"PluginRegisterClass",
     [](void* found) { return InstallSpecial(originalRegisterClass, &TimedRegisterClass, found); }},
    {"PluginNewInstance", &TimedHostFunction<3, hostfn::PluginNewInstance>::Install},
    {"REALLockObject", &TimedHostFunction<4, hostfn::REALLockObject>::Install},
    {"REALUnlockObject", &TimedHostFunction<5, hostfn::REALUnlockObject>::Install},
    {"REALLockString", &TimedHostFunction<6, hostfn::REALLockString>::Install},
    {"REALUnlockString", &TimedHostFunction<7, hostfn::REALUnlockString>::Install},
    {"RuntimeRaiseException", &TimedHostFunction<8, hostfn::RuntimeRaiseException>::Install},
    {"REALSetPropValueString", &TimedHostFunction<9, hostfn::REALSetPropValueString>::Install},
    {"REALSetPropValueInteger", &TimedHostFunction<10, hostfn::REALSetPropValueInteger>::Install},
    {"REALSetPropValueDouble", &TimedHostFunction<11, hostfn::REALSetPropValueDouble>::Install},
    {"REALGetPropValueDouble", &TimedHostFunction<12, hostfn::REALGetPropValueDouble>::Install},
    {"REALLoadObjectMethod",
     [](void* found) { return InstallSpecial(originalLoadObjectMethod, &TimedLoadObjectMethod, found); }},
    {"REALLoadGlobalMethod",
     [](void* found) { return InstallSpecial(originalLoadGlobalMethod, &TimedLoadGlobalMethod, found); }},
    {"REALBuildString", &TimedHostFunction<15, hostfn::REALBuildString>::Install},
    {"REALBuildStringWithEncoding",
     &TimedHostFunction<16, hostfn::REALBuildStringWithEncoding>::Install},
    {"REALSetStringEncoding", &TimedHostFunction<17, hostfn::REALSetStringEncoding>::Install},
    {"REALConvertString", &TimedHostFunction<18, hostfn::REALConvertString>::Install},
    {"REALGetStringEncoding", &TimedHostFunction<19, hostfn::REALGetStringEncoding>::Install},
    {"PluginGetStringData", &TimedHostFunction<20, hostfn::PluginGetStringData>::Install},
    {"PluginDisposeStringData", &TimedHostFunction<21, hostfn::PluginDisposeStringData>::Install},
    {"StringGetCString", &TimedHostFunction<22, hostfn::StringGetCString>::Install},
    {"RuntimeAddString", &TimedHostFunction<23, hostfn::RuntimeAddString>::Install},
    {"RuntimeStringCompare", &TimedHostFunction<24, hostfn::RuntimeStringCompare>::Install},
    {"RuntimeArrayCreateSingleDimBoundedArray",
     &TimedHostFunction<25, hostfn::RuntimeArrayCreateSingleDimBoundedArray>::Install},
    {"RuntimeUBound", &TimedHostFunction<26, hostfn::RuntimeUBound>::Install},
    {"RuntimeDirectReadObjectArray",
     &TimedHostFunction<27, hostfn::RuntimeDirectReadObjectArray>::Install},
    {"PluginObjectArrayInsertProc",
     [](void* found) { return InstallSpecial(originalInsertProcOf, &TimedInsertProcOf, found); }},
    {"memoryBlockGetPtr", &TimedHostFunction<29, hostfn::memoryBlockGetPtr>::Install},
    {"memoryBlockGetSize", &TimedHostFunction<30, hostfn::memoryBlockGetSize>::Install},
    {"REALpathFromFolderItem", &TimedHostFunction<31, hostfn::REALpathFromFolderItem>::Install},
};

void* TimedResolve(const char* name) {
  void* found = emulatorResolver(name);
  if (found == nullptr || name == nullptr) return found;
  for (const Interposer& interposer : kInterposers) {
    if (std::strcmp(interposer.name, name) == 0) return interposer.install(found);
  }
  return found;
}

// Started by the host in place of the plugin's own entry, which it then calls
// with the timing resolver.
void TimedPluginMain(HostResolverFn resolver) {
  emulatorResolver = resolver;
  timedPluginEntry(&TimedResolve);
}

}  // namespace

void StartTimedPlugin(emu::Host& host, PluginMainFn pluginEntry) {
  registeredCount = 0;
  timedPluginEntry = pluginEntry;
  host.startPlugin(&TimedPluginMain);
}

void ResetHostTime() { meter.reset(); }

HostTime HostTimeSoFar() { return HostTime{meter.hostSeconds(), meter.hostCalls()}; }

CrossingCost MeasureCrossingCost() {
  constexpr int kCrossings = 200000;
  using EmptyTimer = TimedHostFunction<200, void (*)()>;
  EmptyTimer::Install(reinterpret_cast<void*>(+[] {}));
  void (*volatile call)() = &EmptyTimer::Call;
  meter.reset();
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < kCrossings; ++i) call();
  const double totalSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  CrossingCost cost{totalSeconds / kCrossings, meter.hostSeconds() / kCrossings};
  meter.reset();
  return cost;
}

}  // namespace hosttiming
