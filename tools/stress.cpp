// stress: how the cost of hostile shapes grows with their size.
//
//   stress [--plugin PATH] [--largest BYTES] [SHAPE-FILTER]
//
// Every shape of input that once cost more than its size (runs of blanks
// and comments in addresses and dates, long and empty address lists, many
// parts and fields, HTML that makes more text than it holds, runs of
// encoded words) is generated at 100 KB, 1 MB and 10 MB (or up to
// --largest) and handed to every entry point that reads it, through the
// host emulator as Xojo would. For each it prints the CPU time of the call,
// how that time grows per ten times the input, and the peak memory the call
// added (the resident set's high-water mark over what the process held with
// the input already made), as MB and as a multiple of the input.
//
// A shape is within the goal when its time grows by at most x12 per ten
// times the input and its largest input takes at most 2 s; shapes that make
// host objects every few bytes are held only to the growth, and their cost
// per object is printed instead. A size is skipped when the size before it
// took over 20 s. Each size has a host of its own, so that nothing the
// emulator kept from a smaller one hides what it takes. The peak memory is
// that of a first call; every call is then repeated, and the fastest repeat
// counts. Only the figures are printed: nothing here passes or fails a
// build. Linux only (it reads /proc).

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "host.h"
#include "plugin_declarations.h"

namespace {

namespace fs = std::filesystem;

constexpr double kMostGrowthPerTenfold = 12.0;
constexpr double kMostSecondsAtLargest = 2.0;
constexpr double kSkipAfterSeconds = 20.0;
constexpr double kBytesPerMB = 1e6;
constexpr double kRepeatUntilSeconds = 0.3;
constexpr int kLeastRepeats = 2;
constexpr double kShortestTimed = 1e-4;
// glibc's own limit on blocks mapped at once.
constexpr int kDefaultMappedBlocks = 65536;

// ---- shapes -------------------------------------------------------------------

// `unit` repeated until `prefix`, the units and `suffix` reach `bytes`.
std::string Repeated(const std::string& prefix, const std::string& unit, const std::string& suffix,
                     size_t bytes) {
  std::string text = prefix;
  text.reserve(bytes + unit.size() + suffix.size());
  while (text.size() + suffix.size() < bytes) text += unit;
  return text + suffix;
}

// `open` nested `bytes` deep in all, closed by as many `close`.
std::string Nested(const std::string& prefix, char open, char close, const std::string& suffix,
                   size_t bytes) {
  const size_t depth = bytes / 2;
  return prefix + std::string(depth, open) + std::string(depth, close) + suffix;
}

std::string Message(const std::string& header, const std::string& body = "body\r\n") {
  return header + "\r\n\r\n" + body;
}

// Items of lists this deep are indented the most.
const std::string kSixteenLists = "<ul<ul<ul<ul<ul<ul<ul<ul<ul<ul<ul<ul<ul<ul<ul<ul";

std::string Html(const std::string& html) {
  return "Content-Type: text/html; charset=utf-8\r\n\r\n" + html;
}

enum class Entry { kString, kMemoryBlock, kFile, kText, kHtmlToText, kInlineWords };

struct Shape {
  const char* name;
  Entry entry;
  const char* className;  // for kText: the class whose constructor parses it
  std::function<std::string(size_t)> make;
  // Host objects the input makes, for shapes that make one every few bytes
  // (0 for the others): their cost is printed per object.
  std::function<size_t(size_t)> objects;
};

std::vector<Shape> Shapes() {
  using S = std::string;
  const auto message = [](const S& field, const S& unit, const S& suffix) {
    return [=](size_t n) { return Message(Repeated(field, unit, suffix, n)); };
  };
  const auto text = [](const S& prefix, const S& unit, const S& suffix) {
    return [=](size_t n) { return Repeated(prefix, unit, suffix, n); };
  };
  std::vector<Shape> shapes = {
      {"From: a a a ...@x", Entry::kString, nullptr, message("From: ", "a ", "@x"), {}},
      {"From: a a a ...@x", Entry::kMemoryBlock, nullptr, message("From: ", "a ", "@x"), {}},
      {"From: a a a ...@x", Entry::kFile, nullptr, message("From: ", "a ", "@x"), {}},
      {"Sender: a a a ...@x", Entry::kString, nullptr, message("Sender: ", "a ", "@x"), {}},
      {"To: a a a ...@x", Entry::kString, nullptr, message("To: ", "a ", "@x"), {}},
      {"To: g: a a a ...@x;", Entry::kString, nullptr, message("To: g: ", "a ", "@x;"), {}},
      {"From: x@a a a ...", Entry::kString, nullptr, message("From: x@", "a ", "y"), {}},
      {"From: <@a a a ...:x@y>", Entry::kString, nullptr, message("From: <@", "a ", ":x@y>"), {}},
      {"From: x(c)(c)...@y", Entry::kString, nullptr, message("From: x", "(c)", "@y"), {}},
      {"From: x((((...))))@y", Entry::kString, nullptr,
       [](size_t n) { return Message(Nested("From: x", '(', ')', "@y", n)); }, {}},
      {"Date: ()()()...", Entry::kString, nullptr, message("Date: ", "()", ""), {}},
      {"Date: ((((...))))", Entry::kString, nullptr,
       [](size_t n) { return Message(Nested("Date: ", '(', ')', "", n)); }, {}},
      {"Received: x; ()()()...", Entry::kString, nullptr, message("Received: x; ", "()", ""), {}},
      {"To: a@b.test, a@b.test, ...", Entry::kString, nullptr,
       message("To: ", "a@b.test, ", "a@b.test"), [](size_t n) { return n / 10; }},
      {"To: \"A, B\" <a@b.test>, ...", Entry::kString, nullptr,
       message("To: ", "\"A, B\" <a@b.test>, ", "a@b.test"), [](size_t n) { return n / 19; }},
      {"To: ,,,...", Entry::kString, nullptr, message("To: ", ",", "a@b.test"), {}},
      {"empty parts", Entry::kString, nullptr,
       [](size_t n) {
         return Repeated("Content-Type: multipart/mixed; boundary=b\r\n\r\n", "--b\r\n\r\n",
                         "--b--\r\n", n);
       },
       [](size_t n) { return n / 7; }},
      {"header fields X: y", Entry::kString, nullptr, text("", "X: y\r\n", "\r\nbody\r\n"),
       [](size_t n) { return n / 6; }},
      {"HTML only: 16 <ul, <li<li...", Entry::kString, nullptr,
       [](size_t n) { return Html(Repeated(kSixteenLists, "<li", "", n)); },
       {}},
      {"Subject: =?utf-8?q?a?= ...", Entry::kString, nullptr,
       message("Subject: ", "=?utf-8?q?a?= ", "x"), {}},
  };
  for (const char* className :
       {"MimeMailboxZQV", "MimeAddressZQV", "MimeMailboxListZQV", "MimeAddressListZQV", "MimeGroupZQV"}) {
    const bool group = S(className) == "MimeGroupZQV";
    shapes.push_back({"a a a ...@x", Entry::kText, className,
                      text(group ? "g: " : "", "a ", group ? "@x;" : "@x"), {}});
    shapes.push_back({"x(c)(c)...@y", Entry::kText, className,
                      text(group ? "g: x" : "x", "(c)", group ? "@y;" : "@y"), {}});
  }
  shapes.push_back({"a@b.test,,,...", Entry::kText, "MimeAddressListZQV", text("a@b.test", ",", ""), {}});
  shapes.push_back({"a@b.test,,,...", Entry::kText, "MimeMailboxListZQV", text("a@b.test", ",", ""), {}});
  const std::vector<std::pair<const char*, std::function<std::string(size_t)>>> html = {
      {"plain text", text("", "text ", "")},
      {"unclosed tags <a<a<a...", text("", "<a", "")},
      {"16 <ul, then <li<li...", text(kSixteenLists, "<li", "")},
      {"nested lists <ul><li>x...", text("", "<ul><li>x", "")},
      {"entities &amp;&amp;...", text("", "&amp;", "")},
      {"entities &#x41;&#x41;...", text("", "&#x41;", "")},
      {"entities &bogus;&bogus;...", text("", "&bogus;", "")},
  };
  for (const auto& [name, make] : html) shapes.push_back({name, Entry::kHtmlToText, nullptr, make, {}});
  shapes.push_back({"=?utf-8?q?a?= =?utf-8?q?a?= ...", Entry::kInlineWords, nullptr,
                    text("", "=?utf-8?q?a?= ", ""), {}});
  shapes.push_back({"=?utf-8?b?YQ==?==?utf-8?b?YQ==?=...", Entry::kInlineWords, nullptr,
                    text("", "=?utf-8?b?YQ==?=", ""), {}});
  shapes.push_back({"=?utf-8?q? =?utf-8?q? ... (never closed)", Entry::kInlineWords, nullptr,
                    text("", "=?utf-8?q? ", ""), {}});
  return shapes;
}

std::string EntryName(const Shape& shape) {
  switch (shape.entry) {
    case Entry::kString: return "MimeEmailZQV(String)";
    case Entry::kMemoryBlock: return "MimeEmailZQV(MemoryBlock)";
    case Entry::kFile: return "MimeEmailZQV(FolderItem)";
    case Entry::kText: return std::string(shape.className) + "(TextToParse)";
    case Entry::kHtmlToText: return "HTMLToPlainText";
    case Entry::kInlineWords: return "DecodeInline";
  }
  return "";
}

// ---- measuring ------------------------------------------------------------------

long StatusKilobytes(const char* key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  }
  return -1;
}

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Figures {
  double seconds = 0;
  double peakMB = 0;
};

// One call of the shape's entry point on `input`, with everything it made
// released before the measurement ends.
Figures Measure(emu::Host& host, const Shape& shape, const std::string& input, const fs::path& scratch,
                bool freshMemory) {
  emu::Value argument;
  switch (shape.entry) {
    case Entry::kMemoryBlock: argument = host.memoryBlock(input); break;
    case Entry::kFile: {
      const fs::path file = scratch / "stress.eml";
      std::ofstream(file, std::ios::binary) << input;
      argument = host.folderItem(file.string());
      break;
    }
    default: argument = host.string(input, kREALTextEncodingUTF8); break;
  }
  // The first call maps its large blocks afresh, as in a process that has
  // done nothing else, after what earlier calls freed (which would hide
  // what this one takes) has gone back to the system; repeats keep every
  // block in the heap, whose pages the first call has faulted in already.
  mallopt(M_MMAP_MAX, freshMemory ? kDefaultMappedBlocks : 0);
  if (freshMemory) malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";  // resets the high-water mark
  const long before = StatusKilobytes("VmRSS:");
  const double start = ThreadSeconds();
  switch (shape.entry) {
    case Entry::kString:
    case Entry::kMemoryBlock: {
      const char* constructor = shape.entry == Entry::kString ? kStringConstructor : kMemoryBlockConstructor;
      emu::Obj message = host.construct(kEmailClass, constructor, {argument});
      (void)host.get(message, "PlainText");
      break;
    }
    case Entry::kFile: {
      emu::Obj message = host.construct(kEmailClass, kFileConstructor, {argument});
      (void)host.get(message, "PlainText");
      break;
    }
    case Entry::kText: {
      emu::Obj parsed = host.construct(shape.className, kTextConstructor, {argument});
      (void)host.get(parsed, "StringValue");
      break;
    }
    case Entry::kHtmlToText: (void)host.callShared(kEmailClass, kHTMLToPlainText, {argument}); break;
    case Entry::kInlineWords: (void)host.callShared(kEmailClass, kDecodeInline, {argument}); break;
  }
  Figures figures;
  figures.seconds = ThreadSeconds() - start;
  figures.peakMB = static_cast<double>(StatusKilobytes("VmHWM:") - before) / 1024.0 * 1.048576;
  if (auto raised = host.takeException()) {
    std::cout << "  (raised " << raised->className << ": " << raised->message << ")\n";
  }
  return figures;
}

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

int Run(const std::string& pluginPath, size_t largest, const std::string& filter) {
  emu::Host::Options options;
  options.keptDeadHandles = 0;  // a real host frees at once
  const fs::path scratch = fs::temp_directory_path() / ("zqv-stress-" + std::to_string(getpid()));
  fs::create_directories(scratch);

  std::vector<size_t> sizes;
  for (size_t size = 100000; size <= largest; size *= 10) sizes.push_back(size);

  std::printf("%-42s %-30s", "shape", "entry point");
  for (size_t size : sizes) std::printf(" %14s", (Fixed(size / kBytesPerMB, 1) + " MB s/MB").c_str());
  std::printf("  growth per 10x   verdict\n");
  int outside = 0;
  for (const Shape& shape : Shapes()) {
    const std::string entry = EntryName(shape);
    if (!filter.empty() && (std::string(shape.name) + " " + entry).find(filter) == std::string::npos) {
      continue;
    }
    std::vector<Figures> figures;
    std::printf("%-42s %-30s", shape.name, entry.c_str());
    std::fflush(stdout);
    for (size_t size : sizes) {
      if (!figures.empty() && figures.back().seconds > kSkipAfterSeconds) {
        std::printf(" %14s", "skipped");
        continue;
      }
      const std::string input = shape.make(size);
      // The peak memory from a first call on memory given back to the
      // system, in a host of its own whose records take memory afresh; the
      // time from the fastest call, the repeats finding their memory already
      // mapped (see main), so that the figure measures the work and not the
      // page faults of what the calls before it left behind. Every size is
      // repeated, however long it takes: timing a large input on its first
      // call would charge it page faults that a small one is spared. A few
      // milliseconds say more about the neighbours than about the shape, so
      // short calls are repeated more.
      emu::Host host(options);
      host.loadPlugin(pluginPath);
      Figures f = Measure(host, shape, input, scratch, true);
      // The first repeat may still grow the heap; the second finds it warm.
      double spent = 0;
      for (int repeats = 0; repeats < kLeastRepeats || spent < kRepeatUntilSeconds; ++repeats) {
        const double seconds = Measure(host, shape, input, scratch, false).seconds;
        spent += seconds;
        f.seconds = std::min(f.seconds, seconds);
      }
      figures.push_back(f);
      std::printf(" %6s %7s", Fixed(f.seconds, 3).c_str(),
                  (Fixed(f.peakMB, 0) + "/" + Fixed(f.peakMB / (input.size() / kBytesPerMB), 1)).c_str());
      std::fflush(stdout);
    }
    double worstGrowth = 0;
    std::string growth;
    for (size_t i = 1; i < figures.size(); ++i) {
      // Below a tenth of a millisecond the clock says more about the machine
      // than about the shape.
      const double ratio = figures[i].seconds / std::max(figures[i - 1].seconds, kShortestTimed);
      worstGrowth = std::max(worstGrowth, ratio);
      growth += " x" + Fixed(ratio, 1);
    }
    const bool complete = figures.size() == sizes.size();
    const bool makesObjects = static_cast<bool>(shape.objects);
    const bool linear = complete && worstGrowth <= kMostGrowthPerTenfold;
    const bool fast = complete && (makesObjects || figures.back().seconds <= kMostSecondsAtLargest);
    std::string verdict = linear && fast ? "within" : "OUTSIDE";
    if (makesObjects && complete) {
      const double objects = static_cast<double>(shape.objects(sizes.back()));
      verdict += " (" + Fixed(figures.back().seconds / objects * 1e6, 2) + " us and " +
                 Fixed(figures.back().peakMB * 1e6 / objects, 0) + " bytes per object)";
    }
    if (!(linear && fast)) ++outside;
    std::printf("  %-15s  %s\n", growth.c_str(), verdict.c_str());
  }
  fs::remove_all(scratch);
  std::printf("\nEach size: CPU seconds, then peak memory added as MB / multiple of the input.\n");
  std::printf("%d shape(s) outside the goal (growth <= x%.0f per 10x, largest <= %.0f s).\n", outside,
              kMostGrowthPerTenfold, kMostSecondsAtLargest);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Freed memory stays in the heap until a measurement gives it back on
  // purpose (see Measure): otherwise only small inputs would find their
  // memory warm on a repeat.
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  std::string pluginPath = ZQV_PLUGIN_FILE;
  size_t largest = 10000000;
  std::string filter;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--plugin" && i + 1 < argc) {
      pluginPath = argv[++i];
    } else if (argument == "--largest" && i + 1 < argc) {
      largest = std::strtoull(argv[++i], nullptr, 10);
    } else {
      filter = argument;
    }
  }
  try {
    return Run(pluginPath, largest, filter);
  } catch (const std::exception& error) {
    std::cerr << "stress: " << error.what() << "\n";
    return 2;
  }
}
