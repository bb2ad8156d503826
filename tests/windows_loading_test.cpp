// Message files on Windows paths as Xojo hands them over: long ones, which
// need the \\?\ form from 261 UTF-16 units on, and ones with characters
// outside any ANSI code page.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "plugin_test.h"

namespace {

const std::wstring kPrefix = L"\\\\?\\";

std::string UTF8Of(const std::wstring& wide) {
  const int units = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// A fresh directory under the system's temporary one. Everything below it
// is made and removed through the \\?\ form, which Windows takes at any
// length.
class LongPathDirectory {
 public:
  LongPathDirectory() {
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    root_ = std::wstring(base) + L"zqv-long-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64());
    if (CreateDirectoryW((kPrefix + root_).c_str(), nullptr)) made_.emplace_back(root_, true);
  }
  ~LongPathDirectory() {
    for (auto entry = made_.rbegin(); entry != made_.rend(); ++entry) {
      const std::wstring prefixed = kPrefix + entry->first;
      entry->second ? RemoveDirectoryW(prefixed.c_str()) : DeleteFileW(prefixed.c_str());
    }
  }

  // A file of exactly `units` UTF-16 units of path below the directory,
  // through directories named with non-ASCII letters and a character
  // outside the Basic Multilingual Plane.
  std::wstring fileOfLength(size_t units, const std::string& bytes) {
    const std::wstring name = L"Gr\u00FC\u00DFe-\U0001F600.eml";
    std::wstring directory = root_;
    size_t fill = units - root_.size() - 1 - name.size();
    while (fill > 0) {
      // Components of at most 100 units, each with the separator before it;
      // the last one gets at least one unit.
      const size_t component = fill > 101 ? std::min<size_t>(100, fill - 3) : fill - 1;
      directory += L"\\" + std::wstring(component, L'\u00E9');
      fill -= component + 1;
      // Paths of several lengths share their first directories.
      if (CreateDirectoryW((kPrefix + directory).c_str(), nullptr)) {
        made_.emplace_back(directory, true);
      }
    }
    const std::wstring file = directory + L"\\" + name;
    HANDLE handle = CreateFileW((kPrefix + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      CloseHandle(handle);
      made_.emplace_back(file, false);
    }
    return file;
  }

 private:
  std::wstring root_;
  std::vector<std::pair<std::wstring, bool>> made_;  // path, is a directory
};

using WindowsLoading = PluginTest;

TEST_F(WindowsLoading, LongPathsWithNonAsciiNamesOpenPlainOrPrefixed) {
  LongPathDirectory directory;
  std::wstring path;
  for (const size_t units : {200u, 260u, 261u, 300u, 420u}) {
    SCOPED_TRACE(units);
    const std::string message = "Subject: path of " + std::to_string(units) + "\r\n\r\nbody\r\n";
    path = directory.fileOfLength(units, message);
    ASSERT_EQ(path.size(), units);

    for (const std::wstring& handedOver : {path, kPrefix + path}) {
      const emu::Obj email = host().construct(kEmailClass, kFileConstructor,
                                              {host().folderItem(UTF8Of(handedOver))});
      expectNoException();
      EXPECT_EQ(host().get(email, "Source").str().bytes(), message);
      EXPECT_EQ(host().get(email, "Subject").str().utf8(), "path of " + std::to_string(units));
    }
  }
  // A missing file on a long path is refused like any other.
  const std::wstring missing = path.substr(0, path.size() - 4) + L".msg";
  host().construct(kEmailClass, kFileConstructor, {host().folderItem(UTF8Of(missing))});
  expectException("IOException", "Failed to open file for reading.");
}

}  // namespace

#endif  // _WIN32
