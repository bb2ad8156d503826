// bench_windows: the plugin half of the benchmark as a Windows program, for
// the Windows DLL under Wine (make bench-windows), whose heap maps every
// large block afresh and gives it back when it is freed, as Windows does.
//
//   bench_windows CORPUS_DIR INDEX RUNS [--plugin PATH]
//
// Reads corpus number INDEX (in the order of `bench`) once unmeasured, then
// takes RUNS measured samples, and prints its name, its bytes, its messages,
// the messages the samples read and their MB/s in this thread's CPU time
// (min, median, max). Wine counts a thread's time in ticks of 10 ms, so a
// sample reads the corpus as often as it takes to fill kSampleSeconds. The
// page faults are counted from outside (tools/bench_windows.py): Wine reports
// none to the program itself, and its runs with RUNS = 0 and with RUNS > 0
// differ only by the measured samples.
#include <windows.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "bench_support.h"

namespace bench {

double ThreadCpuSeconds() {
  FILETIME created{}, exited{}, kernel{}, user{};
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& time) {
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return static_cast<double>(ticks.QuadPart) * 1e-7;  // 100 ns ticks
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace bench

namespace {

using namespace bench;

constexpr double kSampleSeconds = 0.25;

int Measure(const fs::path& corpusDirectory, size_t index, size_t runs,
            const std::string& pluginPath) {
  const std::vector<CorpusFiles> listed = ListCorpora(corpusDirectory);
  if (index >= listed.size()) return 2;
  const Corpus corpus = LoadCorpus(listed[index]);
  emu::Host host(BenchHostOptions());
  host.loadPlugin(pluginPath);
  const EmailMembers members = FindEmailMembers(host);
  const std::vector<emu::Str> contents = HostStrings(host, corpus.messages);
  PluginRun run;
  auto pass = [&] {
    for (const emu::Str& content : contents) ConstructAndRead(host, members, content, run);
  };
  pass();
  std::vector<double> megabytesPerSecond;
  size_t messagesRead = 0;
  for (size_t i = 0; i < runs; ++i) {
    const double start = ThreadCpuSeconds();
    size_t passes = 0;
    double seconds = 0;
    while (seconds < kSampleSeconds) {
      pass();
      ++passes;
      seconds = ThreadCpuSeconds() - start;
    }
    messagesRead += passes * contents.size();
    megabytesPerSecond.push_back(static_cast<double>(passes) * corpus.bytes / seconds / kBytesPerMB);
  }
  if (run.exceptions != 0) return 1;
  std::printf("%s\t%.0f\t%zu\t%zu\t%s\n", corpus.name.c_str(), corpus.bytes,
              corpus.messages.size(), messagesRead, Show(Summarize(megabytesPerSecond)).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string pluginPath = ZQV_PLUGIN_FILE;
  if (arguments.size() == 5 && arguments[3] == "--plugin") {
    pluginPath = arguments[4];
    arguments.resize(3);
  }
  if (arguments.size() != 3) {
    std::cerr << "usage: bench_windows CORPUS_DIR INDEX RUNS [--plugin PATH]\n";
    return 2;
  }
  try {
    return Measure(arguments[0], std::stoul(arguments[1]), std::stoul(arguments[2]), pluginPath);
  } catch (const std::exception& error) {
    std::cerr << "bench_windows: " << error.what() << "\n";
    return 2;
  }
}
