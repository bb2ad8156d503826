#include "bench_memory_modes.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "plugin_declarations.h"

namespace bench {

namespace {

// Fixing the threshold also stops glibc from raising it after each large
// free, which is what lets a long-running process reuse its heap.
const char kFreshLargeBlocks[] = "GLIBC_TUNABLES=glibc.malloc.mmap_threshold=131072";

// A child's runs of one side: after a warm-up run that is not counted,
// repeated until they add up to kMinimumSeconds of CPU time.
ModeFigures RunSide(const std::function<void()>& work, const Corpus& corpus) {
  work();
  std::vector<double> seconds;
  double total = 0;
  double faults = 0;
  while (total < kMinimumSeconds || seconds.size() < kMinimumRuns) {
    const double faultsBefore = ThreadPageFaults();
    const double start = ThreadCpuSeconds();
    work();
    seconds.push_back(ThreadCpuSeconds() - start);
    faults += ThreadPageFaults() - faultsBefore;
    total += seconds.back();
  }
  ModeFigures figures;
  figures.cpu = Summarize(Throughputs(seconds, corpus.bytes));
  const double messages = static_cast<double>(seconds.size() * corpus.messages.size());
  figures.faultsPerMessage = faults / messages;
  figures.freshPagesMultiple =
      figures.faultsPerMessage * kPageBytes / (corpus.bytes / static_cast<double>(corpus.messages.size()));
  return figures;
}

std::optional<ModeFigures> ChildFigures(const std::string& side, const fs::path& corpusDirectory,
                                        size_t index, const std::string& pluginPath,
                                        const std::vector<std::string>& environment) {
  const std::optional<std::string> printed =
      RunChild({SelfPath(), "--memory-mode", side, corpusDirectory.string(), std::to_string(index),
                "--plugin", pluginPath},
               true, environment);
  if (!printed) return std::nullopt;
  std::istringstream fields(*printed);
  ModeFigures figures;
  fields >> figures.cpu.min >> figures.cpu.median >> figures.cpu.max >> figures.faultsPerMessage >>
      figures.freshPagesMultiple;
  if (!fields) return std::nullopt;
  return figures;
}

std::string ShowFigures(const std::optional<ModeFigures>& figures) {
  if (!figures) return "-";
  return Show(figures->cpu);
}

}  // namespace

double ModeResult::ratio() const {
  if (!plugin || !gmime || gmime->cpu.median <= 0) return 0;
  return plugin->cpu.median / gmime->cpu.median;
}

ModeFigures WarmFigures(const Summary& cpu, double faultsPerMessage, const Corpus& corpus) {
  ModeFigures figures;
  figures.cpu = cpu;
  figures.faultsPerMessage = faultsPerMessage;
  figures.freshPagesMultiple =
      faultsPerMessage * kPageBytes / (corpus.bytes / static_cast<double>(corpus.messages.size()));
  return figures;
}

std::vector<ModeResult> MeasureColdModes(const fs::path& corpusDirectory, size_t index,
                                         const std::string& pluginPath, bool withGMime) {
  std::vector<ModeResult> results;
  const std::pair<const char*, std::vector<std::string>> modes[] = {
      {"released", {}},
      {"fresh", {kFreshLargeBlocks}},
  };
  for (const auto& [mode, environment] : modes) {
    ModeResult result;
    result.mode = mode;
    result.plugin = ChildFigures("plugin", corpusDirectory, index, pluginPath, environment);
    if (withGMime) result.gmime = ChildFigures("gmime", corpusDirectory, index, pluginPath, environment);
    results.push_back(result);
  }
  return results;
}

int MemoryModeChild(const std::string& side, const fs::path& corpusDirectory, size_t index,
                    const std::string& pluginPath) {
  const std::vector<CorpusFiles> listed = ListCorpora(corpusDirectory);
  if (index >= listed.size()) return 2;
  const Corpus corpus = LoadCorpus(listed[index]);
  ModeFigures figures;
  if (side == "gmime") {
    const ReadWithGMimeFunction readWithGMime = LoadGMimeReader();
    if (readWithGMime == nullptr) return 1;
    figures = RunSide(
        [&] {
          for (const std::string& message : corpus.messages) readWithGMime(message.data(), message.size());
        },
        corpus);
  } else {
    emu::Host host(BenchHostOptions());
    host.loadPlugin(pluginPath);
    const EmailMembers members = FindEmailMembers(host);
    // Made once and kept, like a message a program holds while it reads it.
    const std::vector<emu::Str> contents = HostStrings(host, corpus.messages);
    PluginRun run;
    figures = RunSide(
        [&] {
          for (const emu::Str& content : contents) ConstructAndRead(host, members, content, run);
        },
        corpus);
    if (run.exceptions != 0) return 1;
  }
  std::printf("%.3f %.3f %.3f %.3f %.4f\n", figures.cpu.min, figures.cpu.median, figures.cpu.max,
              figures.faultsPerMessage, figures.freshPagesMultiple);
  return 0;
}

void PrintModeTable(const std::vector<Corpus>& corpora,
                    const std::vector<std::vector<ModeResult>>& results) {
  std::cout << "\nthree states of memory (see bench_memory_modes.h): MB/s, plugin ÷ GMime, and the "
               "page faults per message\nwith the fresh bytes they stand for as a multiple of the "
               "message size\n"
            << "corpus             mode      plugin MB/s              GMime MB/s               "
               "ratio   faults/msg plugin   GMime    x size plugin  GMime\n";
  for (size_t i = 0; i < corpora.size(); ++i) {
    for (const ModeResult& result : results[i]) {
      char line[320];
      std::snprintf(line, sizeof line, "%-18s %-9s %-24s %-24s %5.2f  %17.0f %7.0f  %13.2f %6.2f\n",
                    corpora[i].name.c_str(), result.mode.c_str(), ShowFigures(result.plugin).c_str(),
                    ShowFigures(result.gmime).c_str(), result.ratio(),
                    result.plugin ? result.plugin->faultsPerMessage : -1.0,
                    result.gmime ? result.gmime->faultsPerMessage : -1.0,
                    result.plugin ? result.plugin->freshPagesMultiple : -1.0,
                    result.gmime ? result.gmime->freshPagesMultiple : -1.0);
      std::cout << line;
    }
  }
}

}  // namespace bench
