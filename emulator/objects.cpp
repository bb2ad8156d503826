// Host objects: the class table, instances laid out as their class records
// say, reference counting with destructors, and the host functions that
// register classes, make instances and reach their members by name.
#include <cstdlib>
#include <cstring>
#include <new>

#include "functions.h"
#include "member_access.h"
#include "state.h"

namespace emu {
namespace {

constexpr const char* kLenBDeclaration = "LenB( s as string ) as integer";

uint64_t AlignTo16(uint64_t size) { return (size + 15) & ~uint64_t{15}; }

// Runs the record constructors of `cls` and its superclasses, superclass
// first, as a fresh instance is set up.
void RunRecordConstructors(const ClassInfo* cls, REALobject instance) {
  if (cls == nullptr) return;
  RunRecordConstructors(cls->super, instance);
  if (cls->record->constructor != nullptr) {
    reinterpret_cast<void (*)(REALobject)>(cls->record->constructor)(instance);
  }
}

}  // namespace

ObjectRecord* State::liveObject(REALobject object, const char* use) {
  if (object == nullptr) return nullptr;
  auto* record = reinterpret_cast<ObjectRecord*>(object);
  if (records.isLive(record, RecordKind::kObject)) return record;
  reportBadHandle(object, false, use);
  return nullptr;
}

void State::lockObject(REALobject object) {
  if (tearingDown) return;
  if (ObjectRecord* record = liveObject(object, "REALLockObject")) ++record->refs;
}

void State::unlockObject(REALobject object) {
  if (tearingDown) return;
  ObjectRecord* record = liveObject(object, "REALUnlockObject");
  if (record == nullptr) return;
  if (record->refs <= 0) {
    problems.push_back("REALUnlockObject: object " + record->cls->name +
                       " released again while its destructor runs");
    return;
  }
  if (--record->refs > 0) return;
  // The instance stays alive while its destructors run, so they may still
  // hand it to host functions; subclass first, as it was built last.
  for (const ClassInfo* cls = record->cls; cls != nullptr; cls = cls->super) {
    if (cls->record->destructor != nullptr) cls->record->destructor(object);
  }
  bury(record, RecordKind::kObject);
}

const ClassInfo* State::findClass(std::string_view name) const {
  auto found = classes.find(name);
  return found != classes.end() ? found->second.get() : nullptr;
}

const ClassInfo* State::findClassNamed(const char* name) {
  ClassByName& remembered =
      classesByName[(reinterpret_cast<uintptr_t>(name) >> 3) % classesByName.size()];
  if (remembered.name == name && std::strcmp(name, remembered.cls->name.c_str()) == 0) {
    return remembered.cls;
  }
  const ClassInfo* cls = findClass(name);
  if (cls != nullptr) remembered = ClassByName{name, cls};
  return cls;
}

const ClassInfo* State::registerClass(REALclassDefinition* record, bool builtIn) {
  if (record == nullptr || record->name == nullptr) {
    problems.push_back("PluginRegisterClass: a class record without a name");
    return nullptr;
  }
  if (const ClassInfo* existing = findClass(record->name)) {
    problems.push_back(std::string("PluginRegisterClass: class ") + record->name +
                       " registered twice");
    return existing;
  }
  auto cls = std::make_unique<ClassInfo>();
  cls->name = record->name;
  cls->record = record;
  cls->builtIn = builtIn;
  if (record->superName != nullptr && record->superName[0] != '\0') {
    cls->super = findClass(record->superName);
    if (cls->super == nullptr) {
      problems.push_back("PluginRegisterClass: superclass " + std::string(record->superName) +
                         " of " + cls->name + " is not registered");
    }
  }
  cls->dataOffset = cls->super != nullptr ? AlignTo16(cls->super->instanceSize)
                                          : sizeof(ObjectRecord);
  cls->instanceSize = cls->dataOffset + record->dataSize;
  record->hostSlot = cls->dataOffset;
  if (!builtIn) {
    registered.push_back(RegisteredClass{cls->name,
                                         record->superName != nullptr ? record->superName : "",
                                         record->version, record->dataSize, cls->dataOffset,
                                         record->flags, record});
  }
  const ClassInfo* result = cls.get();
  classes.emplace(cls->name, std::move(cls));
  return result;
}

REALobject State::instantiate(const ClassInfo& cls) {
  void* memory = nullptr;
  try {
    memory = records.allocate(cls.instanceSize, RecordKind::kObject);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  std::memset(memory, 0, cls.instanceSize);
  auto* record = static_cast<ObjectRecord*>(memory);
  record->cls = &cls;
  record->refs = 1;
  record->serial = nextSerial++;
  records.setState(record, RecordState::kLive);
  auto* instance = reinterpret_cast<REALobject>(record);
  RunRecordConstructors(&cls, instance);
  return instance;
}

bool State::isA(const ClassInfo* cls, const ClassInfo* ancestor) {
  for (; cls != nullptr; cls = cls->super) {
    if (cls == ancestor) return true;
  }
  return false;
}

PropertyRef State::findProperty(const ClassInfo* cls, std::string_view name, bool shared) {
  for (; cls != nullptr; cls = cls->super) {
    const REALclassDefinition& record = *cls->record;
    const REALproperty* properties = shared ? record.sharedProperties : record.properties;
    uint64_t count = shared ? record.sharedPropertyCount : record.propertyCount;
    for (uint64_t i = 0; i < count; ++i) {
      if (properties[i].name != nullptr && name == properties[i].name) {
        return {&properties[i], cls};
      }
    }
  }
  return {};
}

MethodRef State::findMethod(const ClassInfo* cls, std::string_view declaration, bool shared) {
  for (; cls != nullptr; cls = cls->super) {
    const REALclassDefinition& record = *cls->record;
    const REALmethod* methods = shared ? record.sharedMethods : record.methods;
    uint64_t count = shared ? record.sharedMethodCount : record.methodCount;
    for (uint64_t i = 0; i < count; ++i) {
      if (methods[i].declaration != nullptr && declaration == methods[i].declaration) {
        return {&methods[i], cls};
      }
    }
  }
  return {};
}

namespace hostcalls {
namespace {

// The property `name` of a live object when it holds values of `kind`.
PropertyRef PropertyOfKind(State& state, REALobject object, const char* name, TypeKind kind,
                           const char* use) {
  ObjectRecord* record = state.liveObject(object, use);
  if (record == nullptr || name == nullptr) return {};
  PropertyRef found = State::findProperty(record->cls, name, false);
  if (found.property == nullptr || KindOfProperty(*found.property) != kind) return {};
  return found;
}

template <class Fill>
bool SetPropertyValue(REALobject object, const char* name, TypeKind kind, const char* use,
                      Fill fill) {
  State* state = CurrentState();
  if (state == nullptr) return false;
  PropertyRef found = PropertyOfKind(*state, object, name, kind, use);
  if (found.property == nullptr) return false;
  RawValue value;
  value.kind = kind;
  fill(value);
  return WriteProperty(*state, object, found, value);
}

}  // namespace

double REALGetRBVersion() {
  State* state = CurrentState();
  return state != nullptr ? state->options.version : 0.0;
}

void RegisterPluginVersion(int32_t level) {
  if (State* state = CurrentState()) state->pluginLevel = level;
}

void PluginRegisterClass(REALclassDefinition* record) {
  if (State* state = CurrentState()) state->registerClass(record, false);
}

REALobject PluginNewInstance(const char* className) {
  State* state = CurrentState();
  if (state == nullptr || className == nullptr) return nullptr;
  if (state->refusedClasses.count(std::string_view(className)) != 0) return nullptr;
  const ClassInfo* cls = state->findClassNamed(className);
  return cls != nullptr ? state->instantiate(*cls) : nullptr;
}

void REALLockObject(REALobject object) {
  if (State* state = CurrentState()) state->lockObject(object);
}

void REALUnlockObject(REALobject object) {
  if (State* state = CurrentState()) state->unlockObject(object);
}

bool REALSetPropValueString(REALobject object, const char* prop, REALstring value) {
  return SetPropertyValue(object, prop, TypeKind::String, "REALSetPropValueString",
                          [&](RawValue& raw) { raw.text = value; });
}

bool REALSetPropValueInteger(REALobject object, const char* prop, int64_t value) {
  return SetPropertyValue(object, prop, TypeKind::Integer, "REALSetPropValueInteger",
                          [&](RawValue& raw) { raw.integer = value; });
}

bool REALSetPropValueDouble(REALobject object, const char* prop, double value) {
  return SetPropertyValue(object, prop, TypeKind::Double, "REALSetPropValueDouble",
                          [&](RawValue& raw) { raw.real = value; });
}

bool REALGetPropValueDouble(REALobject object, const char* prop, double* out) {
  State* state = CurrentState();
  if (state == nullptr || out == nullptr) return false;
  PropertyRef found = PropertyOfKind(*state, object, prop, TypeKind::Double, "REALGetPropValueDouble");
  RawValue value;
  if (found.property == nullptr || !ReadProperty(*state, object, found, value)) return false;
  *out = value.real;
  return true;
}

void* REALLoadObjectMethod(REALobject object, const char* declaration) {
  State* state = CurrentState();
  if (state == nullptr || declaration == nullptr) return nullptr;
  if (state->refusedMethods.count(std::string_view(declaration)) != 0) return nullptr;
  ObjectRecord* record = state->liveObject(object, "REALLoadObjectMethod");
  if (record == nullptr) return nullptr;
  MethodRef found = State::findMethod(record->cls, declaration, false);
  return found.method != nullptr ? found.method->function : nullptr;
}

void* REALLoadGlobalMethod(const char* module, const char* declaration) {
  State* state = CurrentState();
  if (state == nullptr || module != nullptr || declaration == nullptr) return nullptr;
  if (state->refusedMethods.count(std::string_view(declaration)) != 0) return nullptr;
  if (std::strcmp(declaration, kLenBDeclaration) != 0) return nullptr;
  return reinterpret_cast<void*>(&LenB);
}

}  // namespace hostcalls
}  // namespace emu
