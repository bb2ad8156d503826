// Host arrays of objects: made empty, appended to and counted.
#pragma once

#include <cstdint>

#include "runtime/host_ref.h"

HostObject CreateObjectArray();
// Appends; the array takes its own reference, the caller keeps its own.
void AppendToObjectArray(REALobject array, REALobject value);
int64_t ObjectArrayUBound(REALobject array);  // -1 for nil or empty
