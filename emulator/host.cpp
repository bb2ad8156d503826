// The Host API that tests and tools use: the current host, loading the
// plugin, fault switches, values host code makes, and reading host values.
#include "host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "builtin_classes.h"
#include "functions.h"
#include "member_access.h"
#include "plugin_loader.h"
#include "state.h"
#include "text_conversion.h"

namespace emu {
namespace {

// Hosts from the oldest to the newest still alive; the last is current.
std::vector<Host*>& LiveHosts() {
  static std::vector<Host*> hosts;
  return hosts;
}

ObjectArrayData& ArrayDataOf(State& state, const Obj& array) {
  auto* data = state.builtInData<ObjectArrayData>(array.get(), state.arrayClass, "array");
  if (data == nullptr) throw std::invalid_argument("not a live object array");
  return *data;
}

// A property of a live object, for host code reading it.
RawValue ReadNamedProperty(State& state, const Obj& object, const std::string& name,
                           TypeKind kind) {
  ObjectRecord* record = state.liveObject(object.get(), "property read");
  if (record == nullptr) throw std::invalid_argument("property " + name + " of a nil or dead object");
  PropertyRef found = State::findProperty(record->cls, name, false);
  RawValue value;
  if (found.property == nullptr || KindOfProperty(*found.property) != kind ||
      !ReadProperty(state, object.get(), found, value)) {
    throw std::invalid_argument(record->cls->name + " has no readable property " + name +
                                " of that type");
  }
  return value;
}

}  // namespace

State* CurrentState() {
  std::vector<Host*>& hosts = LiveHosts();
  return hosts.empty() ? nullptr : &hosts.back()->state();
}

Host::Host() : Host(Options{}) {}

Host::Host(Options options) : state_(std::make_unique<State>(std::move(options))) {
  LiveHosts().push_back(this);
}

// The built-in classes' destructors act on the current host, so this one is
// made current while its state goes.
Host::~Host() {
  std::vector<Host*>& hosts = LiveHosts();
  hosts.push_back(this);
  state_.reset();
  hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
}

Host& Host::current() {
  std::vector<Host*>& hosts = LiveHosts();
  if (hosts.empty()) throw std::logic_error("no emulated host is alive");
  return *hosts.back();
}

void Host::loadPlugin(const std::string& path) {
  state_->plugin = std::make_unique<LoadedPlugin>(path);
  startPlugin(state_->plugin->entry());
}

void Host::startPlugin(PluginMainFn pluginMain) {
  CallScope scope(*state_);
  pluginMain(&Host::Resolve);
}

// ---- configuration and fault switches ----

void Host::setWithheld(const std::string& functionName, bool withheld) {
  if (withheld) {
    state_->withheld.insert(functionName);
  } else {
    state_->withheld.erase(functionName);
  }
}

int Host::resolveCount(const std::string& functionName) const {
  auto found = state_->resolveCounts.find(functionName);
  return found != state_->resolveCounts.end() ? found->second : 0;
}

void Host::refuseInstances(const std::string& className, bool refuse) {
  if (refuse) {
    state_->refusedClasses.insert(className);
  } else {
    state_->refusedClasses.erase(className);
  }
}

void Host::refuseMethod(const std::string& declaration, bool refuse) {
  if (refuse) {
    state_->refusedMethods.insert(declaration);
  } else {
    state_->refusedMethods.erase(declaration);
  }
}

// ---- what the plugin did at start-up ----

const std::vector<RegisteredClass>& Host::registeredClasses() const { return state_->registered; }

const RegisteredClass* Host::registeredClass(const std::string& name) const {
  for (const RegisteredClass& registered : state_->registered) {
    if (registered.name == name) return &registered;
  }
  return nullptr;
}

std::optional<int32_t> Host::announcedPluginLevel() const { return state_->pluginLevel; }

const REALproperty* Host::findProperty(const std::string& className, const std::string& name,
                                       bool shared) const {
  return State::findProperty(state_->findClass(className), name, shared).property;
}

const REALmethod* Host::findMethod(const std::string& className, const std::string& declaration,
                                   bool shared) const {
  return State::findMethod(state_->findClass(className), declaration, shared).method;
}

// ---- values host code makes ----

Str Host::string(std::string_view bytes, uint32_t encoding) {
  return Str::adopt(state_->makeString(bytes, encoding));
}

Obj Host::memoryBlock(std::string_view bytes) {
  void* copy = std::malloc(std::max<size_t>(bytes.size(), 1));
  if (copy == nullptr) throw std::bad_alloc();
  std::memcpy(copy, bytes.data(), bytes.size());
  Obj block = Obj::adopt(state_->instantiate(*state_->memoryBlockClass));
  auto* data = reinterpret_cast<MemoryBlockData*>(State::dataBlock(block.get(), *state_->memoryBlockClass));
  *data = MemoryBlockData{copy, static_cast<int64_t>(bytes.size()), true};
  return block;
}

Obj Host::memoryBlockWithSize(void* pointer, int64_t reportedSize) {
  Obj block = Obj::adopt(state_->instantiate(*state_->memoryBlockClass));
  auto* data = reinterpret_cast<MemoryBlockData*>(State::dataBlock(block.get(), *state_->memoryBlockClass));
  *data = MemoryBlockData{pointer, reportedSize, false};
  return block;
}

Obj Host::folderItem(const std::string& nativePath) {
  Obj item = Obj::adopt(state_->instantiate(*state_->folderItemClass));
  auto* data = reinterpret_cast<FolderItemData*>(State::dataBlock(item.get(), *state_->folderItemClass));
  data->nativePath = state_->makeString(nativePath, kREALTextEncodingUTF8);
  return item;
}

Obj Host::newInstance(const std::string& className) {
  const ClassInfo* cls = state_->findClass(className);
  if (cls == nullptr) throw std::invalid_argument("no class " + className);
  return Obj::adopt(state_->instantiate(*cls));
}

Obj Host::date(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
               int64_t second, double gmtOffsetHours) {
  Obj date = Obj::adopt(state_->instantiate(*state_->dateClass));
  ConstructDate(date.get(), year, month, day, hour, minute, second, gmtOffsetHours);
  return date;
}

Obj Host::objectArray(const std::vector<Obj>& elements) {
  Obj array = Obj::adopt(hostcalls::RuntimeArrayCreateSingleDimBoundedArray(kObjectElements, -1));
  for (const Obj& element : elements) append(array, element);
  return array;
}

// ---- exceptions ----

const std::vector<RaisedException>& Host::raisedDuringLastCall() const {
  return state_->raisedInLastCall;
}

std::optional<RaisedException> Host::takeException() {
  return std::exchange(state_->deliveredException, std::nullopt);
}

// ---- reading host values ----

int64_t Host::ubound(const Obj& array) const {
  return static_cast<int64_t>(ArrayDataOf(*state_, array).elements->size()) - 1;
}

Obj Host::element(const Obj& array, int64_t index) const {
  const std::vector<REALobject>& elements = *ArrayDataOf(*state_, array).elements;
  if (index < 0 || index >= static_cast<int64_t>(elements.size())) {
    throw std::out_of_range("array index " + std::to_string(index));
  }
  return Obj::retain(elements[static_cast<size_t>(index)]);
}

void Host::append(const Obj& array, const Obj& value) {
  std::vector<REALobject>& elements = *ArrayDataOf(*state_, array).elements;
  state_->lockObject(value.get());
  elements.push_back(value.get());
}

void Host::removeAt(const Obj& array, int64_t index) {
  std::vector<REALobject>& elements = *ArrayDataOf(*state_, array).elements;
  if (index < 0 || index >= static_cast<int64_t>(elements.size())) {
    throw std::out_of_range("array index " + std::to_string(index));
  }
  REALobject removed = elements[static_cast<size_t>(index)];
  elements.erase(elements.begin() + index);
  state_->unlockObject(removed);
}

int64_t Host::integerProperty(const Obj& object, const std::string& name) const {
  return ReadNamedProperty(*state_, object, name, TypeKind::Integer).integer;
}

double Host::doubleProperty(const Obj& object, const std::string& name) const {
  return ReadNamedProperty(*state_, object, name, TypeKind::Double).real;
}

std::string Host::memoryBlockBytes(const Obj& block) const {
  auto* data = state_->builtInData<MemoryBlockData>(block.get(), state_->memoryBlockClass,
                                                    "memoryBlockBytes");
  if (data == nullptr || data->bytes == nullptr || data->size <= 0) return {};
  return std::string(static_cast<const char*>(data->bytes), static_cast<size_t>(data->size));
}

std::string Host::convert(std::string_view bytes, uint32_t from, uint32_t to, bool* ok) {
  std::string converted;
  bool converts = ConvertText(bytes, from, to, converted);
  if (ok != nullptr) *ok = converts;
  if (!converts) converted.clear();
  return converted;
}

// ---- reference accounting ----

std::string Host::leakReport() const {
  struct Leak {
    uint64_t serial;
    std::string line;
  };
  auto references = [](int64_t count) {
    return " (" + std::to_string(count) + (count == 1 ? " reference)" : " references)");
  };
  std::vector<Leak> leaks;
  state_->records.forEach(RecordKind::kString, RecordState::kLive, [&](void* memory) {
    const auto* record = static_cast<const StringRecord*>(memory);
    leaks.push_back({record->serial, "leaked " + DescribeString(*record) + references(record->refs)});
  });
  state_->records.forEach(RecordKind::kObject, RecordState::kLive, [&](void* memory) {
    const auto* record = static_cast<const ObjectRecord*>(memory);
    leaks.push_back({record->serial, "leaked object " + record->cls->name + references(record->refs)});
  });
  std::sort(leaks.begin(), leaks.end(),
            [](const Leak& a, const Leak& b) { return a.serial < b.serial; });
  std::string report;
  for (const Leak& leak : leaks) report += leak.line + "\n";
  for (const std::string* buffer : state_->stringDataBuffers) {
    report += "string data of " + std::to_string(buffer->size() - kStringZeroTail) +
              " bytes never disposed\n";
  }
  for (const std::string& problem : state_->problems) report += problem + "\n";
  return report;
}

size_t Host::liveStrings() const { return state_->records.liveCount(RecordKind::kString); }

size_t Host::liveObjects() const { return state_->records.liveCount(RecordKind::kObject); }

}  // namespace emu
