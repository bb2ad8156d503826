#include "object_walk.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "declarations.h"

namespace fuzzing {
namespace {

// Indexes on both sides of every bound an indexed getter checks, up to the
// ends of the host's Integer.
const RBInteger kIndexes[] = {-1, 0, 1, 2, std::numeric_limits<RBInteger>::max(),
                              std::numeric_limits<RBInteger>::min()};

// Names for look-ups by name: common and absent fields, in odd case, and empty.
const char* const kNames[] = {"", "From", "content-type", "X-Not-There"};

// A value of the property's type as host code might assign it.
emu::Value WrittenValue(emu::Host& host, const char* typeName) {
  switch (emu::KindOfType(typeName != nullptr ? typeName : "")) {
    case emu::TypeKind::String:
      return emu::Value(host.string("written by host code"));
    case emu::TypeKind::Integer:
    case emu::TypeKind::Int64:
      return emu::Value(int64_t{-1});
    case emu::TypeKind::Boolean:
      return emu::Value(true);
    case emu::TypeKind::Double:
      return emu::Value(-1.0);
    default:
      return emu::Value(emu::Obj());
  }
}

std::string_view MemberName(std::string_view declaration) {
  return declaration.substr(0, declaration.find_first_of("( "));
}

}  // namespace

void ObjectWalker::walk(const emu::Obj& object) {
  if (object.isNil() || !visited_.insert(object.get()).second) return;
  held_.push_back(object);
  const std::string className = object.className();
  if (className == "ObjectArray") {
    walkArray(object);
    return;
  }
  // Built-in host classes (Date, ...) are the host's own: nothing to read.
  if (const emu::RegisteredClass* registered = host_.registeredClass(className)) {
    walkMembers(object, *registered);
  }
}

void ObjectWalker::walkMembers(const emu::Obj& object, const emu::RegisteredClass& registered) {
  const REALclassDefinition& record = *registered.record;
  for (uint64_t i = 0; i < record.propertyCount; ++i) {
    const REALproperty& property = record.properties[i];
    if (property.name == nullptr || property.getter == nullptr) continue;
    emu::Value value = host_.get(object, property.name);
    takeException();
    walkValue(value, property.type);
  }
  for (uint64_t i = 0; i < record.methodCount; ++i) {
    callMethod(object, record.methods[i]);
  }
  // Last, what host code may write: the object must still let go of
  // whatever it then holds.
  for (uint64_t i = 0; i < record.propertyCount; ++i) {
    const REALproperty& property = record.properties[i];
    if (property.name == nullptr || property.setter == nullptr) continue;
    host_.set(object, property.name, WrittenValue(host_, property.type));
    takeException();
  }
  if (registered.superName.empty()) return;
  if (const emu::RegisteredClass* super = host_.registeredClass(registered.superName)) {
    walkMembers(object, *super);
  }
}

void ObjectWalker::callMethod(const emu::Obj& object, const REALmethod& method) {
  if (method.declaration == nullptr || method.function == nullptr) return;
  if (MemberName(method.declaration) == "Constructor") return;
  const std::optional<emu::Signature> signature = emu::ParseDeclaration(method.declaration);
  if (!signature) return;
  const char* resultType = signature->result == emu::TypeKind::String ? "String" : "Object";
  const auto walkResult = [&](const emu::Value& result) {
    takeException();
    if (signature->result == emu::TypeKind::String || signature->result == emu::TypeKind::Object) {
      walkValue(result, resultType);
    }
  };

  const std::vector<emu::TypeKind>& parameters = signature->parameters;
  if (parameters.empty()) {
    walkResult(host_.call(object, method.declaration));
  } else if (parameters.size() == 1 && parameters[0] == emu::TypeKind::Integer) {
    for (RBInteger index : kIndexes) {
      walkResult(host_.call(object, method.declaration, {emu::Value(int64_t{index})}));
    }
  } else if (parameters.size() == 1 && parameters[0] == emu::TypeKind::String) {
    walkResult(host_.call(object, method.declaration, {emu::Value(emu::Str())}));
    for (const char* name : kNames) {
      walkResult(host_.call(object, method.declaration, {emu::Value(host_.string(name))}));
    }
  }
}

void ObjectWalker::walkValue(const emu::Value& value, const char* typeName) {
  if (value.isNothing()) return;
  switch (emu::KindOfType(typeName != nullptr ? typeName : "")) {
    case emu::TypeKind::String: {
      const emu::Str& text = value.str();
      if (!text.isNil()) bytesRead_ += text.bytes().size() + text.utf8().size();
      return;
    }
    case emu::TypeKind::Object:
      walk(value.obj());
      return;
    default:
      return;
  }
}

void ObjectWalker::walkArray(const emu::Obj& array) {
  const int64_t upperBound = host_.ubound(array);
  for (int64_t index = 0; index <= upperBound; ++index) walk(host_.element(array, index));
}

void ObjectWalker::takeException() {
  if (host_.takeException()) ++exceptionsTaken_;
}

}  // namespace fuzzing
