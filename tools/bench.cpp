// bench: what a MimeEmailZQV costs on top of the parser it wraps, and against
// another MIME library.
//
//   bench CORPUS_DIR [--plugin PATH]
//
// CORPUS_DIR is what tools/make_bench_corpus.py writes. For each corpus the
// benchmark measures, alternately so that a busy machine slows all alike:
//   mimetic  the parser alone: parse from a string stream over a copy of the
//            bytes and decode every leaf (the floor for any wrapper of it);
//   plugin   a MimeEmailZQV constructed through the host emulator from a host
//            string, every top-level property and array read, all released;
//   GMime    the same work as mimetic's with GMime (a memory stream over a
//            copy of the bytes, every leaf decoded), when the module
//            bench_gmime.so that make bench builds lies next to this program.
// It prints the throughputs, the ratios, and the share of the plugin's time
// spent inside the emulator's host functions (from a second run through a
// resolver that times every host function), so a slow emulator is not taken
// for a slow plugin. Then plugin and GMime side by side in three states of
// memory (warm, each message released first in a process of its own, every
// large block fresh: see bench_memory_modes.h) with the new pages each writes
// per message, HTMLToPlainText on a 1 MB document, DecodeInline on
// a 200-byte subject, the peak memory of one construction of the largest
// message in a fresh process, and the instructions per input byte of one
// construction of the 2 MiB-attachment message under callgrind.
// BENCH_CALLGRIND=1 adds the instruction counts of one construction of the
// newsletter and the functions that spend them.
//
// Internal modes, run by the benchmark in child processes:
//   bench --peak-memory plugin|plugin-file|mimetic|gmime FILE [--plugin PATH]
//            (plugin-file: the file constructor, its reading of the file
//            included)
//   bench --once plugin|mimetic|gmime FILE [--plugin PATH]
//   bench --memory-mode plugin|gmime CORPUS_DIR INDEX [--plugin PATH]
//            (one corpus read in a process of its own: see
//            bench_memory_modes.h)
//   bench --html-to-text FILE [--plugin PATH]

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench_instructions.h"
#include "bench_memory_modes.h"
#include "bench_support.h"
#include "host_timing.h"
#include "plugin_loader.h"

namespace {

using namespace bench;

constexpr size_t kDecodeInlineCallsPerRun = 2000;

// The budgets the figures are read against.
constexpr double kLeastPluginShareOfMimetic = 0.8;
constexpr double kLeastHTMLToPlainTextMBps = 300.0;
constexpr double kMostPeakMemoryMultiple = 2.2;
// New pages written per message with every large block fresh, as a multiple
// of the message size, on the two attachment messages.
constexpr double kMostFreshPagesMultiple = 2.0;
constexpr double kMostInstructionsPerInputByte = 10.0;

// ---- the report ---------------------------------------------------------------

// What one side (mimetic, the plugin or GMime) gave over its runs of a corpus.
struct SideFigures {
  Summary cpu;              // MB/s in this thread's CPU time
  double wallMedian = 0;    // MB/s in wall-clock time
  double faultsPerMessage = 0;
};

struct CorpusFigures {
  SideFigures mimetic;
  SideFigures plugin;
  std::optional<SideFigures> gmime;
  // Medians over the runs of the plugin's throughput ÷ the other side's.
  double ratio = 0;
  double gmimeRatio = 0;
  double gmimeWallRatio = 0;
  double hostShare = 0;
  double hostCallsPerMessage = 0;
  size_t exceptions = 0;
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string CpuModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown CPU";
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char shown[32];
  std::strftime(shown, sizeof shown, "%Y-%m-%d", std::gmtime(&now));
  return shown;
}

void Check(const std::string& leaks, const char* during) {
  if (!leaks.empty()) std::cout << "warning: references left after " << during << ":\n" << leaks << "\n";
}

// One side's runs over a corpus, each timed both ways.
struct SideRuns {
  std::function<void()> work;
  std::vector<double> cpuSeconds;
  std::vector<double> wallSeconds;
  double cpuTotal = 0;
  double faults = 0;

  void runOnce() {
    const double faultsBefore = ThreadPageFaults();
    const Clock::time_point wallStart = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    work();
    cpuSeconds.push_back(ThreadCpuSeconds() - cpuStart);
    wallSeconds.push_back(SecondsSince(wallStart));
    faults += ThreadPageFaults() - faultsBefore;
    cpuTotal += cpuSeconds.back();
  }

  SideFigures figures(const Corpus& corpus) const {
    SideFigures side;
    side.cpu = Summarize(Throughputs(cpuSeconds, corpus.bytes));
    side.wallMedian = Summarize(Throughputs(wallSeconds, corpus.bytes)).median;
    side.faultsPerMessage =
        faults / static_cast<double>(cpuSeconds.size() * corpus.messages.size());
    return side;
  }
};

// Each pair ran back to back under the same load; the median of their ratios
// is steadier than the ratio of the two medians.
double MedianRatio(const std::vector<double>& numerators, const std::vector<double>& denominators) {
  std::vector<double> ratios;
  for (size_t i = 0; i < denominators.size(); ++i) ratios.push_back(numerators[i] / denominators[i]);
  return Summarize(ratios).median;
}

// The sides alternate run by run, so a neighbour's load falls on all of them.
void MeasureThroughput(emu::Host& host, const EmailMembers& members, const Corpus& corpus,
                       ReadWithGMimeFunction readWithGMime, CorpusFigures& figures) {
  const std::vector<emu::Str> contents = HostStrings(host, corpus.messages);
  PluginRun run;
  size_t mimeticDecodedBytes = 0;
  size_t gmimeDecodedBytes = 0;
  std::vector<SideRuns> sides(readWithGMime != nullptr ? 3 : 2);
  SideRuns& mimetic = sides[0];
  SideRuns& plugin = sides[1];
  mimetic.work = [&] {
    for (const std::string& message : corpus.messages) mimeticDecodedBytes += ParseWithMimetic(message);
  };
  plugin.work = [&] {
    for (const emu::Str& content : contents) ConstructAndRead(host, members, content, run);
  };
  if (readWithGMime != nullptr) {
    sides[2].work = [&] {
      for (const std::string& message : corpus.messages) {
        gmimeDecodedBytes += readWithGMime(message.data(), message.size());
      }
    };
  }
  // A warm-up of each side first, left out of the figures.
  for (SideRuns& side : sides) side.work();
  auto enough = [&] {
    for (const SideRuns& side : sides) {
      if (side.cpuTotal < kMinimumSeconds || side.cpuSeconds.size() < kMinimumRuns) return false;
    }
    return true;
  };
  while (!enough()) {
    for (SideRuns& side : sides) side.runOnce();
  }
  if (mimeticDecodedBytes == 0) std::cout << "warning: mimetic decoded nothing of " << corpus.name << "\n";
  figures.mimetic = mimetic.figures(corpus);
  figures.plugin = plugin.figures(corpus);
  figures.ratio = MedianRatio(mimetic.cpuSeconds, plugin.cpuSeconds);
  if (readWithGMime != nullptr) {
    if (gmimeDecodedBytes == 0) std::cout << "warning: GMime decoded nothing of " << corpus.name << "\n";
    figures.gmime = sides[2].figures(corpus);
    figures.gmimeRatio = MedianRatio(sides[2].cpuSeconds, plugin.cpuSeconds);
    figures.gmimeWallRatio = MedianRatio(sides[2].wallSeconds, plugin.wallSeconds);
  }
  figures.exceptions = run.exceptions;
}

struct HostShare {
  double share = 0;        // of the time of the runs
  double callsPerRun = 0;  // host functions entered
};

// The share of `once`'s time spent inside the host's functions, measured
// through the timing resolver, with the meter's own cost at each crossing
// taken out of both sides.
HostShare MeasureHostShare(const std::function<void()>& once,
                           const hosttiming::CrossingCost& crossing) {
  once();
  hosttiming::ResetHostTime();
  size_t runs = 0;
  const Clock::time_point start = Clock::now();
  while (SecondsSince(start) < kMinimumSeconds || runs < kMinimumRuns) {
    once();
    ++runs;
  }
  const double totalSeconds = SecondsSince(start);
  const hosttiming::HostTime hostTime = hosttiming::HostTimeSoFar();
  const double calls = static_cast<double>(hostTime.calls);
  const double hostSeconds = std::max(0.0, hostTime.seconds - calls * crossing.hostSeconds);
  return HostShare{hostSeconds / std::max(1e-9, totalSeconds - calls * crossing.totalSeconds),
                   calls / static_cast<double>(runs)};
}

void MeasureCorpusHostShare(emu::Host& timedHost, const EmailMembers& members,
                            const Corpus& corpus, const hosttiming::CrossingCost& crossing,
                            CorpusFigures& figures) {
  const std::vector<emu::Str> contents = HostStrings(timedHost, corpus.messages);
  PluginRun run;
  const HostShare measured = MeasureHostShare(
      [&] {
        for (const emu::Str& content : contents) ConstructAndRead(timedHost, members, content, run);
      },
      crossing);
  figures.hostShare = measured.share;
  figures.hostCallsPerMessage = measured.callsPerRun / static_cast<double>(corpus.messages.size());
}

Summary MeasureHTMLToPlainText(emu::Host& host, const std::string& document) {
  const emu::Str html = host.string(document, kREALTextEncodingUTF8);
  auto once = [&] {
    const double start = ThreadCpuSeconds();
    host.callShared(kEmailClass, kHTMLToPlainText, {html});
    return ThreadCpuSeconds() - start;
  };
  once();
  return Summarize(Throughputs(RepeatForAWhile(once), static_cast<double>(document.size())));
}

Summary MeasureDecodeInline(emu::Host& host, const std::string& subject) {
  const emu::Str text = host.string(subject, kREALTextEncodingUTF8);
  auto once = [&] {
    const double start = ThreadCpuSeconds();
    for (size_t i = 0; i < kDecodeInlineCallsPerRun; ++i) host.callShared(kEmailClass, kDecodeInline, {text});
    return ThreadCpuSeconds() - start;
  };
  once();
  std::vector<double> callsPerSecond;
  for (double seconds : RepeatForAWhile(once)) callsPerSecond.push_back(kDecodeInlineCallsPerRun / seconds);
  return Summarize(callsPerSecond);
}

int64_t StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::strlen(field) + 1);
  }
  return -1;
}

// The high-water mark starts again from what is resident now.
bool ResetPeakMemory() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
  clearRefs.flush();
  return static_cast<bool>(clearRefs);
}

// A message that brings GMime's tables and caches into being before anything
// of its own is measured.
const char kGMimeWarmUpMessage[] = "Subject: warm-up\r\n\r\ntext\r\n";

// One construction of `file` (or one parse of it by mimetic or GMime),
// measured from the moment its input is in memory: prints the kilobytes it
// added at its peak.
int PeakMemoryChild(const std::string& side, const std::string& file, const std::string& pluginPath) {
  if (side == "mimetic" || side == "gmime") {
    const ReadWithGMimeFunction readWithGMime = side == "gmime" ? LoadGMimeReader() : nullptr;
    if (side == "gmime") {
      if (readWithGMime == nullptr) return 1;
      readWithGMime(kGMimeWarmUpMessage, sizeof kGMimeWarmUpMessage - 1);
    }
    const std::string message = ReadFile(file);
    malloc_trim(0);
    if (!ResetPeakMemory()) return 1;
    const int64_t before = StatusKilobytes("VmRSS:");
    if (readWithGMime != nullptr) {
      readWithGMime(message.data(), message.size());
    } else {
      ParseWithMimetic(message);
    }
    std::cout << StatusKilobytes("VmHWM:") - before << "\n";
    return 0;
  }
  emu::Host host(BenchHostOptions());
  host.loadPlugin(pluginPath);
  const EmailMembers members = FindEmailMembers(host);
  // The file constructor reads the file itself, so what it reads counts.
  const bool fromFile = side == "plugin-file";
  if (!fromFile && side != "plugin") return 2;
  const emu::Value content = fromFile ? emu::Value(host.folderItem(file))
                                      : emu::Value(HostStrings(host, {ReadFile(file)}).front());
  malloc_trim(0);
  if (!ResetPeakMemory()) return 1;
  const int64_t before = StatusKilobytes("VmRSS:");
  PluginRun run;
  ConstructAndRead(host, members, content, run, fromFile ? kFileConstructor : kStringConstructor);
  std::cout << StatusKilobytes("VmHWM:") - before << "\n";
  return 0;
}

// HTMLToPlainText in a process that has done nothing else, so the allocator
// has not yet learnt to keep large blocks: prints min / median / max MB/s.
int HtmlToTextChild(const std::string& file, const std::string& pluginPath) {
  emu::Host host(BenchHostOptions());
  host.loadPlugin(pluginPath);
  std::cout << Show(MeasureHTMLToPlainText(host, ReadFile(file))) << "\n";
  return 0;
}

std::optional<double> PeakMemoryMultiple(const std::string& side, const fs::path& file,
                                         const std::string& pluginPath) {
  const std::optional<std::string> printed =
      RunChild({SelfPath(), "--peak-memory", side, file.string(), "--plugin", pluginPath});
  if (!printed) return std::nullopt;
  const double kilobytes = std::atof(printed->c_str());
  return kilobytes * 1024 / static_cast<double>(fs::file_size(file));
}

void PrintCorpusLine(const Corpus& corpus, const CorpusFigures& figures) {
  const std::string gmime = figures.gmime ? Show(figures.gmime->cpu) : std::string("-");
  char gmimeRatio[16] = "-";
  if (figures.gmime) std::snprintf(gmimeRatio, sizeof gmimeRatio, "%.2f", figures.gmimeRatio);
  char line[320];
  std::snprintf(line, sizeof line,
                "%-18s %6.0f  %-24s %-24s %-24s %5.2f %6s %6.1f%% %6.0f  %7.0f %7.0f %7.0f\n",
                corpus.name.c_str(), corpus.bytes / 1000, Show(figures.mimetic.cpu).c_str(),
                Show(figures.plugin.cpu).c_str(), gmime.c_str(), figures.ratio, gmimeRatio,
                figures.hostShare * 100, figures.hostCallsPerMessage,
                figures.mimetic.faultsPerMessage, figures.plugin.faultsPerMessage,
                figures.gmime ? figures.gmime->faultsPerMessage : 0.0);
  std::cout << line;
  if (figures.exceptions != 0) {
    std::cout << "  warning: " << figures.exceptions << " host exceptions during " << corpus.name << "\n";
  }
}

// The same runs in wall-clock time, as a user timing the two libraries side
// by side would see them; on a shared machine they carry the neighbours' load.
void PrintWallClockLine(const Corpus& corpus, const CorpusFigures& figures) {
  char line[160];
  if (figures.gmime) {
    std::snprintf(line, sizeof line, "%-18s %8.1f %8.1f %8.1f %9.2f\n", corpus.name.c_str(),
                  figures.mimetic.wallMedian, figures.plugin.wallMedian, figures.gmime->wallMedian,
                  figures.gmimeWallRatio);
  } else {
    std::snprintf(line, sizeof line, "%-18s %8.1f %8.1f %8s %9s\n", corpus.name.c_str(),
                  figures.mimetic.wallMedian, figures.plugin.wallMedian, "-", "-");
  }
  std::cout << line;
}

int RunBenchmark(const fs::path& corpusDirectory, const std::string& pluginPath) {
  const std::vector<Corpus> corpora = LoadCorpora(corpusDirectory);
  const std::string document = ReadFile(corpusDirectory / "document-1mb.html");
  const std::string subject = FirstLine(ReadFile(corpusDirectory / "subject.txt"));
  const ReadWithGMimeFunction readWithGMime = LoadGMimeReader();

  std::cout << "ZQVMime bench, " << Today() << ", " << CpuModel() << ", "
            << sysconf(_SC_NPROCESSORS_ONLN) << " cores, g++ " << __VERSION__ << "\n"
            << "load average at the start: " << LoadAverage() << "\n"
            << "figures: min / median / max over runs of at least " << kMinimumSeconds
            << " s of this thread's CPU time; MB = 10^6 bytes of input\n";
  if (readWithGMime == nullptr) {
    std::cout << "GMime: " << kGMimeReaderFile << " was not built next to this program "
              << "(make bench builds it), so GMime is left out\n";
  }
  std::cout << "\n";

  std::vector<CorpusFigures> figures(corpora.size());
  Summary htmlToText;
  double htmlToTextHostShare = 0;
  Summary decodeInline;
  {
    emu::Host host(BenchHostOptions());
    host.loadPlugin(pluginPath);
    const EmailMembers members = FindEmailMembers(host);
    std::cout << "read from each message: " << members.properties.size() << " properties, "
              << members.arrayMethods.size() << " arrays\n\n";
    for (size_t i = 0; i < corpora.size(); ++i) {
      MeasureThroughput(host, members, corpora[i], readWithGMime, figures[i]);
    }
    htmlToText = MeasureHTMLToPlainText(host, document);
    decodeInline = MeasureDecodeInline(host, subject);
    Check(host.leakReport(), "the throughput runs");
  }
  {
    const hosttiming::CrossingCost crossing = hosttiming::MeasureCrossingCost();
    emu::LoadedPlugin plugin(pluginPath);
    emu::Host timedHost(BenchHostOptions());
    hosttiming::StartTimedPlugin(timedHost, plugin.entry());
    const EmailMembers members = FindEmailMembers(timedHost);
    for (size_t i = 0; i < corpora.size(); ++i) {
      MeasureCorpusHostShare(timedHost, members, corpora[i], crossing, figures[i]);
    }
    emu::Str html = timedHost.string(document, kREALTextEncodingUTF8);
    htmlToTextHostShare = MeasureHostShare(
        [&] { timedHost.callShared(kEmailClass, kHTMLToPlainText, {html}); }, crossing).share;
    html = emu::Str();
    Check(timedHost.leakReport(), "the timed runs");
  }

  std::cout << "                                                                                 "
               "                                 ratio of plugin to     page faults/msg\n"
            << "corpus                KB  mimetic MB/s             plugin MB/s              "
               "GMime MB/s               mimetic  GMime  host%  calls  mimetic  plugin   GMime\n";
  for (size_t i = 0; i < corpora.size(); ++i) PrintCorpusLine(corpora[i], figures[i]);
  std::cout << "\nwall clock, medians of the same runs (MB/s):\n"
            << "corpus               mimetic   plugin    GMime  plugin/GMime\n";
  for (size_t i = 0; i < corpora.size(); ++i) PrintWallClockLine(corpora[i], figures[i]);

  const std::optional<std::string> freshHtmlToText = RunChild(
      {SelfPath(), "--html-to-text", (corpusDirectory / "document-1mb.html").string(), "--plugin",
       pluginPath});
  char htmlShare[32];
  std::snprintf(htmlShare, sizeof htmlShare, "%.1f%%", htmlToTextHostShare * 100);
  std::cout << "\nHTMLToPlainText, 1 MB document: " << Show(htmlToText) << " MB/s (host "
            << htmlShare << "); in a fresh process "
            << (freshHtmlToText ? FirstLine(*freshHtmlToText) : std::string("failed")) << " MB/s\n"
            << "DecodeInline, " << subject.size() << "-byte subject: " << Show(decodeInline, 0)
            << " calls/s\n";

  std::vector<std::vector<ModeResult>> modes(corpora.size());
  for (size_t i = 0; i < corpora.size(); ++i) {
    ModeResult warm;
    warm.mode = "warm";
    warm.plugin = WarmFigures(figures[i].plugin.cpu, figures[i].plugin.faultsPerMessage, corpora[i]);
    if (figures[i].gmime) {
      warm.gmime = WarmFigures(figures[i].gmime->cpu, figures[i].gmime->faultsPerMessage, corpora[i]);
    }
    modes[i].push_back(warm);
    for (ModeResult& cold : MeasureColdModes(corpusDirectory, i, pluginPath, readWithGMime != nullptr)) {
      modes[i].push_back(cold);
    }
  }
  PrintModeTable(corpora, modes);
  std::cout << "load average after them: " << LoadAverage() << "\n\n";

  const fs::path largest = corpusDirectory / "attachment-10mb.eml";
  const std::optional<double> pluginPeak = PeakMemoryMultiple("plugin", largest, pluginPath);
  const std::optional<double> mimeticPeak = PeakMemoryMultiple("mimetic", largest, pluginPath);
  const std::optional<double> gmimePeak =
      readWithGMime != nullptr ? PeakMemoryMultiple("gmime", largest, pluginPath) : std::nullopt;
  char shown[200];
  std::snprintf(shown, sizeof shown,
                "peak memory, one construction of %s (%.1f MB): plugin %.2fx, mimetic %.2fx, "
                "GMime %.2fx the message size\n",
                largest.filename().c_str(), static_cast<double>(fs::file_size(largest)) / kBytesPerMB,
                pluginPeak.value_or(-1), mimeticPeak.value_or(-1), gmimePeak.value_or(-1));
  std::cout << shown << "\n";

  const std::optional<double> instructionsPerByte = ReportInstructionsPerByte(
      corpusDirectory / "attachment-2mb.eml", pluginPath, readWithGMime != nullptr);
  std::cout << "load average at the end: " << LoadAverage() << "\n";

  // The budgets are read, not enforced: the figures depend on the machine.
  std::cout << "\nbudgets:\n";
  auto budget = [](bool held, const std::string& what) {
    std::cout << "  " << (held ? "held  " : "MISSED") << "  " << what << "\n";
  };
  char what[160];
  for (size_t i = 0; i < corpora.size(); ++i) {
    std::snprintf(what, sizeof what, "plugin / mimetic >= %.2f on %s: %.2f", kLeastPluginShareOfMimetic,
                  corpora[i].name.c_str(), figures[i].ratio);
    budget(figures[i].ratio >= kLeastPluginShareOfMimetic, what);
  }
  for (size_t i = 0; i < corpora.size() && readWithGMime != nullptr; ++i) {
    const double least = corpora[i].leastPluginShareOfGMime;
    std::snprintf(what, sizeof what, "plugin / GMime >= %.2f on %s: %.2f (wall clock %.2f)", least,
                  corpora[i].name.c_str(), figures[i].gmimeRatio, figures[i].gmimeWallRatio);
    budget(figures[i].gmimeRatio >= least, what);
  }
  for (size_t i = 0; i < corpora.size() && readWithGMime != nullptr; ++i) {
    for (const ModeResult& result : modes[i]) {
      if (result.mode == "warm") continue;
      const double least = corpora[i].leastPluginShareOfGMime;
      std::snprintf(what, sizeof what, "plugin / GMime >= %.2f on %s, %s: %.2f", least,
                    corpora[i].name.c_str(), result.mode.c_str(), result.ratio());
      budget(result.ratio() >= least, what);
    }
  }
  for (size_t i = 0; i < corpora.size(); ++i) {
    if (corpora[i].name.find("attachment") == std::string::npos) continue;
    const ModeResult& fresh = modes[i].back();
    const double multiple = fresh.plugin ? fresh.plugin->freshPagesMultiple : -1;
    std::snprintf(what, sizeof what, "fresh pages per message <= %.1fx the size on %s, %s: %.2fx",
                  kMostFreshPagesMultiple, corpora[i].name.c_str(), fresh.mode.c_str(), multiple);
    budget(fresh.plugin && multiple <= kMostFreshPagesMultiple, what);
  }
  std::snprintf(what, sizeof what, "HTMLToPlainText >= %.0f MB/s: %.1f", kLeastHTMLToPlainTextMBps,
                htmlToText.median);
  budget(htmlToText.median >= kLeastHTMLToPlainTextMBps, what);
  std::snprintf(what, sizeof what, "peak memory <= %.1fx the message size: %.2fx",
                kMostPeakMemoryMultiple, pluginPeak.value_or(-1));
  budget(pluginPeak && *pluginPeak <= kMostPeakMemoryMultiple, what);
  std::snprintf(what, sizeof what, "instructions per input byte <= %.0f: %.1f",
                kMostInstructionsPerInputByte, instructionsPerByte.value_or(-1));
  budget(instructionsPerByte && *instructionsPerByte <= kMostInstructionsPerInputByte, what);

  if (const char* callgrind = std::getenv("BENCH_CALLGRIND"); callgrind != nullptr && std::strcmp(callgrind, "1") == 0) {
    std::cout << "\n";
    ReportCallgrindDetail(corpusDirectory / "newsletter.eml", pluginPath);
  }
  return 0;
}

const char kUsage[] =
    "usage: bench CORPUS_DIR [--plugin PATH]\n"
    "  CORPUS_DIR  written by tools/make_bench_corpus.py\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string pluginPath = ZQV_PLUGIN_FILE;
  for (size_t i = 0; i + 1 < arguments.size(); ++i) {
    if (arguments[i] == "--plugin") {
      pluginPath = arguments[i + 1];
      arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  }
  try {
    if (arguments.size() == 3 && arguments[0] == "--peak-memory") {
      return PeakMemoryChild(arguments[1], arguments[2], pluginPath);
    }
    if (arguments.size() == 2 && arguments[0] == "--html-to-text") {
      return HtmlToTextChild(arguments[1], pluginPath);
    }
    if (arguments.size() == 4 && arguments[0] == "--memory-mode") {
      return MemoryModeChild(arguments[1], arguments[2], std::stoul(arguments[3]), pluginPath);
    }
    if (arguments.size() == 3 && arguments[0] == "--once") {
      return OnceChild(arguments[1], arguments[2], pluginPath);
    }
    if (arguments.size() != 1) {
      std::cerr << kUsage;
      return 2;
    }
    return RunBenchmark(arguments[0], pluginPath);
  } catch (const std::exception& error) {
    std::cerr << "bench: " << error.what() << "\n";
    return 2;
  }
}
