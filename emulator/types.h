// The plain types that the emulator's API (host.h) and its inside (state.h)
// share: how a host is set up, an exception as host code catches it, and a
// class as the plugin registered it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "runtime/host_api.h"

namespace emu {

// How a host is set up (Host::Options).
struct HostOptions {
  double version = 2024.03;               // what REALGetRBVersion answers
  std::set<std::string> withheld;         // names the resolver does not give
  bool hasVersionFunction = true;         // false: no REALGetRBVersion at all
  // Dead strings and objects whose memory is kept, so that a late release
  // is named rather than hitting a reused address. A benchmark sets 0: a
  // real host frees at once, and kept memory only cools the caches.
  size_t keptDeadHandles = size_t{1} << 15;
};

// An exception the plugin raised during a call, as host code would catch it.
struct RaisedException {
  std::string className;
  std::string message;  // UTF-8
  int64_t errorNumber = 0;
};

// One class as the plugin registered it (a copy taken at registration, after
// the plugin's flag rewrite and rounding).
struct RegisteredClass {
  std::string name;
  std::string superName;  // "" for none
  uint32_t version = 0;
  uint64_t dataSize = 0;
  uint64_t dataOffset = 0;  // what the host wrote into the host slot
  uint32_t flags = 0;
  const REALclassDefinition* record = nullptr;  // the plugin's own record
};

}  // namespace emu
