// Charset names as messages write them, mapped onto host text encodings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/host_api.h"

struct CharsetEntry {
  const char* name;       // already normalised, mixed case
  HostEncoding encoding;
};

// The fixed table, in its own order.
const CharsetEntry* CharsetTable();
size_t CharsetTableSize();

// Drops blanks, hyphens, dots and underscores (and the quote rule).
std::string NormalizeCharsetName(std::string_view name);

// The host encoding for a charset name, kREALTextEncodingUnknown when the
// table lacks it; then, with the format switch on, also raises
// "UnsupportedFormatException" ("binary" never raises).
HostEncoding CharsetToEncoding(std::string_view name);
