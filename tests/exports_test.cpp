// What the shared library shows the loader: one entry point, its processor,
// and no C++ runtime that the host process would have to provide.

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "plugin_test.h"

namespace {

// Standard output of a shell command, one entry per line.
std::vector<std::string> CommandLines(const std::string& command) {
  std::istringstream output(RunCommand(command).first);
  std::vector<std::string> lines;
  for (std::string line; std::getline(output, line);) lines.push_back(line);
  return lines;
}

std::string PluginFile() { return std::string("'") + ZQV_PLUGIN_FILE + "'"; }

TEST(ExportsTest, OnlyTheEntryPointIsExported) {
  std::vector<std::string> defined;
  const std::regex symbolLine(R"(^[0-9a-fA-F]+\s+\S\s+(\S+)$)");
  for (const std::string& line : CommandLines("nm -D --defined-only " + PluginFile())) {
    std::smatch match;
    if (std::regex_match(line, match, symbolLine)) defined.push_back(match[1]);
  }
  EXPECT_EQ(defined, std::vector<std::string>{"REALPluginMain"});
}

// Xojo loads the library into applications built for one processor, on
// machines that need not have any C++ runtime installed: it must be built for
// the processor of the programs that load it here, and ask the loader only
// for the C library, the maths library and the loader itself.
TEST(ExportsTest, BuiltForThisProcessorAndNeedsOnlyTheCLibrary) {
#if defined(__x86_64__)
  const std::string machine = "Advanced Micro Devices X86-64";
  const std::string loader = "ld-linux-x86-64.so.2";
#elif defined(__i386__)
  const std::string machine = "Intel 80386";
  const std::string loader = "ld-linux.so.2";
#elif defined(__aarch64__)
  const std::string machine = "AArch64";
  const std::string loader = "ld-linux-aarch64.so.1";
#elif defined(__arm__)
  const std::string machine = "ARM";
  const std::string loader = "ld-linux-armhf.so.3";
#endif
  const std::vector<std::string> header = CommandLines("readelf -h " + PluginFile());
  const std::regex machineLine(R"(^\s*Machine:\s+(.+)$)");
  std::string built;
  for (const std::string& line : header) {
    std::smatch match;
    if (std::regex_match(line, match, machineLine)) built = match[1];
  }
  EXPECT_EQ(built, machine);

#ifdef ZQV_SANITIZED_BUILD
  GTEST_SKIP() << "a sanitizer build takes the C++ runtime from the program that loads it";
#endif
  std::set<std::string> needed;
  const std::regex neededLine(R"(\(NEEDED\)\s+Shared library: \[(.+)\])");
  for (const std::string& line : CommandLines("readelf -d " + PluginFile())) {
    std::smatch match;
    if (std::regex_search(line, match, neededLine)) needed.insert(match[1]);
  }
  ASSERT_FALSE(needed.empty()) << "readelf found no dynamic section";
  const std::set<std::string> system = {"libc.so.6", "libm.so.6", loader};
  for (const std::string& library : needed) EXPECT_EQ(system.count(library), 1u) << library;
}

}  // namespace
