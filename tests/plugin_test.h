// Test fixtures: every test runs against a fresh host emulator and ends by
// checking that it left no host reference alive and released none twice.
// Keep emu::Str/emu::Obj handles local to the test body (not fixture
// members), so they are gone before the check runs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host.h"

extern "C" void REALPluginMain(HostResolverFn resolver);

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
    return host().construct("MimeEmailZQV", "Constructor(Content as string)",
                            {host().string(message, encoding)});
  }

  // Takes the exception the last call delivered and checks it.
  void expectException(const std::string& className, const std::string& message) {
    std::optional<emu::RaisedException> raised = host().takeException();
    ASSERT_TRUE(raised.has_value()) << "expected " << className << ": " << message;
    EXPECT_EQ(raised->className, className);
    EXPECT_EQ(raised->message, message);
    EXPECT_EQ(raised->errorNumber, 0);
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
