// The resolver handed to REALPluginMain: every host function by its name.
#include <cstring>

#include "host_functions.h"
#include "host_state.h"

namespace emu {
namespace {

struct HostFunction {
  const char* name;
  void* address;
};

// Each function goes out as the exact type the plugin calls it through, so a
// signature that drifts from host_api.h (an Integer of the wrong width on
// one target) stops the build.
template <class Typed>
void* AddressOf(Typed function) {
  return reinterpret_cast<void*>(function);
}

const HostFunction kHostFunctions[] = {
    {"REALGetRBVersion", AddressOf<hostfn::REALGetRBVersion>(&hostcalls::REALGetRBVersion)},
    {"RegisterPluginVersion", AddressOf<hostfn::RegisterPluginVersion>(&hostcalls::RegisterPluginVersion)},
    {"PluginRegisterClass", AddressOf<hostfn::PluginRegisterClass>(&hostcalls::PluginRegisterClass)},
    {"PluginNewInstance", AddressOf<hostfn::PluginNewInstance>(&hostcalls::PluginNewInstance)},
    {"REALLockObject", AddressOf<hostfn::REALLockObject>(&hostcalls::REALLockObject)},
    {"REALUnlockObject", AddressOf<hostfn::REALUnlockObject>(&hostcalls::REALUnlockObject)},
    {"REALLockString", AddressOf<hostfn::REALLockString>(&hostcalls::REALLockString)},
    {"REALUnlockString", AddressOf<hostfn::REALUnlockString>(&hostcalls::REALUnlockString)},
    {"RuntimeRaiseException", AddressOf<hostfn::RuntimeRaiseException>(&hostcalls::RuntimeRaiseException)},
    {"REALSetPropValueString", AddressOf<hostfn::REALSetPropValueString>(&hostcalls::REALSetPropValueString)},
    {"REALSetPropValueInteger", AddressOf<hostfn::REALSetPropValueInteger>(&hostcalls::REALSetPropValueInteger)},
    {"REALSetPropValueDouble", AddressOf<hostfn::REALSetPropValueDouble>(&hostcalls::REALSetPropValueDouble)},
    {"REALGetPropValueDouble", AddressOf<hostfn::REALGetPropValueDouble>(&hostcalls::REALGetPropValueDouble)},
    {"REALLoadObjectMethod", AddressOf<hostfn::REALLoadObjectMethod>(&hostcalls::REALLoadObjectMethod)},
    {"REALLoadGlobalMethod", AddressOf<hostfn::REALLoadGlobalMethod>(&hostcalls::REALLoadGlobalMethod)},
    {"REALBuildString", AddressOf<hostfn::REALBuildString>(&hostcalls::REALBuildString)},
    {"REALBuildStringWithEncoding", AddressOf<hostfn::REALBuildStringWithEncoding>(&hostcalls::REALBuildStringWithEncoding)},
    {"REALSetStringEncoding", AddressOf<hostfn::REALSetStringEncoding>(&hostcalls::REALSetStringEncoding)},
    {"REALConvertString", AddressOf<hostfn::REALConvertString>(&hostcalls::REALConvertString)},
    {"REALGetStringEncoding", AddressOf<hostfn::REALGetStringEncoding>(&hostcalls::REALGetStringEncoding)},
    {"PluginGetStringData", AddressOf<hostfn::PluginGetStringData>(&hostcalls::PluginGetStringData)},
    {"PluginDisposeStringData", AddressOf<hostfn::PluginDisposeStringData>(&hostcalls::PluginDisposeStringData)},
    {"StringGetCString", AddressOf<hostfn::StringGetCString>(&hostcalls::StringGetCString)},
    {"RuntimeAddString", AddressOf<hostfn::RuntimeAddString>(&hostcalls::RuntimeAddString)},
    {"RuntimeStringCompare", AddressOf<hostfn::RuntimeStringCompare>(&hostcalls::RuntimeStringCompare)},
    {"RuntimeArrayCreateSingleDimBoundedArray",
     AddressOf<hostfn::RuntimeArrayCreateSingleDimBoundedArray>(&hostcalls::RuntimeArrayCreateSingleDimBoundedArray)},
    {"RuntimeUBound", AddressOf<hostfn::RuntimeUBound>(&hostcalls::RuntimeUBound)},
    {"RuntimeDirectReadObjectArray", AddressOf<hostfn::RuntimeDirectReadObjectArray>(&hostcalls::RuntimeDirectReadObjectArray)},
    {"PluginObjectArrayInsertProc", AddressOf<hostfn::PluginObjectArrayInsertProc>(&hostcalls::PluginObjectArrayInsertProc)},
    {"memoryBlockGetPtr", AddressOf<hostfn::memoryBlockGetPtr>(&hostcalls::memoryBlockGetPtr)},
    {"memoryBlockGetSize", AddressOf<hostfn::memoryBlockGetSize>(&hostcalls::memoryBlockGetSize)},
    {"REALpathFromFolderItem", AddressOf<hostfn::REALpathFromFolderItem>(&hostcalls::REALpathFromFolderItem)},
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
  for (const HostFunction& function : kHostFunctions) {
    if (std::strcmp(function.name, name) == 0) return function.address;
  }
  return nullptr;
}

}  // namespace emu
