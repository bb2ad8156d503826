#include "fuzz_host.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace fuzzing {

// Never destroyed: the emulator's own process-wide state may be gone by the
// time static destructors run, and the process ends anyway.
emu::Host& FuzzHost() {
  static emu::Host* const host = [] {
    auto* made = new emu::Host();
    made->loadPlugin();
    return made;
  }();
  return *host;
}

void RequireCleanHost(emu::Host& host, std::string_view during) {
  const std::string report = host.leakReport();
  if (report.empty()) return;
  std::fprintf(stderr, "host references misused or left alive after %.*s:\n%s\n",
               static_cast<int>(during.size()), during.data(), report.c_str());
  std::abort();
}

void SetFormatExceptions(emu::Host& host, bool raise) {
  host.setShared("MimeEmailZQV", "RaiseUnknownFormatExceptions", emu::Value(raise));
}

std::string WriteTemporaryFile(const uint8_t* data, size_t size) {
  char path[] = "/tmp/zqv-fuzz-XXXXXX";
  const int descriptor = mkstemp(path);
  if (descriptor < 0) {
    std::perror("mkstemp");
    std::abort();
  }
  for (size_t written = 0; written < size;) {
    const ssize_t count = write(descriptor, data + written, size - written);
    if (count <= 0) {
      std::perror("write");
      std::abort();
    }
    written += static_cast<size_t>(count);
  }
  close(descriptor);
  return path;
}

std::vector<std::string> ClassesParsingText(emu::Host& host) {
  std::vector<std::string> names;
  for (const emu::RegisteredClass& registered : host.registeredClasses()) {
    if (registered.name == "MimeEmailZQV") continue;
    if (host.findMethod(registered.name, kParseTextConstructor) != nullptr) {
      names.push_back(registered.name);
    }
  }
  return names;
}

}  // namespace fuzzing
