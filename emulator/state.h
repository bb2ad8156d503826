// The emulator's inside, shared by emulator/*.cpp only: the records behind the
// opaque handles, the registries of live handles, the class table and the
// state of calls and exceptions.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "record_arena.h"
#include "types.h"

namespace emu {

class LoadedPlugin;

// A registered class: the plugin's own record or a built-in description.
struct ClassInfo {
  std::string name;
  REALclassDefinition* record = nullptr;
  const ClassInfo* super = nullptr;
  uint64_t dataOffset = 0;    // where this class's block starts in an instance
  uint64_t instanceSize = 0;  // header and every block up to this class's end
  bool builtIn = false;
};

// The start of every instance; the classes' data blocks follow it. A
// REALobject is the address of one of these.
struct ObjectRecord {
  const ClassInfo* cls;
  int64_t refs;
  uint64_t serial;  // creation order, for a stable leak report
  uint64_t unused;
};
static_assert(sizeof(ObjectRecord) % 16 == 0, "data blocks must stay 16-byte aligned");

// How a report names a string: its first kDescribedBytes bytes, escaped.
constexpr size_t kDescribedBytes = 24;

// Zero bytes kept after a string's bytes, so its C text is terminated for
// any unit width up to UTF-32.
constexpr size_t kStringZeroTail = 4;

// What a dead string keeps of its bytes, when dead handles are kept: one more
// than a report shows, so a longer string still reads "...".
constexpr size_t kKeptDeadBytes = kDescribedBytes + 1;

// A REALstring is the address of one of these. The plugin makes a few
// hundred strings per message, so a short one lives in the same heap block
// as its record; a long one has a block of its own, which a dead string can
// give back while its record stays reserved. Made and freed only by
// NewStringRecord and FreeStringRecord.
struct StringRecord {
  int64_t refs;
  uint64_t serial;
  uint32_t encoding;
  bool separateBlock;  // `data` is a block of its own, not the bytes behind the record
  size_t size;         // bytes, without the zero tail
  char* data;          // `size` bytes, then kStringZeroTail zero bytes

  std::string_view bytes() const { return {data, size}; }
  // The room behind the record: the bytes of a short string, or what a dead
  // long one keeps.
  char* inlineBytes() { return reinterpret_cast<char*>(this + 1); }
};

// A record in `records` with room for `size` bytes (not yet written) and its
// zero tail, with one reference and not yet live; throws std::bad_alloc.
StringRecord* NewStringRecord(RecordArena& records, size_t size, uint32_t encoding);
void FreeStringRecord(RecordArena& records, StringRecord* record);
// Gives up all but the first `size` bytes (kept), with a new zero tail.
void ShrinkStringRecord(StringRecord& record, size_t size);

// A property or method found in a class or one of its superclasses.
struct PropertyRef {
  const REALproperty* property = nullptr;
  const ClassInfo* declaringClass = nullptr;
};
struct MethodRef {
  const REALmethod* method = nullptr;
  const ClassInfo* declaringClass = nullptr;
};

struct State {
  HostOptions options;

  // ---- resolver and fault switches ----
  std::set<std::string, std::less<>> withheld;
  std::map<std::string, int, std::less<>> resolveCounts;
  std::set<std::string, std::less<>> refusedClasses;
  std::set<std::string, std::less<>> refusedMethods;

  // ---- classes ----
  std::map<std::string, std::unique_ptr<ClassInfo>, std::less<>> classes;
  std::vector<RegisteredClass> registered;  // the plugin's, in order
  std::optional<int32_t> pluginLevel;
  const ClassInfo* dateClass = nullptr;
  const ClassInfo* exceptionClass = nullptr;  // RuntimeException, the root of all
  const ClassInfo* memoryBlockClass = nullptr;
  const ClassInfo* folderItemClass = nullptr;
  const ClassInfo* arrayClass = nullptr;
  struct ClassByName {
    const char* name = nullptr;
    const ClassInfo* cls = nullptr;
  };
  std::array<ClassByName, 32> classesByName{};

  // ---- live handles ----
  // Every string and object record, live, dead or being made.
  RecordArena records;
  // Buffers PluginGetStringData converted into, until disposed.
  std::unordered_set<std::string*> stringDataBuffers;
  uint64_t nextSerial = 1;
  // Dead handles keep their memory for a while, so their addresses are not
  // reused at once and a late release can still be named (a dead string
  // keeps only the bytes a report shows); oldest first.
  struct DeadHandle {
    void* record;
    RecordKind kind;
  };
  std::deque<DeadHandle> deadHandles;
  std::vector<std::string> problems;
  bool tearingDown = false;

  // ---- calls and exceptions ----
  int callDepth = 0;
  ObjectRecord* raisedException = nullptr;  // one reference held by the host
  std::optional<RaisedException> deliveredException;
  std::vector<RaisedException> raisedInLastCall;  // every raise, in order

  std::unique_ptr<LoadedPlugin> plugin;

  explicit State(HostOptions hostOptions);
  ~State();

  // ---- strings (strings.cpp) ----
  REALstring makeString(std::string_view bytes, uint32_t encoding);
  // Makes a record from NewStringRecord live: conversions fill a record in
  // place rather than copy a finished buffer in.
  StringRecord* makeLive(StringRecord* record);
  // The record of a live string; null for nil, and null plus a problem line
  // naming `use` for a handle that is not alive.
  StringRecord* liveString(REALstring text, const char* use);
  void lockString(REALstring text);
  void unlockString(REALstring text);

  // ---- objects (objects.cpp) ----
  ObjectRecord* liveObject(REALobject object, const char* use);
  void lockObject(REALobject object);
  void unlockObject(REALobject object);
  const ClassInfo* findClass(std::string_view name) const;
  // findClass for a name the plugin passes, remembered by the address of its
  // text (checked against the class's name before it is trusted): the plugin
  // names a class on every instance it makes, always with the same literal.
  const ClassInfo* findClassNamed(const char* name);
  const ClassInfo* registerClass(REALclassDefinition* record, bool builtIn);
  // A new zero-filled instance with one reference; each class's record
  // constructor (if any) runs, superclass first.
  REALobject instantiate(const ClassInfo& cls);
  static bool isA(const ClassInfo* cls, const ClassInfo* ancestor);
  static char* dataBlock(REALobject object, const ClassInfo& cls) {
    return reinterpret_cast<char*>(object) + cls.dataOffset;
  }
  // The data block of a live instance of `cls` (or a subclass), else null
  // and a problem line naming `use`.
  template <class Data>
  Data* builtInData(REALobject object, const ClassInfo* cls, const char* use) {
    ObjectRecord* record = liveObject(object, use);
    if (record == nullptr) return nullptr;
    if (!isA(record->cls, cls)) {
      problems.push_back(std::string(use) + " given a " + record->cls->name + ", not a " +
                         cls->name);
      return nullptr;
    }
    return reinterpret_cast<Data*>(dataBlock(object, *cls));
  }
  static PropertyRef findProperty(const ClassInfo* cls, std::string_view name, bool shared);
  static MethodRef findMethod(const ClassInfo* cls, std::string_view declaration, bool shared);

  // ---- calls and exceptions (exceptions.cpp) ----
  void beginCall();
  void endCall();
  void raise(REALobject exception);

  // A problem line for a handle that is not alive: named by what it was when
  // it died, if that is still known.
  void reportBadHandle(const void* handle, bool isString, const char* use);
  // Keeps a dead record's memory for a while (see deadHandles).
  void bury(void* record, RecordKind kind);
  // Gives a record's memory back for later records.
  void freeRecord(void* record, RecordKind kind);
  void freeEverything();
};

// The state of the current host, or null when there is none (host functions
// then act as the host would on nil).
State* CurrentState();

// Brackets one call from host code into the plugin: the outermost one
// clears an exception nobody took and delivers the one raised during it.
class CallScope {
 public:
  explicit CallScope(State& state) : state_(state) { state_.beginCall(); }
  ~CallScope() { state_.endCall(); }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  State& state_;
};

std::string DescribeString(const StringRecord& record);

}  // namespace emu
