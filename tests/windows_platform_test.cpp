// The Windows C-runtime and system services behind platform.h and the debug
// log, checked in the Windows build (run under Wine).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugin_test.h"
#include "runtime/debug_log.h"
#include "runtime/platform.h"

namespace {

TEST(WindowsPlatform, BuffersAreFixedZeroFilledGlobalHeapBlocks) {
  for (const uint64_t size : {uint64_t{1}, uint64_t{4096}, uint64_t{1} << 20}) {
    void* block = platform::HeapAllocZeroed(size);
    ASSERT_NE(block, nullptr) << size;
    // Only a global-heap block has a size and a handle there; a fixed
    // block's handle is its address.
    EXPECT_GE(GlobalSize(block), size);
    EXPECT_EQ(GlobalHandle(block), block);
    const auto* bytes = static_cast<const unsigned char*>(block);
    size_t nonZero = 0;
    for (uint64_t i = 0; i < size; ++i) nonZero += bytes[i] != 0;
    EXPECT_EQ(nonZero, 0u) << size;
    platform::HeapFree(block);
  }
  platform::HeapFree(nullptr);
}

// What the process hands to OutputDebugStringA, seen the way a debugger sees
// it: as the exception the function raises for one.
class DebuggerOutput {
 public:
  DebuggerOutput() { handler_ = AddVectoredExceptionHandler(1, &Catch); }
  ~DebuggerOutput() {
    RemoveVectoredExceptionHandler(handler_);
    lines().clear();
  }
  // The lines of the plugin's log, in order.
  std::vector<std::string> logLines() const {
    std::vector<std::string> logged;
    for (const std::string& line : lines()) {
      if (line.rfind("ZQV Debug: ", 0) == 0) logged.push_back(line);
    }
    return logged;
  }

 private:
  static std::vector<std::string>& lines() {
    static std::vector<std::string> seen;
    return seen;
  }
  static LONG CALLBACK Catch(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
      // Parameters: the length with its terminating NUL, and the text.
      lines().emplace_back(reinterpret_cast<const char*>(record->ExceptionInformation[1]),
                           static_cast<size_t>(record->ExceptionInformation[0]) - 1);
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }
  void* handler_ = nullptr;
};

TEST(WindowsDebugLog, LinesGoToTheDebuggerOutputWithoutNewline) {
  const std::string room(4095 - 11, 'x');  // what fits after "ZQV Debug: "
  DebuggerOutput output;
  DebugLogSigned("lengthUTF16", 5);
  DebugLogSix("NewDate", 2024, 12, 3, 10, 0, -1);
  DebugLogUnsigned64("Check1", UINT64_MAX);
  DebugLog((room + "yz").c_str());
  EXPECT_EQ(output.logLines(), (std::vector<std::string>{
                                   "ZQV Debug: lengthUTF16 5",
                                   "ZQV Debug: NewDate 2024, 12, 3, 10, 0, -1",
                                   "ZQV Debug: Check1 18446744073709551615",
                                   "ZQV Debug: " + room,
                               }));
}

// The plugin DLL's own lines reach the debugger output, and only when the
// switch was on as the plugin started.
TEST(WindowsDebugLog, ThePluginLogsOnlyWhenSwitchedOnAtStartUp) {
  // Reading an item's path as UTF-16 is traced with its length.
  const std::string missingFile = "Z:\\zqv-missing\\a.eml";
  const std::string pathLine = "ZQV Debug: lengthUTF16 " + std::to_string(missingFile.size());
  for (const bool on : {false, true}) {
    _putenv_s("ZQVDEBUG", on ? "yes" : "");
    DebuggerOutput output;
    {
      emu::Host host;
      host.loadPlugin();
      host.construct("MimeEmailZQV", kFileConstructor, {host.folderItem(missingFile)});
      EXPECT_TRUE(host.takeException().has_value());
      EXPECT_EQ(host.leakReport(), "");
    }
    const std::vector<std::string> lines = output.logLines();
    if (on) {
      EXPECT_NE(std::find(lines.begin(), lines.end(), pathLine), lines.end());
    } else {
      EXPECT_EQ(lines, std::vector<std::string>{});
    }
  }
  _putenv_s("ZQVDEBUG", "");
}

}  // namespace

#endif  // _WIN32
