#include "member_access.h"

#include <cstring>

namespace emu {
namespace {

RawValue ObjectArgument(REALobject instance) {
  RawValue value;
  value.kind = TypeKind::Object;
  value.object = instance;
  return value;
}

RawValue IntegerArgument(int64_t number) {
  RawValue value;
  value.kind = TypeKind::Integer;
  value.integer = number;
  return value;
}

char* FieldAddress(REALobject instance, const PropertyRef& found) {
  return State::dataBlock(instance, *found.declaringClass) + found.property->param;
}

template <class T>
T LoadField(const char* address) {
  T value;
  std::memcpy(&value, address, sizeof value);
  return value;
}

template <class T>
void StoreField(char* address, T value) {
  std::memcpy(address, &value, sizeof value);
}

}  // namespace

TypeKind KindOfProperty(const REALproperty& property) {
  return KindOfType(property.type != nullptr ? property.type : "");
}

bool ReadProperty(State& state, REALobject instance, const PropertyRef& found, RawValue& out) {
  const REALproperty& property = *found.property;
  TypeKind kind = KindOfProperty(property);
  if (property.getter == nullptr) return false;
  if (property.getter != kDirectField) {
    out = CallNative(property.getter, kind, {ObjectArgument(instance), IntegerArgument(property.param)});
    return true;
  }
  if (instance == nullptr) return false;
  const char* field = FieldAddress(instance, found);
  out = RawValue{};
  out.kind = kind;
  switch (kind) {
    case TypeKind::String:
      out.text = LoadField<REALstring>(field);
      state.lockString(out.text);
      break;
    case TypeKind::Object:
      out.object = LoadField<REALobject>(field);
      state.lockObject(out.object);
      break;
    case TypeKind::Integer:
      out.integer = LoadField<int64_t>(field);
      break;
    case TypeKind::Boolean:
      out.boolean = LoadField<bool>(field);
      break;
    case TypeKind::Double:
      out.real = LoadField<double>(field);
      break;
    case TypeKind::Nothing:
      return false;
  }
  return true;
}

bool WriteProperty(State& state, REALobject instance, const PropertyRef& found,
                   const RawValue& value) {
  const REALproperty& property = *found.property;
  if (property.setter == nullptr || value.kind != KindOfProperty(property)) return false;
  if (property.setter != kDirectField) {
    CallNative(property.setter, TypeKind::Nothing,
               {ObjectArgument(instance), IntegerArgument(property.param), value});
    return true;
  }
  if (instance == nullptr) return false;
  char* field = FieldAddress(instance, found);
  switch (value.kind) {
    case TypeKind::String: {
      state.lockString(value.text);
      auto old = LoadField<REALstring>(field);
      StoreField(field, value.text);
      state.unlockString(old);
      break;
    }
    case TypeKind::Object: {
      state.lockObject(value.object);
      auto old = LoadField<REALobject>(field);
      StoreField(field, value.object);
      state.unlockObject(old);
      break;
    }
    case TypeKind::Integer:
      StoreField(field, value.integer);
      break;
    case TypeKind::Boolean:
      StoreField(field, value.boolean);
      break;
    case TypeKind::Double:
      StoreField(field, value.real);
      break;
    case TypeKind::Nothing:
      return false;
  }
  return true;
}

}  // namespace emu
