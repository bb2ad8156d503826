#include "native_call.h"

#include <stdexcept>
#include <type_traits>

namespace emu {
namespace {

template <class Result, class... Params>
RawValue CallExact(void* function, Params... params) {
  auto typed = reinterpret_cast<Result (*)(Params...)>(function);
  RawValue value;
  if constexpr (std::is_void_v<Result>) {
    typed(params...);
  } else if constexpr (std::is_same_v<Result, REALstring>) {
    value.kind = TypeKind::String;
    value.text = typed(params...);
  } else if constexpr (std::is_same_v<Result, REALobject>) {
    value.kind = TypeKind::Object;
    value.object = typed(params...);
  } else if constexpr (std::is_same_v<Result, int64_t>) {
    value.kind = TypeKind::Integer;
    value.integer = typed(params...);
  } else if constexpr (std::is_same_v<Result, bool>) {
    value.kind = TypeKind::Boolean;
    value.boolean = typed(params...);
  } else {
    value.kind = TypeKind::Double;
    value.real = typed(params...);
  }
  return value;
}

// Builds the parameter list one argument at a time, so that each call site
// is a call through the exact function type.
template <class Result, class... Done>
RawValue Dispatch(void* function, const RawValue* next, size_t remaining, Done... done) {
  if (remaining == 0) return CallExact<Result, Done...>(function, done...);
  if constexpr (sizeof...(Done) < kMaxNativeArguments) {
    switch (next->kind) {
      case TypeKind::String:
        return Dispatch<Result>(function, next + 1, remaining - 1, done..., next->text);
      case TypeKind::Object:
        return Dispatch<Result>(function, next + 1, remaining - 1, done..., next->object);
      case TypeKind::Integer:
        return Dispatch<Result>(function, next + 1, remaining - 1, done..., next->integer);
      case TypeKind::Boolean:
        return Dispatch<Result>(function, next + 1, remaining - 1, done..., next->boolean);
      case TypeKind::Double:
        return Dispatch<Result>(function, next + 1, remaining - 1, done..., next->real);
      case TypeKind::Nothing:
        break;
    }
    throw std::invalid_argument("an argument without a type");
  } else {
    throw std::invalid_argument("too many arguments for a native call");
  }
}

}  // namespace

RawValue CallNative(void* function, TypeKind result, const std::vector<RawValue>& arguments) {
  const RawValue* first = arguments.data();
  size_t count = arguments.size();
  switch (result) {
    case TypeKind::Nothing:
      return Dispatch<void>(function, first, count);
    case TypeKind::String:
      return Dispatch<REALstring>(function, first, count);
    case TypeKind::Object:
      return Dispatch<REALobject>(function, first, count);
    case TypeKind::Integer:
      return Dispatch<int64_t>(function, first, count);
    case TypeKind::Boolean:
      return Dispatch<bool>(function, first, count);
    case TypeKind::Double:
      return Dispatch<double>(function, first, count);
  }
  throw std::invalid_argument("unknown result kind");
}

}  // namespace emu
