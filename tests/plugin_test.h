// Test fixtures: every test runs against a fresh host emulator and ends by
// checking that it left no host reference alive and released none twice, so
// keep emu::Str/emu::Obj handles local to the test body. Below them, helpers
// several test files share.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "host.h"
#include "plugin_declarations.h"

extern "C" void REALPluginMain(HostResolverFn resolver);

constexpr char kNil[] = "(nil)";

// Drives the shared library exactly as Xojo would: a private copy of
// libzqvmime.so, loaded through its one export.
class PluginTest : public ::testing::Test {
 protected:
  virtual emu::Host::Options hostOptions() { return {}; }
  virtual void startPlugin(emu::Host& newHost) { newHost.loadPlugin(); }

  void SetUp() override {
    host_ = std::make_unique<emu::Host>(hostOptions());
    startPlugin(*host_);
  }
  void TearDown() override {
    (void)host_->takeException();
    EXPECT_EQ(host_->leakReport(), "");
    host_.reset();
  }

  emu::Host& host() { return *host_; }

  // A message handed over as host code usually has it: a string read from a
  // file or socket, tagged with `encoding`.
  emu::Obj parseEmail(std::string_view message, uint32_t encoding = kREALTextEncodingUTF8) {
    return host().construct(kEmailClass, kStringConstructor, {host().string(message, encoding)});
  }

  // A string property as its bytes, kNil for nil.
  std::string shown(const emu::Obj& object, const std::string& property) {
    const emu::Str value = host().get(object, property).str();
    return value.isNil() ? kNil : value.bytes();
  }
  // Child `index` of an entity's body.
  emu::Obj partAt(const emu::Obj& entity, int64_t index) {
    return host().call(host().get(entity, "Body").obj(), kPartAt, {index}).obj();
  }
  emu::Obj headerOf(const emu::Obj& entity) { return host().get(entity, "Header").obj(); }
  // The elements of a host array, in order.
  std::vector<emu::Obj> elements(const emu::Obj& array) {
    std::vector<emu::Obj> all;
    for (int64_t i = 0; i <= host().ubound(array); ++i) all.push_back(host().element(array, i));
    return all;
  }

  // Takes the exception the last call delivered and checks it.
  void expectException(const std::string& className, const std::string& message) {
    std::optional<emu::RaisedException> raised = host().takeException();
    ASSERT_TRUE(raised.has_value()) << "expected " << className << ": " << message;
    EXPECT_EQ(raised->className, className);
    EXPECT_EQ(raised->message, message);
    EXPECT_EQ(raised->errorNumber, 0);
  }
  // What an indexed read past either end of an array raises.
  void expectOutOfBounds(int64_t upper, int64_t index) {
    expectException("OutOfBoundsException",
                    std::string("The parameter index  is too ") + (index < 0 ? "small" : "big") +
                        ". Range is 0 to " + std::to_string(upper) + ", but value is " +
                        std::to_string(index) + ".");
  }
  void expectNoException() {
    std::optional<emu::RaisedException> raised = host().takeException();
    EXPECT_FALSE(raised.has_value()) << raised->className << ": " << raised->message;
  }

 private:
  std::unique_ptr<emu::Host> host_;
};

// Runs the plugin's code linked into the test binary, so tests can call the
// runtime's internal operations directly. Its process-wide state (cached host
// functions, the format switch) lasts across tests; tests that depend on a
// fresh start use PluginTest.
class InProcessTest : public PluginTest {
 protected:
  void startPlugin(emu::Host& newHost) override { newHost.startPlugin(&REALPluginMain); }
};

// A text as its bytes and encoding tag, to compare both in one check.
using Tagged = std::pair<std::string, uint32_t>;
inline Tagged TaggedOf(const emu::Str& text) { return {text.bytes(), text.encoding()}; }

// A fresh directory under the system's temporary one, removed at the end.
class TempDirectory {
 public:
  TempDirectory()
      : path_(std::filesystem::temp_directory_path() /
              ("zqv-test-" + std::to_string(std::random_device()()))) {
    std::filesystem::create_directories(path_);
  }
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes `bytes` to a file below the directory, making the directories on
  // the way; its full path.
  std::filesystem::path write(const std::filesystem::path& relative,
                              const std::string& bytes) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  std::filesystem::path path_;
};

// Puts the process in a time zone (TZ notation: "UTC-1" is one hour east of
// Greenwich) and restores the previous one.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) previous_ = previous;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (previous_) {
      setenv("TZ", previous_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::optional<std::string> previous_;
};

// The whole of a file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Runs a shell command; its standard output and exit status (-1 when it
// could not run or did not exit).
inline std::pair<std::string, int> RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {output, -1};
  char chunk[4096];
  for (size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, got);
  const int status = pclose(pipe);
  return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

// The debug log's lines written while it lives, each ended by "\n": from
// standard error, or on Windows from the debugger output, seen the way a
// debugger sees it (as the exception OutputDebugStringA raises for a line).
#ifdef _WIN32
class LogCapture {
 public:
  LogCapture() { handler_ = AddVectoredExceptionHandler(1, &Catch); }
  ~LogCapture() {
    RemoveVectoredExceptionHandler(handler_);
    seen().clear();
  }
  std::string lines() const {
    std::string logged;
    for (const std::string& line : seen()) {
      if (line.rfind("ZQV Debug: ", 0) == 0) logged += line + "\n";
    }
    return logged;
  }

 private:
  static std::vector<std::string>& seen() {
    static std::vector<std::string> lines;
    return lines;
  }
  static LONG CALLBACK Catch(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
      // Parameters: the length with its terminating NUL, and the text.
      seen().emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]),
                          static_cast<size_t>(record->ExceptionInformation[0]) - 1);
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }
  void* handler_ = nullptr;
};
#else
class LogCapture {
 public:
  LogCapture() { testing::internal::CaptureStderr(); }
  ~LogCapture() {
    if (!taken_) testing::internal::GetCapturedStderr();
  }
  // Ends the capture.
  std::string lines() {
    taken_ = true;
    return testing::internal::GetCapturedStderr();
  }

 private:
  bool taken_ = false;
};
#endif
