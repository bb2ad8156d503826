#include "native_call.h"

#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace emu {
namespace {

// Integer and Int64 are one C type on 64-bit targets, so the result's kind
// is passed along rather than read from its type.
template <class Result, class... Params>
RawValue CallExact(void* function, TypeKind resultKind, Params... params) {
  auto typed = reinterpret_cast<Result (*)(Params...)>(function);
  RawValue value;
  value.kind = resultKind;
  if constexpr (std::is_void_v<Result>) {
    typed(params...);
  } else if constexpr (std::is_same_v<Result, REALstring>) {
    value.text = typed(params...);
  } else if constexpr (std::is_same_v<Result, REALobject>) {
    value.object = typed(params...);
  } else if constexpr (std::is_same_v<Result, bool>) {
    value.boolean = typed(params...);
  } else if constexpr (std::is_same_v<Result, double>) {
    value.real = typed(params...);
  } else {
    value.integer = typed(params...);
  }
  return value;
}

// Builds the parameter list one argument at a time, so that each call site
// is a call through the exact function type.
template <class Result, class... Done>
RawValue Dispatch(void* function, TypeKind resultKind, const RawValue* next, size_t remaining,
                  Done... done) {
  if (remaining == 0) return CallExact<Result, Done...>(function, resultKind, done...);
  if constexpr (sizeof...(Done) < kMaxNativeArguments) {
    auto more = [&](auto argument) {
      return Dispatch<Result>(function, resultKind, next + 1, remaining - 1, done..., argument);
    };
    switch (next->kind) {
      case TypeKind::String:
        return more(next->text);
      case TypeKind::Object:
        return more(next->object);
      case TypeKind::Integer:
        return more(ToHostInteger(next->integer));
      case TypeKind::Int64:
        return more(next->integer);
      case TypeKind::Boolean:
        return more(next->boolean);
      case TypeKind::Double:
        return more(next->real);
      case TypeKind::Nothing:
        break;
    }
    throw std::invalid_argument("an argument without a type");
  } else {
    throw std::invalid_argument("too many arguments for a native call");
  }
}

}  // namespace

RBInteger ToHostInteger(int64_t value) {
  if constexpr (!kHostIs64Bit) {
    using Limits = std::numeric_limits<RBInteger>;
    if (value < Limits::min() || value > Limits::max()) {
      throw std::out_of_range(std::to_string(value) + " does not fit the host's 32-bit Integer");
    }
  }
  return static_cast<RBInteger>(value);
}

RawValue CallNative(void* function, TypeKind result, const std::vector<RawValue>& arguments) {
  const RawValue* first = arguments.data();
  size_t count = arguments.size();
  switch (result) {
    case TypeKind::Nothing:
      return Dispatch<void>(function, result, first, count);
    case TypeKind::String:
      return Dispatch<REALstring>(function, result, first, count);
    case TypeKind::Object:
      return Dispatch<REALobject>(function, result, first, count);
    case TypeKind::Integer:
      return Dispatch<RBInteger>(function, result, first, count);
    case TypeKind::Int64:
      return Dispatch<int64_t>(function, result, first, count);
    case TypeKind::Boolean:
      return Dispatch<bool>(function, result, first, count);
    case TypeKind::Double:
      return Dispatch<double>(function, result, first, count);
  }
  throw std::invalid_argument("unknown result kind");
}

}  // namespace emu
