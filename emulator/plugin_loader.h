// Loading the plugin library the way a host does, from a private copy so
// that every load starts with the library's process-wide state fresh (a
// second dlopen of the same file would hand back the first one).
#pragma once

#include <string>

#include "runtime/host_api.h"

namespace emu {

class LoadedPlugin {
 public:
  // Throws std::runtime_error when the library or its entry cannot be loaded.
  explicit LoadedPlugin(const std::string& path);
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  PluginMainFn entry() const { return entry_; }

 private:
  void* library_ = nullptr;
  PluginMainFn entry_ = nullptr;
};

}  // namespace emu
