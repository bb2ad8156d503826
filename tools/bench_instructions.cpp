// What the benchmark measures of the parser alone, and the instruction counts
// of one construction under callgrind, with the child mode that callgrind
// runs.
#include "bench_instructions.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include <mimetic/codec/base64.h>
#include <mimetic/codec/qp.h>
#include <mimetic/mimeentity.h>

namespace bench {

namespace {

bool IsMechanism(const mimetic::ContentTransferEncoding& encoding, const char* name) {
  const std::string& mechanism = encoding.mechanism();
  return mechanism.size() == std::strlen(name) && strncasecmp(mechanism.c_str(), name, mechanism.size()) == 0;
}

template <class Decoder>
size_t DecodeWith(const std::string& body, size_t mostDecodedBytes) {
  std::string decoded;
  decoded.reserve(mostDecodedBytes);
  Decoder decoder;
  decoder.process(body.begin(), body.end(), std::back_inserter(decoded));
  return decoded.size();
}

// Answers the decoded size, so the work cannot be optimised away.
size_t DecodeLeaves(const mimetic::MimeEntity& entity) {
  const mimetic::MimeEntityList& parts = entity.body().parts();
  if (!parts.empty()) {
    size_t decodedBytes = 0;
    for (const mimetic::MimeEntity* part : parts) decodedBytes += DecodeLeaves(*part);
    return decodedBytes;
  }
  const mimetic::ContentTransferEncoding& encoding = entity.header().contentTransferEncoding();
  const std::string& body = entity.body();
  if (IsMechanism(encoding, "base64")) {
    return DecodeWith<mimetic::Base64::Decoder>(body, body.size() / 4 * 3 + 3);
  }
  if (IsMechanism(encoding, "quoted-printable")) {
    return DecodeWith<mimetic::QP::Decoder>(body, body.size());
  }
  return body.size();
}

}  // namespace

size_t ParseWithMimetic(const std::string& message) {
  std::istringstream stream(message);
  const mimetic::MimeEntity entity(stream);
  return DecodeLeaves(entity);
}

namespace {

// Kept out of line: callgrind counts only what runs inside these, by name.
__attribute__((noinline)) void MeasuredConstruction(emu::Host& host, const EmailMembers& members,
                                                     const emu::Str& content) {
  PluginRun run;
  ConstructAndRead(host, members, content, run);
}

__attribute__((noinline)) size_t MeasuredMimeticParse(const std::string& message) {
  return ParseWithMimetic(message);
}

__attribute__((noinline)) size_t MeasuredGMimeRead(ReadWithGMimeFunction readWithGMime,
                                                   const std::string& message) {
  return readWithGMime(message.data(), message.size());
}

const char* MeasuredFunction(const std::string& side) {
  if (side == "plugin") return "*MeasuredConstruction*";
  if (side == "gmime") return "*MeasuredGMimeRead*";
  return "*MeasuredMimeticParse*";
}

}  // namespace

// One measured run, after a warm-up of the same work that callgrind does not
// count, so that first-call costs (host function look-ups, GMime's tables)
// stay out.
int OnceChild(const std::string& side, const std::string& file, const std::string& pluginPath) {
  const std::string message = ReadFile(file);
  if (side == "mimetic") {
    ParseWithMimetic(message);
    return MeasuredMimeticParse(message) > 0 ? 0 : 1;
  }
  if (side == "gmime") {
    const ReadWithGMimeFunction readWithGMime = LoadGMimeReader();
    if (readWithGMime == nullptr) return 1;
    readWithGMime(message.data(), message.size());
    return MeasuredGMimeRead(readWithGMime, message) > 0 ? 0 : 1;
  }
  emu::Host host(BenchHostOptions());
  host.loadPlugin(pluginPath);
  const EmailMembers members = FindEmailMembers(host);
  const std::vector<emu::Str> content = HostStrings(host, {message});
  PluginRun warmUp;
  ConstructAndRead(host, members, content.front(), warmUp);
  MeasuredConstruction(host, members, content.front());
  return 0;
}

namespace {

fs::path CallgrindOutput(const std::string& side, const fs::path& file) {
  return fs::temp_directory_path() /
         ("bench-callgrind-" + side + "-" + file.stem().string() + "-" + std::to_string(getpid()) + ".out");
}

// The instructions of one measured run of `side` on `file` under callgrind;
// its profile is left in CallgrindOutput(side, file).
std::optional<uint64_t> CallgrindInstructions(const std::string& side, const fs::path& file,
                                              const std::string& pluginPath) {
  const fs::path output = CallgrindOutput(side, file);
  const std::optional<std::string> printed = RunChild(
      {"/usr/bin/valgrind", "--tool=callgrind", "--quiet", "--collect-atstart=no",
       std::string("--toggle-collect=") + MeasuredFunction(side),
       "--callgrind-out-file=" + output.string(), SelfPath(), "--once", side, file.string(),
       "--plugin", pluginPath});
  if (!printed) return std::nullopt;
  std::ifstream profile(output);
  std::string line;
  std::optional<uint64_t> instructions;
  while (std::getline(profile, line)) {
    if (line.rfind("totals:", 0) == 0 || line.rfind("summary:", 0) == 0) {
      instructions = std::strtoull(line.c_str() + line.find(':') + 1, nullptr, 10);
    }
  }
  return instructions;
}

void PrintTopFunctions(const fs::path& profile) {
  const std::optional<std::string> annotated = RunChild(
      {"/usr/bin/callgrind_annotate", "--inclusive=no", "--auto=no", profile.string()}, false);
  if (!annotated) return;
  std::istringstream lines(*annotated);
  std::string line;
  bool inTable = false;
  int shown = 0;
  constexpr int kShownFunctions = 15;
  while (std::getline(lines, line) && shown < kShownFunctions) {
    if (!inTable) {
      inTable = line.find("file:function") != std::string::npos;
      continue;
    }
    if (line.find_first_not_of(" -") == std::string::npos) continue;
    std::cout << "  " << line.substr(0, 150) << "\n";
    ++shown;
  }
}

std::string WithThousands(uint64_t value) {
  std::string digits = std::to_string(value);
  for (ptrdiff_t at = static_cast<ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return digits;
}

}  // namespace

// Instructions per input byte of one construction of `file` (and of one parse
// and decoding by mimetic and by GMime, to read it against); answers the
// plugin's.
std::optional<double> ReportInstructionsPerByte(const fs::path& file, const std::string& pluginPath,
                                                bool withGMime) {
  const double bytes = static_cast<double>(fs::file_size(file));
  std::optional<double> pluginPerByte;
  std::cout << "callgrind, " << file.filename().string() << " (" << WithThousands(fs::file_size(file))
            << " bytes), instructions of one construction, read and release (plugin) or one parse "
               "and decoding:\n";
  std::vector<std::string> sides = {"plugin", "mimetic"};
  if (withGMime) sides.push_back("gmime");
  for (const std::string& side : sides) {
    const std::optional<uint64_t> instructions = CallgrindInstructions(side, file, pluginPath);
    fs::remove(CallgrindOutput(side, file));
    if (!instructions) {
      std::cout << "  " << side << ": the run under valgrind failed\n";
      continue;
    }
    const double perByte = static_cast<double>(*instructions) / bytes;
    char shown[128];
    std::snprintf(shown, sizeof shown, "  %-8s %15s  %6.1f per input byte\n", side.c_str(),
                  WithThousands(*instructions).c_str(), perByte);
    std::cout << shown;
    if (side == "plugin") pluginPerByte = perByte;
  }
  return pluginPerByte;
}

// Instruction counts of one construction of the newsletter, and the functions
// that spent the most of them.
void ReportCallgrindDetail(const fs::path& file, const std::string& pluginPath) {
  const std::optional<uint64_t> mimetic = CallgrindInstructions("mimetic", file, pluginPath);
  const std::optional<uint64_t> plugin = CallgrindInstructions("plugin", file, pluginPath);
  fs::remove(CallgrindOutput("mimetic", file));
  if (!mimetic || !plugin) {
    std::cout << "callgrind: a run under valgrind failed\n";
    return;
  }
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%.2fx", static_cast<double>(*plugin) / static_cast<double>(*mimetic));
  std::cout << "callgrind, " << file.filename().string() << ": mimetic " << WithThousands(*mimetic)
            << " instructions, plugin " << WithThousands(*plugin) << " (" << ratio << ")\n"
            << "callgrind plugin, the functions with the most instructions of their own:\n";
  PrintTopFunctions(CallgrindOutput("plugin", file));
  fs::remove(CallgrindOutput("plugin", file));
}

}  // namespace bench
