// The emulated Xojo host of a fuzz target: one per process, with the plugin
// loaded once, and the checks every input must pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host.h"

namespace fuzzing {

// The host of this process, made and given the plugin on first use.
emu::Host& FuzzHost();

// Ends the process with the report when the input left a host reference
// alive or misused one: a leak per message would exhaust a long-running
// application as surely as a crash ends it.
void RequireCleanHost(emu::Host& host, std::string_view during);

// Sets the shared switch RaiseUnknownFormatExceptions of MimeEmailZQV.
void SetFormatExceptions(emu::Host& host, bool raise);

// Writes the input to a fresh file under /tmp and gives its path; the
// caller removes it.
std::string WriteTemporaryFile(const uint8_t* data, size_t size);

// Names of the registered classes (other than MimeEmailZQV) that host code
// can make from a line of text, in registration order.
std::vector<std::string> ClassesParsingText(emu::Host& host);

inline constexpr const char* kParseTextConstructor = "Constructor(TextToParse as String)";

}  // namespace fuzzing
