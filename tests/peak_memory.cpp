#include "peak_memory.h"

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <thread>
#else
#include <fstream>
#include <string>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifdef _WIN32
namespace {

PROCESS_MEMORY_COUNTERS MemoryCounters() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

}  // namespace

long PeakMemoryAddedMB(const std::function<void()>& work) {
  // Windows keeps one peak working set for the whole life of the process,
  // so the peak of this work is sampled as well: a thread reads the working
  // set every millisecond or so while it runs. When the work sets a new
  // peak for the process, that peak is exact.
  const PROCESS_MEMORY_COUNTERS before = MemoryCounters();
  std::atomic<bool> done{false};
  SIZE_T peak = before.WorkingSetSize;
  std::thread sampler([&] {
    while (!done.load()) {
      peak = std::max(peak, MemoryCounters().WorkingSetSize);
      Sleep(1);
    }
  });
  work();
  done = true;
  sampler.join();
  const PROCESS_MEMORY_COUNTERS after = MemoryCounters();
  peak = std::max(peak, after.WorkingSetSize);
  if (after.PeakWorkingSetSize > before.PeakWorkingSetSize) {
    peak = std::max(peak, after.PeakWorkingSetSize);
  }
  return static_cast<long>((peak - before.WorkingSetSize) >> 20);
}
#else
namespace {

// Resident memory ("VmRSS") and its peak since the last reset ("VmHWM"), in
// MB, where the system reports them (Linux); -1 elsewhere.
long MemoryMB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1)) / 1024;
  }
  return -1;
}

}  // namespace

long PeakMemoryAddedMB(const std::function<void()>& work) {
#ifdef __GLIBC__
  malloc_trim(0);  // what earlier work freed would hide what this takes
#endif
  std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM
  const long before = MemoryMB("VmRSS");
  work();
  return before < 0 ? -1 : MemoryMB("VmHWM") - before;
}
#endif
