// The GMime side of the benchmark: a module of its own, built only by the
// bench target against Debian's GMime, which the benchmark loads when it is
// there, so that nothing else in the build needs GMime.
#pragma once

#include <cstddef>

// Parses a message held in memory and decodes every leaf part; answers the
// decoded bytes, so the work cannot be skipped.
using ReadWithGMimeFunction = size_t (*)(const char* bytes, size_t size);

// The name under which the module exports that function.
constexpr char kReadWithGMimeSymbol[] = "zqv_bench_read_with_gmime";

// The module's file name, next to the benchmark's executable.
constexpr char kGMimeReaderFile[] = "bench_gmime.so";
