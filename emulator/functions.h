// The host functions the resolver hands to the plugin, with the exact
// signatures of host_api.h. They act on the current host; with none, they
// answer as for nil.
#pragma once

#include <cstdint>

#include "runtime/host_api.h"

namespace emu::hostcalls {

// One declaration per host function; each is defined in the file of the
// built-in it serves (objects.cpp, strings.cpp, arrays.cpp, ...).
#define HOST_FUNCTION(Result, Name, Parameters, Arguments) Result Name Parameters;
#include "runtime/host_functions.def"

// The host's global method "LenB( s as string ) as integer" (strings.cpp),
// handed out by REALLoadGlobalMethod rather than by the resolver.
int64_t LenB(REALstring text);

}  // namespace emu::hostcalls
