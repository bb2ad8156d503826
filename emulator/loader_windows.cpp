// Loading the plugin DLL the way a host does, from a private copy in the
// temporary directory so that every load starts with the library's
// process-wide state fresh (a second LoadLibraryW of the same file would hand
// back the module already loaded).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <stdexcept>
#include <string>

#include "plugin_loader.h"

namespace emu {
namespace {

std::wstring WideFromUTF8(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (units <= 0) throw std::runtime_error("plugin path is not UTF-8: " + text);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), units);
  return wide;
}

std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : "error " + std::to_string(error);
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

// Copies `path` to a new file in the temporary directory; returns its name.
std::wstring PrivateCopy(const std::string& path) {
  wchar_t directory[MAX_PATH + 1];
  const DWORD directoryLength = GetTempPathW(MAX_PATH + 1, directory);
  if (directoryLength == 0 || directoryLength > MAX_PATH) {
    throw std::runtime_error("no temporary directory for a copy of plugin " + path);
  }
  wchar_t copy[MAX_PATH];
  // Makes an empty file of a name no other copy has.
  if (GetTempFileNameW(directory, L"zqv", 0, copy) == 0) {
    throw std::runtime_error("cannot create a copy of plugin " + path + ": " +
                             SystemMessage(GetLastError()));
  }
  if (!CopyFileW(WideFromUTF8(path).c_str(), copy, FALSE)) {
    const DWORD error = GetLastError();
    DeleteFileW(copy);
    throw std::runtime_error("cannot copy plugin " + path + ": " + SystemMessage(error));
  }
  return copy;
}

}  // namespace

LoadedPlugin::LoadedPlugin(const std::string& path) {
  const std::wstring copy = PrivateCopy(path);
  HMODULE module = LoadLibraryW(copy.c_str());
  if (module == nullptr) {
    const DWORD error = GetLastError();
    DeleteFileW(copy.c_str());
    throw std::runtime_error("cannot load plugin " + path + ": " + SystemMessage(error));
  }
  entry_ = reinterpret_cast<PluginMainFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "REALPluginMain")));
  if (entry_ == nullptr) {
    FreeLibrary(module);
    DeleteFileW(copy.c_str());
    throw std::runtime_error("plugin " + path + " has no REALPluginMain");
  }
  library_ = module;
}

// Windows keeps a loaded module's file open, so the copy can only go once the
// module has been freed; its name is asked of the module itself.
LoadedPlugin::~LoadedPlugin() {
  HMODULE module = static_cast<HMODULE>(library_);
  wchar_t copy[MAX_PATH];
  const DWORD copyLength = GetModuleFileNameW(module, copy, MAX_PATH);
  FreeLibrary(module);
  if (copyLength > 0 && copyLength < MAX_PATH) DeleteFileW(copy);
}

}  // namespace emu
