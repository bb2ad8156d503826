// What the Windows DLL shows the loader: one entry point, and imports from
// system DLLs only, so that Xojo can load it without a C++ runtime beside it.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace {

struct DllTables {
  std::vector<std::string> exports;
  std::vector<std::string> imports;  // DLL names
};

std::wstring WideOf(const std::string& utf8) {
  const int size = static_cast<int>(utf8.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), units);
  return wide;
}

// Maps the DLL as an image without running any of its code, and walks its
// export and import directories.
bool ReadTables(const std::string& path, DllTables& tables) {
  HMODULE module = LoadLibraryExW(WideOf(path).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (module == nullptr) return false;
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  // The headers of this build's own width: PE32 for 32-bit code, PE32+ for 64-bit.
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
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
      tables.imports.emplace_back(reinterpret_cast<const char*>(base + library->Name));
    }
  }
  FreeLibrary(module);
  return true;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

TEST(WindowsExports, OnlyTheEntryPointAndOnlySystemImports) {
  DllTables tables;
  ASSERT_TRUE(ReadTables(ZQV_PLUGIN_FILE, tables)) << ZQV_PLUGIN_FILE;

  EXPECT_EQ(tables.exports, std::vector<std::string>{"REALPluginMain"});
  // Libraries every Windows has; the C++ runtime, libgcc and winpthread
  // (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll) must be
  // linked in instead.
  const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll",
                                        "advapi32.dll", "ntdll.dll"};
  ASSERT_FALSE(tables.imports.empty());
  for (const std::string& library : tables.imports) {
    EXPECT_EQ(system.count(Lower(library)), 1u) << library;
  }
}

}  // namespace

#endif  // _WIN32
