// The pieces every part of the benchmark shares: clocks and counters of this
// thread, summaries of runs, the corpora, the plugin as host code uses it,
// GMime's reader and child processes.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gmime_reader.h"
#include "host.h"
#include "plugin_declarations.h"

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Each figure is repeated until its runs add up to this much.
constexpr double kMinimumSeconds = 1.0;
constexpr size_t kMinimumRuns = 3;
constexpr double kBytesPerMB = 1e6;
constexpr double kPageBytes = 4096;

double SecondsSince(Clock::time_point start);
// Throughput is measured in CPU time of this thread (user and kernel, page
// faults included): on a shared machine wall time mostly measures the
// neighbours. Each program defines it for its system (bench_posix.cpp,
// bench_windows.cpp).
double ThreadCpuSeconds();
std::string ReadFile(const fs::path& path);

struct Summary {
  double min = 0;
  double median = 0;
  double max = 0;
};

Summary Summarize(std::vector<double> values);
std::string Show(const Summary& summary, int precision = 1);
// Runs `once` (which answers the seconds it measured) until the runs add up to
// kMinimumSeconds; answers each run's seconds.
std::vector<double> RepeatForAWhile(const std::function<double()>& once);
std::vector<double> Throughputs(const std::vector<double>& seconds, double bytes);

// What host code reads of a message: every property of MimeEmailZQV and its
// superclasses, and every array method ("Inlines as MimeAttachmentZQV()"),
// found in the class records as registered, so members added later are read
// too.
struct EmailMembers {
  std::vector<std::string> properties;
  std::vector<std::string> arrayMethods;
};

EmailMembers FindEmailMembers(const emu::Host& host);

struct PluginRun {
  size_t exceptions = 0;
};

// One message as host code handles it; everything made here is released
// before it returns.
void ConstructAndRead(emu::Host& host, const EmailMembers& members, const emu::Value& content,
                      PluginRun& run, const char* constructor = kStringConstructor);
// A host that frees dead strings and objects at once, as a real one does.
emu::Host::Options BenchHostOptions();
// The messages as host strings without an encoding, as text read from a file.
std::vector<emu::Str> HostStrings(emu::Host& host, const std::vector<std::string>& messages);

// The budgets of plugin ÷ GMime throughput; small messages are where most
// of a mailbox's count lies.
constexpr double kLeastPluginShareOfGMime = 1.0;
constexpr double kLeastPluginShareOfGMimeOnSmallMessages = 1.5;

struct CorpusFiles {
  std::string name;
  std::vector<fs::path> files;
  double leastPluginShareOfGMime = kLeastPluginShareOfGMime;
};

struct Corpus {
  std::string name;
  std::vector<std::string> messages;
  double bytes = 0;
  double leastPluginShareOfGMime = 1.0;
};

// The corpora make_bench_corpus.py wrote into `directory`, in a fixed order.
std::vector<CorpusFiles> ListCorpora(const fs::path& directory);
Corpus LoadCorpus(const CorpusFiles& listed);
std::vector<Corpus> LoadCorpora(const fs::path& directory);

// ---- POSIX only (bench_posix.cpp) ----

// Page faults this thread has taken so far. On the virtual machines these
// figures come from, a fault costs microseconds, so fresh memory weighs more
// than the instructions that fill it.
double ThreadPageFaults();
std::string SelfPath();
// GMime's reader when its module was built (make bench builds it); nullptr
// otherwise.
ReadWithGMimeFunction LoadGMimeReader();
// Runs `arguments` (a program and its arguments), with the `environment`
// entries ("NAME=value") added to its own, and answers what it printed on its
// standard output; its standard error goes away unless `showErrors`.
std::optional<std::string> RunChild(const std::vector<std::string>& arguments,
                                    bool showErrors = true,
                                    const std::vector<std::string>& environment = {});
std::string LoadAverage();

}  // namespace bench
