// The classes every host has before a plugin registers its own: "Date", the
// exception classes, object arrays, memory blocks and folder items. Each is
// described by a class record like a plugin's, so the host reaches their
// members the same way; their data blocks are laid out here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/host_api.h"

namespace emu {

// A Date shows a calendar date and time of day in the zone GMTOffset names.
struct DateData {
  double totalSeconds;  // of the date and time shown, since 1904-01-01 00:00:00
  double gmtOffset;     // hours
};

struct ExceptionData {
  REALstring message;
  int64_t errorNumber;
};

// The element type of object arrays.
constexpr int32_t kObjectElements = 4;

struct ObjectArrayData {
  std::vector<REALobject>* elements;  // each holds one reference (or is nil)
  int32_t elementType;
};

struct MemoryBlockData {
  void* bytes;
  int64_t size;  // as reported; an edge-case block may report any size
  bool ownsBytes;
};

struct FolderItemData {
  REALstring nativePath;
};

extern REALclassDefinition DateClassRecord;
extern REALclassDefinition ObjectArrayClassRecord;
extern REALclassDefinition MemoryBlockClassRecord;
extern REALclassDefinition FolderItemClassRecord;
// RuntimeException first, then its subclasses.
extern REALclassDefinition* const ExceptionClassRecords[];
extern const size_t ExceptionClassCount;

// The seven-argument "Date" constructor, for dates host code makes.
void ConstructDate(REALobject date, int64_t year, int64_t month, int64_t day, int64_t hour,
                   int64_t minute, int64_t second, double gmtOffset);

}  // namespace emu
