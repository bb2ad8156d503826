// Windows code page numbers, as Outlook's formats name a text's character
// set, mapped onto host text encodings through the charset table.
#pragma once

#include <cstdint>

#include "runtime/host_api.h"

// The host encoding of a code page, kREALTextEncodingUnknown for 0 and for
// code pages the charset table has no name for. Never raises.
HostEncoding CodePageToEncoding(uint32_t codePage);
