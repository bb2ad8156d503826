// The developer trace: its switch, and the lines it writes to standard error
// (on Windows to the debugger output).
#include <stdlib.h>

#include <cstdint>
#include <functional>
#include <string>

#include "plugin_test.h"
#include "runtime/debug_log.h"

namespace {

void SetDebugVariable(const char* value) {
  if (value == nullptr) {
    unsetenv("ZQVDEBUG");
  } else {
    setenv("ZQVDEBUG", value, 1);
  }
}

}  // namespace

TEST(DebugLogSwitch, OnlyOneTrueOrYesInAnyCaseTurnTheLogOn) {
  // Each "off" value follows an "on" one: reading must also turn it off.
  const std::pair<const char*, bool> cases[] = {
      {"TRUE", true}, {"0", false},   {"Yes", true}, {"on", false},    {"1", true},
      {"2", false},   {"yEs", true},  {"", false},   {"true", true},   {"yes ", false},
      {"1", true},    {nullptr, false},
  };
  for (const auto& [value, on] : cases) {
    SetDebugVariable(value);
    ReadDebugSwitch();
    EXPECT_EQ(DebugLogEnabled(), on) << (value != nullptr ? value : "(unset)");
  }
}

TEST(DebugLogLines, EachOperationWritesOnePrefixedLineCutAt4095Bytes) {
  const std::string room(4095 - 11, 'x');  // what fits after "ZQV Debug: "
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[] { DebugLogText("Error: text is not ascii", "caf\xC3\xA9"); },
       "ZQV Debug: Error: text is not ascii caf\xC3\xA9"},
      {[] { DebugLogUnsigned("Unknown encoding", 0xFFFFFFFFu); },
       "ZQV Debug: Unknown encoding 4294967295"},
      {[] { DebugLogDouble("GetDateTotalSeconds", 3816410400.5); },
       "ZQV Debug: GetDateTotalSeconds 3816410400.500000"},
      {[] { DebugLogSix("NewDate", 2024, 12, 3, 10, 0, -1); },
       "ZQV Debug: NewDate 2024, 12, 3, 10, 0, -1"},
      {[] { DebugLogSigned("lengthUTF32", INT64_MIN); },
       "ZQV Debug: lengthUTF32 -9223372036854775808"},
      {[] { DebugLogUnsigned64("Check1", UINT64_MAX); }, "ZQV Debug: Check1 18446744073709551615"},
      {[&] { DebugLog(room.c_str()); }, "ZQV Debug: " + room},
      {[&] { DebugLog((room + "yz").c_str()); }, "ZQV Debug: " + room},
  };
  for (const auto& [write, line] : cases) {
    LogCapture log;
    write();
    EXPECT_EQ(log.lines(), line + "\n");
  }
}

// The plugin library's own lines reach the log only when the switch was on as
// the library started: a later change must not reach a running plugin. The
// parse and decoding work writes lines when on, so "off" shows their guards.
TEST(DebugLogPlugin, LogsOnlyWhenSwitchedOnAtStartUp) {
  const std::string message =
      "Subject: =?x-unknown?Q?caf=E9?=\r\n"
      "Date: Tue, 12 Mar 2024 09:41:02 +0100\r\n"
      "Content-Type: text/html; charset=utf-8\r\n"
      "\r\n"
      "<p>Gr\xC3\xBC\xC3\x9F" "e \xC0\x80</p>\r\n";
  // Reading an item's path as UTF-16 is traced with its length.
  const std::string missingFile = "/zqv-missing/a.eml";
  const std::string pathLine =
      "ZQV Debug: lengthUTF16 " + std::to_string(missingFile.size()) + "\n";
  for (const bool on : {false, true}) {
    SetDebugVariable(on ? "yes" : nullptr);
    LogCapture log;
    {
      emu::Host host;
      host.loadPlugin();
      SetDebugVariable(on ? "0" : "1");
      host.construct("MimeEmailZQV", kFileConstructor, {host.folderItem(missingFile)});
      EXPECT_TRUE(host.takeException().has_value());
      host.construct(kEmailClass, kStringConstructor, {host.string(message)});
      host.callShared(kEmailClass, kDecodeInline, {host.string("a \xC0\x80 =?utf-8?q?b?=")});
      EXPECT_EQ(host.leakReport(), "");
    }
    const std::string lines = log.lines();
    if (on) {
      EXPECT_NE(lines.find(pathLine), std::string::npos) << lines;
    } else {
      EXPECT_EQ(lines, "");
    }
  }
  SetDebugVariable(nullptr);
}
