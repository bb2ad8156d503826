// The life of a host's state: built-in classes at birth, dead handles kept
// for a while, and everything freed at the end.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "builtin_classes.h"
#include "host_state.h"
#include "plugin_loader.h"

namespace emu {
namespace {

void FreeRecordMemory(void* memory, bool isString) {
  if (isString) {
    FreeStringRecord(static_cast<StringRecord*>(memory));
  } else {
    std::free(memory);
  }
}

std::string HandleText(const void* handle) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", handle);
  return text;
}

}  // namespace

Host::State::State(Options hostOptions) : options(std::move(hostOptions)) {
  withheld.insert(options.withheld.begin(), options.withheld.end());
  dateClass = registerClass(&DateClassRecord, true);
  arrayClass = registerClass(&ObjectArrayClassRecord, true);
  memoryBlockClass = registerClass(&MemoryBlockClassRecord, true);
  folderItemClass = registerClass(&FolderItemClassRecord, true);
  exceptionClass = registerClass(ExceptionClassRecords[0], true);
  for (size_t i = 1; i < ExceptionClassCount; ++i) registerClass(ExceptionClassRecords[i], true);
}

Host::State::~State() {
  freeEverything();
  plugin.reset();
}

void Host::State::bury(void* memory, bool isString) {
  if (options.keptDeadHandles == 0) {
    FreeRecordMemory(memory, isString);
    return;
  }
  deadHandles.push_back(DeadHandle{memory, isString});
  if (deadHandles.size() <= options.keptDeadHandles) return;
  FreeRecordMemory(deadHandles.front().memory, deadHandles.front().isString);
  deadHandles.pop_front();
}

void Host::State::reportBadHandle(const void* handle, bool isString, const char* use) {
  auto dead = std::find_if(deadHandles.rbegin(), deadHandles.rend(),
                           [&](const DeadHandle& entry) { return entry.memory == handle; });
  if (dead != deadHandles.rend()) {
    std::string description =
        dead->isString ? DescribeString(*static_cast<const StringRecord*>(dead->memory))
                       : "object " + static_cast<const ObjectRecord*>(dead->memory)->cls->name;
    problems.push_back(std::string(use) + ": " + description + " is already dead");
    return;
  }
  bool anObject = liveObjects.contains(static_cast<const ObjectRecord*>(handle));
  bool aString = liveStrings.contains(static_cast<const StringRecord*>(handle));
  if (isString && anObject) {
    problems.push_back(std::string(use) + ": given an object where a string belongs");
  } else if (!isString && aString) {
    problems.push_back(std::string(use) + ": given a string where an object belongs");
  } else {
    problems.push_back(std::string(use) + ": unknown " + (isString ? "string" : "object") +
                       " handle " + HandleText(handle));
  }
}

// Leaks have been reported by now; what is left is freed without running the
// plugin's destructors (its code may be on its way out), but built-in classes
// still give back the host memory they hold.
void Host::State::freeEverything() {
  tearingDown = true;
  liveObjects.forEach([](ObjectRecord* record) {
    auto* instance = reinterpret_cast<REALobject>(record);
    for (const ClassInfo* cls = record->cls; cls != nullptr; cls = cls->super) {
      if (cls->builtIn && cls->record->destructor != nullptr) cls->record->destructor(instance);
    }
  });
  liveObjects.forEach([](ObjectRecord* record) { std::free(record); });
  liveObjects.clear();
  liveStrings.forEach([](StringRecord* record) { FreeStringRecord(record); });
  liveStrings.clear();
  for (std::string* buffer : stringDataBuffers) delete buffer;
  stringDataBuffers.clear();
  for (const DeadHandle& dead : deadHandles) FreeRecordMemory(dead.memory, dead.isString);
  deadHandles.clear();
}

}  // namespace emu
