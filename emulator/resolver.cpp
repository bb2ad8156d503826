// The resolver handed to REALPluginMain: every host function by its name.
#include <cstring>

#include "functions.h"
#include "state.h"

namespace emu {
namespace {

struct HostFunction {
  const char* name;
  void* address;
};

template <class Function>
void* AddressOf(Function* function) {
  return reinterpret_cast<void*>(function);
}

const HostFunction kHostFunctions[] = {
    {"REALGetRBVersion", AddressOf(&hostcalls::REALGetRBVersion)},
    {"RegisterPluginVersion", AddressOf(&hostcalls::RegisterPluginVersion)},
    {"PluginRegisterClass", AddressOf(&hostcalls::PluginRegisterClass)},
    {"PluginNewInstance", AddressOf(&hostcalls::PluginNewInstance)},
    {"REALLockObject", AddressOf(&hostcalls::REALLockObject)},
    {"REALUnlockObject", AddressOf(&hostcalls::REALUnlockObject)},
    {"REALLockString", AddressOf(&hostcalls::REALLockString)},
    {"REALUnlockString", AddressOf(&hostcalls::REALUnlockString)},
    {"RuntimeRaiseException", AddressOf(&hostcalls::RuntimeRaiseException)},
    {"REALSetPropValueString", AddressOf(&hostcalls::REALSetPropValueString)},
    {"REALSetPropValueInteger", AddressOf(&hostcalls::REALSetPropValueInteger)},
    {"REALSetPropValueDouble", AddressOf(&hostcalls::REALSetPropValueDouble)},
    {"REALGetPropValueDouble", AddressOf(&hostcalls::REALGetPropValueDouble)},
    {"REALLoadObjectMethod", AddressOf(&hostcalls::REALLoadObjectMethod)},
    {"REALLoadGlobalMethod", AddressOf(&hostcalls::REALLoadGlobalMethod)},
    {"REALBuildString", AddressOf(&hostcalls::REALBuildString)},
    {"REALBuildStringWithEncoding", AddressOf(&hostcalls::REALBuildStringWithEncoding)},
    {"REALSetStringEncoding", AddressOf(&hostcalls::REALSetStringEncoding)},
    {"REALConvertString", AddressOf(&hostcalls::REALConvertString)},
    {"REALGetStringEncoding", AddressOf(&hostcalls::REALGetStringEncoding)},
    {"PluginGetStringData", AddressOf(&hostcalls::PluginGetStringData)},
    {"PluginDisposeStringData", AddressOf(&hostcalls::PluginDisposeStringData)},
    {"StringGetCString", AddressOf(&hostcalls::StringGetCString)},
    {"RuntimeAddString", AddressOf(&hostcalls::RuntimeAddString)},
    {"RuntimeStringCompare", AddressOf(&hostcalls::RuntimeStringCompare)},
    {"RuntimeArrayCreateSingleDimBoundedArray",
     AddressOf(&hostcalls::RuntimeArrayCreateSingleDimBoundedArray)},
    {"RuntimeUBound", AddressOf(&hostcalls::RuntimeUBound)},
    {"RuntimeDirectReadObjectArray", AddressOf(&hostcalls::RuntimeDirectReadObjectArray)},
    {"PluginObjectArrayInsertProc", AddressOf(&hostcalls::PluginObjectArrayInsertProc)},
    {"memoryBlockGetPtr", AddressOf(&hostcalls::memoryBlockGetPtr)},
    {"memoryBlockGetSize", AddressOf(&hostcalls::memoryBlockGetSize)},
    {"REALpathFromFolderItem", AddressOf(&hostcalls::REALpathFromFolderItem)},
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
