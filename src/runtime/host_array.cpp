#include "runtime/host_array.h"

#include "runtime/host_binding.h"

namespace {

// The host's element type of an array of objects.
constexpr int32_t kObjectElementType = 4;

}  // namespace

HostObject CreateObjectArray() {
  return HostObject(RuntimeArrayCreateSingleDimBoundedArray(kObjectElementType, -1));
}

void AppendToObjectArray(REALobject array, REALobject value) {
  if (array == nullptr) return;
  hostfn::ObjectArrayInsertProc insert = PluginObjectArrayInsertProc(array);
  if (insert == nullptr) return;
  insert(array, RuntimeUBound(array) + 1, value);
}

int64_t ObjectArrayUBound(REALobject array) {
  if (array == nullptr) return -1;
  return RuntimeUBound(array);
}
