// What the benchmark measures of the parser alone, and the instruction counts
// of one construction under callgrind.
#pragma once

#include <optional>
#include <string>

#include "bench_support.h"

namespace bench {

// mimetic alone: the message parsed from a string stream over a copy of its
// bytes and every leaf decoded (the floor for any wrapper of it). Answers the
// decoded size, so the work cannot be optimised away.
size_t ParseWithMimetic(const std::string& message);

// The child that callgrind runs: `side` (plugin, mimetic or gmime) once on
// `file` after a warm-up that is not counted.
int OnceChild(const std::string& side, const std::string& file, const std::string& pluginPath);

// Instructions per input byte of one construction of `file` (and of one parse
// and decoding by mimetic and by GMime, to read it against); answers the
// plugin's.
std::optional<double> ReportInstructionsPerByte(const fs::path& file, const std::string& pluginPath,
                                                bool withGMime);

// Instruction counts of one construction of the newsletter, and the functions
// that spent the most of them.
void ReportCallgrindDetail(const fs::path& file, const std::string& pluginPath);

}  // namespace bench
