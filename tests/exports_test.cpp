// What the shared library shows the loader: one entry point, and no C++
// runtime that the host process would have to provide.

#include <regex>
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

TEST(ExportsTest, NeedsNoSharedCxxRuntime) {
#ifdef ZQV_SANITIZED_BUILD
  GTEST_SKIP() << "a sanitizer build takes the C++ runtime from the program that loads it";
#endif
  std::vector<std::string> needed;
  const std::regex neededLine(R"(\(NEEDED\)\s+Shared library: \[(.+)\])");
  for (const std::string& line : CommandLines("readelf -d " + PluginFile())) {
    std::smatch match;
    if (std::regex_search(line, match, neededLine)) needed.push_back(match[1]);
  }
  ASSERT_FALSE(needed.empty()) << "readelf found no dynamic section";
  for (const std::string& library : needed) {
    EXPECT_EQ(library.rfind("libstdc++", 0), std::string::npos) << library;
    EXPECT_EQ(library.rfind("libgcc_s", 0), std::string::npos) << library;
  }
}

}  // namespace
