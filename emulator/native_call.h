// Calling a plugin function through a pointer of its exact C type, chosen at
// run time from the declared kinds of its arguments and result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "declarations.h"
#include "runtime/host_api.h"

namespace emu {

// One value as it crosses the boundary; `kind` says which member holds it.
struct RawValue {
  TypeKind kind = TypeKind::Nothing;
  REALstring text = nullptr;
  REALobject object = nullptr;
  int64_t integer = 0;
  bool boolean = false;
  double real = 0.0;
};

// Up to this many C arguments, instance and property parameter included
// (every member of the plugin needs at most three).
constexpr size_t kMaxNativeArguments = 3;

// Calls `function` with `arguments` (their kinds make the C parameter types)
// and reads its result as `result`. Throws std::invalid_argument for more
// than kMaxNativeArguments arguments or an argument of kind Nothing.
RawValue CallNative(void* function, TypeKind result, const std::vector<RawValue>& arguments);

}  // namespace emu
