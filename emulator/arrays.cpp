// Host object arrays: a counted instance holding a list of elements, each
// with its own reference, dropped when the array dies.
#include <iterator>
#include <string>
#include <utility>

#include "builtin_classes.h"
#include "functions.h"
#include "state.h"

namespace emu {
namespace {

ObjectArrayData* DataOf(REALobject array, const char* use) {
  State* state = CurrentState();
  if (state == nullptr) return nullptr;
  return state->builtInData<ObjectArrayData>(array, state->arrayClass, use);
}

void InitializeArray(REALobject array) {
  if (ObjectArrayData* data = DataOf(array, "array")) data->elements = new std::vector<REALobject>;
}

void DestroyArray(REALobject array) {
  State* state = CurrentState();
  ObjectArrayData* data = DataOf(array, "array");
  if (state == nullptr || data == nullptr) return;
  std::vector<REALobject>* elements = std::exchange(data->elements, nullptr);
  for (REALobject element : *elements) state->unlockObject(element);
  delete elements;
}

void InsertIntoArray(REALobject array, int64_t index, REALobject value) {
  State* state = CurrentState();
  ObjectArrayData* data = DataOf(array, "array insert");
  if (state == nullptr || data == nullptr) return;
  auto size = static_cast<int64_t>(data->elements->size());
  if (index < 0 || index > size) {
    state->problems.push_back("array insert at index " + std::to_string(index) +
                              " of an array with upper bound " + std::to_string(size - 1));
    return;
  }
  state->lockObject(value);
  data->elements->insert(data->elements->begin() + index, value);
}

}  // namespace

REALclassDefinition ObjectArrayClassRecord = {
    0, "ObjectArray", nullptr, sizeof(ObjectArrayData), 0,
    reinterpret_cast<void*>(&InitializeArray), &DestroyArray,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
};

namespace hostcalls {

REALobject RuntimeArrayCreateSingleDimBoundedArray(int32_t elementType, int64_t upperBound) {
  State* state = CurrentState();
  if (state == nullptr || upperBound < -1) return nullptr;
  REALobject array = state->instantiate(*state->arrayClass);
  ObjectArrayData* data = DataOf(array, "array");
  if (data == nullptr) return nullptr;
  data->elementType = elementType;
  data->elements->resize(static_cast<size_t>(upperBound + 1), nullptr);
  return array;
}

int64_t RuntimeUBound(REALobject array) {
  ObjectArrayData* data = DataOf(array, "RuntimeUBound");
  return data != nullptr ? static_cast<int64_t>(data->elements->size()) - 1 : -1;
}

REALobject RuntimeDirectReadObjectArray(REALobject array, int64_t index) {
  State* state = CurrentState();
  ObjectArrayData* data = DataOf(array, "RuntimeDirectReadObjectArray");
  if (state == nullptr || data == nullptr) return nullptr;
  auto size = static_cast<int64_t>(data->elements->size());
  if (index < 0 || index >= size) {
    state->problems.push_back("RuntimeDirectReadObjectArray: index " + std::to_string(index) +
                              " of an array with upper bound " + std::to_string(size - 1));
    return nullptr;
  }
  REALobject element = (*data->elements)[static_cast<size_t>(index)];
  state->lockObject(element);
  return element;
}

hostfn::ObjectArrayInsertProc PluginObjectArrayInsertProc(REALobject array) {
  return DataOf(array, "PluginObjectArrayInsertProc") != nullptr ? &InsertIntoArray : nullptr;
}

}  // namespace hostcalls
}  // namespace emu
