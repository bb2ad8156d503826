// Host memory blocks: a counted instance around a run of bytes, owned by the
// block unless host code made an odd one around bytes of its own.
#include <cstdlib>

#include "builtin_classes.h"
#include "functions.h"
#include "state.h"

namespace emu {
namespace {

MemoryBlockData* DataOf(REALobject block, const char* use) {
  State* state = CurrentState();
  if (state == nullptr) return nullptr;
  return state->builtInData<MemoryBlockData>(block, state->memoryBlockClass, use);
}

void DestroyMemoryBlock(REALobject block) {
  MemoryBlockData* data = DataOf(block, "memory block");
  if (data != nullptr && data->ownsBytes) std::free(data->bytes);
}

}  // namespace

REALclassDefinition MemoryBlockClassRecord = {
    0, "MemoryBlock", nullptr, sizeof(MemoryBlockData), 0, nullptr, &DestroyMemoryBlock,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
};

namespace hostcalls {

void* memoryBlockGetPtr(REALobject block) {
  MemoryBlockData* data = DataOf(block, "memoryBlockGetPtr");
  return data != nullptr ? data->bytes : nullptr;
}

int64_t memoryBlockGetSize(REALobject block) {
  MemoryBlockData* data = DataOf(block, "memoryBlockGetSize");
  return data != nullptr ? data->size : 0;
}

}  // namespace hostcalls
}  // namespace emu
