// Calls as host code makes them: members found by their exact declaration
// (or property name) in the class and its superclasses, arguments converted
// to the declared C types, results taken over with their reference.
#include <stdexcept>

#include "host.h"
#include "member_access.h"
#include "native_call.h"
#include "state.h"

namespace emu {
namespace {

RawValue ArgumentFor(const Value& value, TypeKind kind) {
  RawValue raw;
  raw.kind = kind;
  switch (kind) {
    case TypeKind::String:
      raw.text = value.isNothing() ? nullptr : value.str().get();
      break;
    case TypeKind::Object:
      raw.object = value.isNothing() ? nullptr : value.obj().get();
      break;
    case TypeKind::Integer:
      raw.integer = value.integer();
      break;
    case TypeKind::Boolean:
      raw.boolean = value.boolean();
      break;
    case TypeKind::Double:
      raw.real = value.real();
      break;
    case TypeKind::Nothing:
      throw std::invalid_argument("a parameter without a type");
  }
  return raw;
}

// The host owns the reference a string or object result comes with.
Value TakeResult(const RawValue& raw) {
  switch (raw.kind) {
    case TypeKind::String:
      return Value(Str::adopt(raw.text));
    case TypeKind::Object:
      return Value(Obj::adopt(raw.object));
    case TypeKind::Integer:
      return Value(raw.integer);
    case TypeKind::Boolean:
      return Value(raw.boolean);
    case TypeKind::Double:
      return Value(raw.real);
    case TypeKind::Nothing:
      break;
  }
  return Value();
}

Value Invoke(State& state, const REALmethod& method, REALobject instance, bool hasInstance,
             const std::vector<Value>& args) {
  std::optional<Signature> signature = ParseDeclaration(method.declaration);
  if (!signature) throw std::invalid_argument(std::string("unreadable declaration ") + method.declaration);
  if (signature->parameters.size() != args.size()) {
    throw std::invalid_argument(std::string(method.declaration) + " takes " +
                                std::to_string(signature->parameters.size()) + " arguments, not " +
                                std::to_string(args.size()));
  }
  std::vector<RawValue> arguments;
  if (hasInstance) {
    RawValue self;
    self.kind = TypeKind::Object;
    self.object = instance;
    arguments.push_back(self);
  }
  for (size_t i = 0; i < args.size(); ++i) {
    arguments.push_back(ArgumentFor(args[i], signature->parameters[i]));
  }
  CallScope scope(state);
  return TakeResult(CallNative(method.function, signature->result, arguments));
}

const ClassInfo& ClassNamed(const State& state, const std::string& className) {
  const ClassInfo* cls = state.findClass(className);
  if (cls == nullptr) throw std::invalid_argument("no class " + className);
  return *cls;
}

const ClassInfo& ClassOf(State& state, const Obj& instance, const std::string& member) {
  ObjectRecord* record = state.liveObject(instance.get(), "member access");
  if (record == nullptr) throw std::invalid_argument(member + " of a nil or dead object");
  return *record->cls;
}

const REALmethod& MethodOf(const ClassInfo& cls, const std::string& declaration, bool shared) {
  MethodRef found = State::findMethod(&cls, declaration, shared);
  if (found.method == nullptr || found.method->function == nullptr) {
    throw std::invalid_argument(cls.name + " has no " + (shared ? "shared " : "") + "method \"" +
                                declaration + "\"");
  }
  return *found.method;
}

PropertyRef PropertyOf(const ClassInfo& cls, const std::string& name, bool shared) {
  PropertyRef found = State::findProperty(&cls, name, shared);
  if (found.property == nullptr) {
    throw std::invalid_argument(cls.name + " has no " + (shared ? "shared " : "") + "property " + name);
  }
  return found;
}

Value Read(State& state, REALobject instance, const PropertyRef& found) {
  CallScope scope(state);
  RawValue value;
  if (!ReadProperty(state, instance, found, value)) {
    throw std::invalid_argument(std::string("property ") + found.property->name + " cannot be read");
  }
  return TakeResult(value);
}

void Write(State& state, REALobject instance, const PropertyRef& found, const Value& value) {
  RawValue raw = ArgumentFor(value, KindOfProperty(*found.property));
  CallScope scope(state);
  if (!WriteProperty(state, instance, found, raw)) {
    throw std::invalid_argument(std::string("property ") + found.property->name + " cannot be set");
  }
}

}  // namespace

Obj Host::construct(const std::string& className, const std::string& declaration,
                    const std::vector<Value>& args) {
  const ClassInfo& cls = ClassNamed(*state_, className);
  const REALmethod& constructor = MethodOf(cls, declaration, false);
  CallScope scope(*state_);
  Obj instance = Obj::adopt(state_->instantiate(cls));
  Invoke(*state_, constructor, instance.get(), true, args);
  return instance;
}

Value Host::call(const Obj& instance, const std::string& declaration, const std::vector<Value>& args) {
  const REALmethod& method = MethodOf(ClassOf(*state_, instance, declaration), declaration, false);
  return Invoke(*state_, method, instance.get(), true, args);
}

Value Host::callShared(const std::string& className, const std::string& declaration,
                       const std::vector<Value>& args) {
  const REALmethod& method = MethodOf(ClassNamed(*state_, className), declaration, true);
  return Invoke(*state_, method, nullptr, false, args);
}

Value Host::get(const Obj& instance, const std::string& property) {
  PropertyRef found = PropertyOf(ClassOf(*state_, instance, property), property, false);
  return Read(*state_, instance.get(), found);
}

void Host::set(const Obj& instance, const std::string& property, const Value& value) {
  PropertyRef found = PropertyOf(ClassOf(*state_, instance, property), property, false);
  Write(*state_, instance.get(), found, value);
}

Value Host::getShared(const std::string& className, const std::string& property) {
  PropertyRef found = PropertyOf(ClassNamed(*state_, className), property, true);
  return Read(*state_, nullptr, found);
}

void Host::setShared(const std::string& className, const std::string& property, const Value& value) {
  PropertyRef found = PropertyOf(ClassNamed(*state_, className), property, true);
  Write(*state_, nullptr, found, value);
}

}  // namespace emu
