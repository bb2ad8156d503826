// Time spent inside the host's own functions while the plugin runs, so that a
// slow host emulator is not taken for a slow plugin.
//
// The plugin is started with a resolver of ours that hands out a timing
// wrapper around every host function (and around the functions the host
// hands out as results: the array insert procedure, LenB, the Date
// constructors). Class records are registered as copies whose destructors
// and constructors are wrapped the other way round, so the plugin's own code
// that the host calls back is not counted as host time.
//
// One timed plugin at a time: the wrappers keep their state in statics.
#pragma once

#include <cstdint>

#include "host.h"

namespace hosttiming {

struct HostTime {
  double seconds = 0;   // inside host functions, wall clock
  uint64_t calls = 0;   // host functions entered
};

// Starts the plugin whose entry is `pluginEntry` in `host` through the timing
// resolver; the library behind the entry must outlive the host.
void StartTimedPlugin(emu::Host& host, PluginMainFn pluginEntry);

void ResetHostTime();
HostTime HostTimeSoFar();

// What one timed crossing costs when the host function does nothing: in all,
// and as it shows up in the host time. Both go out of a measurement.
struct CrossingCost {
  double totalSeconds = 0;
  double hostSeconds = 0;
};
CrossingCost MeasureCrossingCost();

}  // namespace hosttiming
