// The benchmark's corpora read in three states of the allocator, plugin and
// GMime side by side, with the fresh pages each writes per message:
//   warm      the main run's figures: one process that has read every corpus
//             and side before, whose heap hands the same pages back;
//   released  a process of its own per corpus and side, glibc as it is, that
//             releases each message before it reads the next: once a free
//             leaves more than glibc's trim threshold at the top of the heap,
//             the next large block is fresh memory again;
//   fresh     the same with glibc's mmap threshold fixed at 128 KiB
//             (GLIBC_TUNABLES=glibc.malloc.mmap_threshold=131072), so every
//             large block is mapped afresh and given back when freed, as the
//             Windows heap does with every block over about half a MiB.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bench_support.h"

namespace bench {

// What one side gave over its runs of a corpus.
struct ModeFigures {
  Summary cpu;                   // MB/s in this thread's CPU time
  double faultsPerMessage = 0;   // page faults per message
  double freshPagesMultiple = 0; // those pages in bytes ÷ the mean message size
};

// Both sides of one corpus in one mode.
struct ModeResult {
  std::string mode;
  std::optional<ModeFigures> plugin;
  std::optional<ModeFigures> gmime;
  double ratio() const;  // plugin ÷ GMime median throughput, 0 if either failed
};

// The warm mode's figures, from the main run's medians.
ModeFigures WarmFigures(const Summary& cpu, double faultsPerMessage, const Corpus& corpus);

// The released and fresh modes of corpus number `index`, each side in a child
// process of this program.
std::vector<ModeResult> MeasureColdModes(const fs::path& corpusDirectory, size_t index,
                                         const std::string& pluginPath, bool withGMime);

// The child: `side` (plugin or gmime) on corpus number `index`, printing
// "MBps-min MBps-median MBps-max faults-per-message fresh-pages-multiple".
int MemoryModeChild(const std::string& side, const fs::path& corpusDirectory, size_t index,
                    const std::string& pluginPath);

// The table of every corpus in every mode.
void PrintModeTable(const std::vector<Corpus>& corpora,
                    const std::vector<std::vector<ModeResult>>& results);

}  // namespace bench
