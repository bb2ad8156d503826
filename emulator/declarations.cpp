#include "declarations.h"

#include <cctype>
#include <string>

namespace emu {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}


bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The parenthesis closing the one at `open` (array types nest "()").
size_t MatchingClose(std::string_view text, size_t open) {
  int depth = 0;
  for (size_t at = open; at < text.size(); ++at) {
    if (text[at] == '(') ++depth;
    if (text[at] == ')' && --depth == 0) return at;
  }
  return std::string_view::npos;
}

// Splits "<left> as <Type>" at its last " as "; the type is "" without one.
void SplitAtAs(std::string_view text, std::string_view& left, std::string_view& type) {
  for (size_t at = text.size(); at >= 4; --at) {
    size_t start = at - 4;
    if (IsBlank(text[start]) && EqualIgnoringCase(text.substr(start + 1, 2), "as") &&
        IsBlank(text[start + 3])) {
      left = Trim(text.substr(0, start));
      type = Trim(text.substr(start + 4));
      return;
    }
  }
  left = Trim(text);
  type = {};
}

// "[ByVal|ByRef|Optional] name as Type [= default]" → the type's kind.
std::optional<TypeKind> ParameterKind(std::string_view parameter) {
  size_t defaultValue = parameter.find('=');
  if (defaultValue != std::string_view::npos) parameter = parameter.substr(0, defaultValue);
  std::string_view name;
  std::string_view type;
  SplitAtAs(Trim(parameter), name, type);
  if (name.empty() || type.empty()) return std::nullopt;
  return KindOfType(type);
}

}  // namespace

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

TypeKind KindOfType(std::string_view typeName) {
  typeName = Trim(typeName);
  if (typeName.empty()) return TypeKind::Nothing;
  if (typeName.size() > 2 && typeName.substr(typeName.size() - 2) == "()") return TypeKind::Object;
  if (EqualIgnoringCase(typeName, "String")) return TypeKind::String;
  if (EqualIgnoringCase(typeName, "Integer")) return TypeKind::Integer;
  // The emulator's Integer is 64 bits wide, as Int64 is everywhere.
  if (EqualIgnoringCase(typeName, "Int64")) return TypeKind::Integer;
  if (EqualIgnoringCase(typeName, "Boolean")) return TypeKind::Boolean;
  if (EqualIgnoringCase(typeName, "Double")) return TypeKind::Double;
  return TypeKind::Object;
}

std::optional<Signature> ParseDeclaration(std::string_view declaration) {
  declaration = Trim(declaration);
  Signature signature;
  size_t open = declaration.find('(');
  size_t nameEnd = declaration.find_first_of(" \t(");
  std::string_view resultPart;
  if (open != std::string_view::npos && open == nameEnd) {
    size_t close = MatchingClose(declaration, open);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view parameters = Trim(declaration.substr(open + 1, close - open - 1));
    while (!parameters.empty()) {
      size_t comma = parameters.find(',');
      std::optional<TypeKind> kind = ParameterKind(parameters.substr(0, comma));
      if (!kind) return std::nullopt;
      signature.parameters.push_back(*kind);
      if (comma == std::string_view::npos) break;
      parameters = parameters.substr(comma + 1);
    }
    resultPart = Trim(declaration.substr(close + 1));
  } else {
    if (nameEnd == std::string_view::npos) nameEnd = declaration.size();
    resultPart = Trim(declaration.substr(nameEnd));
  }
  if (declaration.substr(0, nameEnd).empty()) return std::nullopt;
  if (resultPart.empty()) return signature;
  if (resultPart.size() < 3 || !EqualIgnoringCase(resultPart.substr(0, 2), "as") ||
      !IsBlank(resultPart[2])) {
    return std::nullopt;
  }
  signature.result = KindOfType(resultPart.substr(3));
  if (signature.result == TypeKind::Nothing) return std::nullopt;
  return signature;
}

}  // namespace emu
