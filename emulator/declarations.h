// Reading member declarations the way the host does to call a member: the
// declared parameter and result types, mapped onto the C type each crosses
// the boundary as.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace emu {

// String → REALstring, Integer → int64_t, Boolean → bool, Double → double,
// anything else (Variant, Date, a class, an array) → REALobject.
enum class TypeKind { Nothing, String, Integer, Boolean, Double, Object };

// The kind of a type name as written in a declaration ("" is Nothing).
TypeKind KindOfType(std::string_view typeName);

struct Signature {
  std::vector<TypeKind> parameters;
  TypeKind result = TypeKind::Nothing;
};

// Xojo reads keywords and type names without regard to ASCII case.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// "Name(p as Type, ...) as Type", "Name(p as Type)", "Name as Type()" and the
// like; nullopt when the text is not a declaration.
std::optional<Signature> ParseDeclaration(std::string_view declaration);

}  // namespace emu
