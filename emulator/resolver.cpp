// The resolver handed to REALPluginMain: every host function by its name.
#include <cstring>

#include "functions.h"
#include "host.h"
#include "state.h"

namespace emu {
namespace {

struct ResolverEntry {
  const char* name;
  void* address;
};

template <class Function>
void* AddressOf(Function* function) {
  return reinterpret_cast<void*>(function);
}

// Every host function under the name the plugin asks for.
const ResolverEntry kResolverEntries[] = {
#define HOST_FUNCTION(Result, Name, Parameters, Arguments) {#Name, AddressOf(&hostcalls::Name)},
#include "runtime/host_functions.def"
};

}  // namespace

void* Host::Resolve(const char* name) {
  State* state = CurrentState();
  if (state == nullptr || name == nullptr) return nullptr;
  ++state->resolveCounts[name];
  if (state->withheld.count(std::string_view(name)) != 0) return nullptr;
  if (!state->options.hasVersionFunction && std::strcmp(name, "REALGetRBVersion") == 0) {
    return nullptr;
  }
  for (const ResolverEntry& function : kResolverEntries) {
    if (std::strcmp(function.name, name) == 0) return function.address;
  }
  return nullptr;
}

}  // namespace emu
