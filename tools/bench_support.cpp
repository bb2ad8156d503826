// The pieces every part of the benchmark shares: clocks and counters of this
// thread, summaries of runs, the corpora, the plugin as host code uses it,
// GMime's reader and child processes.
#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string_view>

namespace bench {

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string ReadFile(const fs::path& path) {
  // Read into room of its final size: growing a string frees large blocks,
  // and glibc then serves later blocks of that size from the heap, which
  // would warm a process meant to start cold.
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  std::string bytes(static_cast<size_t>(fs::file_size(path)), '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot read " + path.string());
  return bytes;
}

Summary Summarize(std::vector<double> values) {
  Summary summary;
  if (values.empty()) return summary;
  std::sort(values.begin(), values.end());
  summary.min = values.front();
  summary.max = values.back();
  const size_t middle = values.size() / 2;
  summary.median =
      values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
  return summary;
}

std::string Show(const Summary& summary, int precision) {
  char shown[96];
  std::snprintf(shown, sizeof shown, "%.*f / %.*f / %.*f", precision, summary.min, precision,
                summary.median, precision, summary.max);
  return shown;
}

// Runs `once` (which answers the seconds it measured) until the runs add up to
// kMinimumSeconds; answers each run's seconds.
std::vector<double> RepeatForAWhile(const std::function<double()>& once) {
  std::vector<double> seconds;
  double total = 0;
  while (total < kMinimumSeconds || seconds.size() < kMinimumRuns) {
    seconds.push_back(once());
    total += seconds.back();
  }
  return seconds;
}

std::vector<double> Throughputs(const std::vector<double>& seconds, double bytes) {
  std::vector<double> megabytesPerSecond;
  for (double run : seconds) megabytesPerSecond.push_back(bytes / run / kBytesPerMB);
  return megabytesPerSecond;
}

bool IsArrayMethod(const char* declaration) {
  const std::string_view text(declaration);
  const size_t as = text.find(" as ");
  return as != std::string_view::npos && text.find('(') > as && text.size() > 2 &&
         text.substr(text.size() - 2) == "()";
}

EmailMembers FindEmailMembers(const emu::Host& host) {
  EmailMembers members;
  for (const emu::RegisteredClass* cls = host.registeredClass(kEmailClass); cls != nullptr;
       cls = cls->superName.empty() ? nullptr : host.registeredClass(cls->superName)) {
    const REALclassDefinition& record = *cls->record;
    for (uint64_t i = 0; i < record.propertyCount; ++i) {
      if (record.properties[i].getter != nullptr) members.properties.push_back(record.properties[i].name);
    }
    for (uint64_t i = 0; i < record.methodCount; ++i) {
      if (IsArrayMethod(record.methods[i].declaration)) {
        members.arrayMethods.push_back(record.methods[i].declaration);
      }
    }
  }
  return members;
}

// One message as host code handles it; everything made here is released
// before it returns.
void ConstructAndRead(emu::Host& host, const EmailMembers& members, const emu::Value& content,
                      PluginRun& run, const char* constructor) {
  emu::Obj email = host.construct(kEmailClass, constructor, {content});
  if (host.takeException()) ++run.exceptions;
  for (const std::string& property : members.properties) {
    emu::Value value = host.get(email, property);
    if (host.takeException()) ++run.exceptions;
  }
  for (const std::string& method : members.arrayMethods) {
    emu::Value value = host.call(email, method);
    if (value.isNothing() || value.obj().isNil()) continue;
    const int64_t upperBound = host.ubound(value.obj());
    for (int64_t index = 0; index <= upperBound; ++index) host.element(value.obj(), index);
  }
}

// A host that frees dead strings and objects at once, as a real one does:
// the memory the emulator keeps to name late releases would only cool the
// caches the plugin works in.
emu::Host::Options BenchHostOptions() {
  emu::Host::Options options;
  options.keptDeadHandles = 0;
  return options;
}

// Text read from a file or socket in Xojo carries no encoding.
std::vector<emu::Str> HostStrings(emu::Host& host, const std::vector<std::string>& messages) {
  std::vector<emu::Str> strings;
  for (const std::string& message : messages) {
    strings.push_back(host.string(message, kREALTextEncodingUnknown));
  }
  return strings;
}

Corpus LoadCorpus(const CorpusFiles& listed) {
  Corpus corpus{listed.name, {}, 0, listed.leastPluginShareOfGMime};
  for (const fs::path& file : listed.files) {
    corpus.messages.push_back(ReadFile(file));
    corpus.bytes += static_cast<double>(corpus.messages.back().size());
  }
  return corpus;
}

std::vector<CorpusFiles> ListCorpora(const fs::path& directory) {
  std::vector<fs::path> small;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory / "small")) {
    if (entry.path().extension() == ".eml") small.push_back(entry.path());
  }
  std::sort(small.begin(), small.end());
  return {
      {std::to_string(small.size()) + " small messages", small,
       kLeastPluginShareOfGMimeOnSmallMessages},
      {"newsletter", {directory / "newsletter.eml"}, kLeastPluginShareOfGMime},
      {"2 MB attachment", {directory / "attachment-2mb.eml"}, kLeastPluginShareOfGMime},
      {"10 MB attachment", {directory / "attachment-10mb.eml"}, kLeastPluginShareOfGMime},
      {"10 inline images", {directory / "inline-images.eml"}, kLeastPluginShareOfGMime},
  };
}

std::vector<Corpus> LoadCorpora(const fs::path& directory) {
  std::vector<Corpus> corpora;
  for (const CorpusFiles& listed : ListCorpora(directory)) corpora.push_back(LoadCorpus(listed));
  return corpora;
}

}  // namespace bench
