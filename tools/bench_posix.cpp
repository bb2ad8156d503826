// The benchmark's measures that only a POSIX system offers: this thread's CPU
// time and page faults, child processes, GMime's module, the load average.
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>

#include "bench_support.h"

namespace bench {

// Throughput is measured in CPU time of this thread (user and kernel, page
// faults included): on a shared machine wall time mostly measures the
// neighbours.
double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Page faults this thread has taken so far. On the virtual machines these
// figures come from, a fault costs microseconds, so fresh memory weighs more
// than the instructions that fill it.
double ThreadPageFaults() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_minflt + usage.ru_majflt);
}

std::string SelfPath() { return fs::read_symlink("/proc/self/exe").string(); }

// GMime's reader when its module was built (make bench builds it); the module
// stays loaded for the life of the process.
ReadWithGMimeFunction LoadGMimeReader() {
  const fs::path module = fs::path(SelfPath()).parent_path() / kGMimeReaderFile;
  if (!fs::exists(module)) return nullptr;
  void* library = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::cerr << "bench: " << dlerror() << "\n";
    return nullptr;
  }
  return reinterpret_cast<ReadWithGMimeFunction>(dlsym(library, kReadWithGMimeSymbol));
}

std::optional<std::string> RunChild(const std::vector<std::string>& arguments, bool showErrors,
                                    const std::vector<std::string>& environment) {
  int output[2];
  if (pipe(output) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    close(output[0]);
    close(output[1]);
    if (!showErrors) freopen("/dev/null", "w", stderr);
    for (const std::string& variable : environment) putenv(const_cast<char*>(variable.c_str()));
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(output[1]);
  std::string printed;
  char chunk[4096];
  ssize_t got;
  while ((got = read(output[0], chunk, sizeof chunk)) > 0) printed.append(chunk, static_cast<size_t>(got));
  close(output[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return printed;
}

std::string LoadAverage() {
  std::ifstream loadavg("/proc/loadavg");
  std::string one, five, fifteen;
  loadavg >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace bench
