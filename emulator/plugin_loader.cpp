#include "plugin_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace emu {
namespace {

// Copies `path` to a new file in the temporary directory; returns its name.
std::string PrivateCopy(const std::string& path) {
  std::ifstream source(path, std::ios::binary);
  if (!source) throw std::runtime_error("cannot read plugin " + path);
  const char* temporaryDirectory = std::getenv("TMPDIR");
  std::string name = std::string(temporaryDirectory != nullptr ? temporaryDirectory : "/tmp") +
                     "/zqvmime-plugin-XXXXXX.so";
  int descriptor = mkstemps(name.data(), 3);
  if (descriptor < 0) throw std::runtime_error("cannot create a copy of plugin " + path);
  close(descriptor);
  std::ofstream copy(name, std::ios::binary | std::ios::trunc);
  copy << source.rdbuf();
  copy.close();
  if (!copy) {
    std::remove(name.c_str());
    throw std::runtime_error("cannot write a copy of plugin " + path);
  }
  return name;
}

}  // namespace

LoadedPlugin::LoadedPlugin(const std::string& path) {
  std::string copy = PrivateCopy(path);
  library_ = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
  // The mapping keeps the code; the file itself is no longer needed.
  std::remove(copy.c_str());
  if (library_ == nullptr) throw std::runtime_error("cannot load plugin " + path + ": " + dlerror());
  entry_ = reinterpret_cast<PluginMainFn>(dlsym(library_, "REALPluginMain"));
  if (entry_ == nullptr) {
    dlclose(library_);
    throw std::runtime_error("plugin " + path + " has no REALPluginMain");
  }
}

LoadedPlugin::~LoadedPlugin() { dlclose(library_); }

}  // namespace emu
