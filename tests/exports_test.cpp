// What the plugin library shows the loader: one entry point and libraries
// every machine has, so that Xojo can load it without a C++ runtime beside it.
// (A library built for another processor would not load in any plugin test.)

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "plugin_test.h"

namespace {

struct LibraryTables {
  std::vector<std::string> exports;
  std::vector<std::string> imports;  // library names
};

#ifdef _WIN32

// Libraries every Windows has; the C++ runtime, libgcc and winpthread
// (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll) must be linked in
// instead.
const std::set<std::string> kSystemLibraries = {"kernel32.dll", "msvcrt.dll", "user32.dll",
                                                "advapi32.dll", "ntdll.dll"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Maps the DLL as an image without running any of its code, and walks its
// export and import directories.
LibraryTables ReadTables() {
  LibraryTables tables;
  const std::string path = ZQV_PLUGIN_FILE;
  const std::wstring wide(path.begin(), path.end());  // the build tree's path is ASCII
  HMODULE module = LoadLibraryExW(wide.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (module == nullptr) return tables;
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& exportEntry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (exportEntry.Size != 0) {
    const auto* directory =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + exportEntry.VirtualAddress);
    const auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
      tables.exports.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    }
  }
  const IMAGE_DATA_DIRECTORY& importEntry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (importEntry.Size != 0) {
    for (const auto* library =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + importEntry.VirtualAddress);
         library->Name != 0; ++library) {
      tables.imports.push_back(Lower(reinterpret_cast<const char*>(base + library->Name)));
    }
  }
  FreeLibrary(module);
  return tables;
}

#else

// The C library, the maths library and the loader itself.
#if defined(__x86_64__)
const std::set<std::string> kSystemLibraries = {"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2"};
#elif defined(__aarch64__)
const std::set<std::string> kSystemLibraries = {"libc.so.6", "libm.so.6", "ld-linux-aarch64.so.1"};
#endif

// What a line of a tool's output about the library gives for `pattern`'s
// first group, for every line that has it.
std::vector<std::string> Matches(const std::string& tool, const std::string& pattern) {
  std::istringstream output(RunCommand(tool + " '" + ZQV_PLUGIN_FILE + "'").first);
  const std::regex expression(pattern);
  std::vector<std::string> found;
  for (std::string line; std::getline(output, line);) {
    std::smatch match;
    if (std::regex_search(line, match, expression)) found.push_back(match[1]);
  }
  return found;
}

LibraryTables ReadTables() {
  return {Matches("nm -D --defined-only", R"(^[0-9a-fA-F]+\s+\S\s+(\S+)$)"),
          Matches("readelf -d", R"(\(NEEDED\)\s+Shared library: \[(.+)\])")};
}

#endif  // _WIN32

TEST(ExportsTest, OnlyTheEntryPointAndOnlySystemLibraries) {
  const LibraryTables tables = ReadTables();
  EXPECT_EQ(tables.exports, std::vector<std::string>{"REALPluginMain"});
#ifdef ZQV_SANITIZED_BUILD
  GTEST_SKIP() << "a sanitizer build takes the C++ runtime from the program that loads it";
#endif
  ASSERT_FALSE(tables.imports.empty()) << "no import table found";
  for (const std::string& library : tables.imports) {
    EXPECT_EQ(kSystemLibraries.count(library), 1u) << library;
  }
}

}  // namespace
