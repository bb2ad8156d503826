// MimeMboxZQV: an mbox file read one message at a time, each message a new
// MimeEmailZQV.
#pragma once

#include <cstdint>

#include "runtime/host_api.h"

class MboxReader;

// Both fields are set by the constructor once the file proved to be an mbox.
struct MimeMboxData {
  MboxReader* Reader;  // owns the open file, its scan block and message buffer
  int64_t Length;      // the file's size when it was opened
};
static_assert(sizeof(MimeMboxData) == 0x10);

extern REALclassDefinition MimeMboxClass;
