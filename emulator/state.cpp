// The life of a host's state: built-in classes at birth, dead handles kept
// for a while, and everything freed at the end.
#include <cstdio>

#include "builtin_classes.h"
#include "plugin_loader.h"
#include "state.h"

namespace emu {
namespace {

std::string HandleText(const void* handle) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", handle);
  return text;
}

}  // namespace

State::State(HostOptions hostOptions) : options(std::move(hostOptions)) {
  withheld.insert(options.withheld.begin(), options.withheld.end());
  dateClass = registerClass(&DateClassRecord, true);
  arrayClass = registerClass(&ObjectArrayClassRecord, true);
  memoryBlockClass = registerClass(&MemoryBlockClassRecord, true);
  folderItemClass = registerClass(&FolderItemClassRecord, true);
  exceptionClass = registerClass(ExceptionClassRecords[0], true);
  for (size_t i = 1; i < ExceptionClassCount; ++i) registerClass(ExceptionClassRecords[i], true);
}

State::~State() {
  freeEverything();
  plugin.reset();
}

void State::freeRecord(void* record, RecordKind kind) {
  if (kind == RecordKind::kString) {
    FreeStringRecord(records, static_cast<StringRecord*>(record));
  } else {
    records.release(record);
  }
}

void State::bury(void* record, RecordKind kind) {
  if (options.keptDeadHandles == 0) {
    freeRecord(record, kind);
    return;
  }
  records.setState(record, RecordState::kDead);
  deadHandles.push_back(DeadHandle{record, kind});
  if (deadHandles.size() <= options.keptDeadHandles) return;
  freeRecord(deadHandles.front().record, deadHandles.front().kind);
  deadHandles.pop_front();
}

void State::reportBadHandle(const void* handle, bool isString, const char* use) {
  const RecordArena::Found found = records.find(handle);
  const bool aString = found.kind == RecordKind::kString;
  if (found.state == RecordState::kDead) {
    std::string description =
        aString ? DescribeString(*static_cast<const StringRecord*>(handle))
                : "object " + static_cast<const ObjectRecord*>(handle)->cls->name;
    problems.push_back(std::string(use) + ": " + description + " is already dead");
  } else if (found.state == RecordState::kLive && isString != aString) {
    problems.push_back(std::string(use) + (aString ? ": given a string where an object belongs"
                                                   : ": given an object where a string belongs"));
  } else {
    problems.push_back(std::string(use) + ": unknown " + (isString ? "string" : "object") +
                       " handle " + HandleText(handle));
  }
}

// Leaks have been reported by now; what is left is freed without running the
// plugin's destructors (its code may be on its way out), but built-in classes
// still give back the host memory they hold. The slabs themselves go with
// the arena.
void State::freeEverything() {
  tearingDown = true;
  records.forEach(RecordKind::kObject, RecordState::kLive, [](void* memory) {
    auto* record = static_cast<ObjectRecord*>(memory);
    auto* instance = reinterpret_cast<REALobject>(record);
    for (const ClassInfo* cls = record->cls; cls != nullptr; cls = cls->super) {
      if (cls->builtIn && cls->record->destructor != nullptr) cls->record->destructor(instance);
    }
  });
  // A string's bytes may have a block of their own, outside the slabs.
  for (RecordState state : {RecordState::kMade, RecordState::kLive, RecordState::kDead}) {
    records.forEach(RecordKind::kString, state, [&](void* record) {
      FreeStringRecord(records, static_cast<StringRecord*>(record));
    });
  }
  for (std::string* buffer : stringDataBuffers) delete buffer;
  stringDataBuffers.clear();
  deadHandles.clear();
}

}  // namespace emu
