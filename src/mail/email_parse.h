// Parsing one message into the record of a MimeEmailZQV instance: the work
// behind all three constructors.
#pragma once

#include <cstdint>

#include "runtime/heap_buffer.h"
#include "runtime/host_api.h"

// Parses `count` bytes as one RFC 822/MIME message into the record of
// `instance`. `source` is the caller's own string, kept as Source itself
// (string constructor), or nil to build Source from the bytes. Failures are
// raised as host exceptions; whatever was stored before a failure stays.
void ParseEmail(REALobject instance, const void* bytes, int64_t count, REALstring source);
// The same for `count` bytes read into `buffer`, which goes as soon as Source
// holds a copy of them: the parse then reads Source.
void ParseEmailBuffer(REALobject instance, HeapBuffer buffer, int64_t count);

// The most bytes the parser takes, and whether `count` bytes are more.
int64_t LongestParsableEmail();
bool IsTooLongToParse(int64_t count);
// Refuses a message too long to parse as a parse of it would fail, with
// both arrays made, but before any of its bytes are copied.
void RefuseTooLongEmail(REALobject instance);
