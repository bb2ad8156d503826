// The benchmark's timing resolver: the plugin must behave exactly as it does
// with the host's own resolver (every wrapper forwards to the right function,
// class records keep their data offsets, callbacks reach the plugin), and the
// host time must count the host's functions and nothing else.

#include <chrono>
#include <memory>
#include <string>

#include "host_timing.h"
#include "plugin_loader.h"
#include "plugin_test.h"

namespace {

// Touches every kind of host function the wrappers hand out: strings, arrays
// (the insert procedure), LenB, Date constructors, objects with destructors.
const char kMessage[] =
    "From: =?UTF-8?Q?Zo=C3=AB?= <zoe@example.com>\r\n"
    "To: a@example.com, b@example.com\r\n"
    "Subject: =?UTF-8?B?w6l0w6k=?=\r\n"
    "Date: Tue, 7 May 2024 10:20:30 +0000\r\n"
    "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
    "--b\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>caf&eacute;</p>\r\n"
    "--b\r\nContent-Type: application/octet-stream; name=x.bin\r\n"
    "Content-Disposition: attachment\r\nContent-Transfer-Encoding: base64\r\n\r\nAAECAw==\r\n"
    "--b--\r\n";

class HostTimingTest : public PluginTest {
 protected:
  void startPlugin(emu::Host& newHost) override {
    library_ = std::make_unique<emu::LoadedPlugin>(ZQV_PLUGIN_FILE);
    hosttiming::StartTimedPlugin(newHost, library_->entry());
  }

 private:
  // Outlives the host, which the base class lets go in TearDown.
  std::unique_ptr<emu::LoadedPlugin> library_;
};

TEST_F(HostTimingTest, PluginBehavesAsWithTheHostsOwnResolverAndHostTimeIsCounted) {
  const emu::Str content = host().string(kMessage, kREALTextEncodingUnknown);
  hosttiming::ResetHostTime();
  const auto start = std::chrono::steady_clock::now();
  emu::Obj email = host().construct("MimeEmailZQV", kStringConstructor, {content});
  const double wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const hosttiming::HostTime parsed = hosttiming::HostTimeSoFar();
  EXPECT_GT(parsed.calls, 20u);
  EXPECT_GT(parsed.seconds, 0.0);
  EXPECT_LT(parsed.seconds, wallSeconds);
  expectNoException();

  // A field the host reads itself calls no host function; an array method
  // takes exactly one reference for the caller.
  const emu::Obj header = headerOf(email);
  EXPECT_EQ(hosttiming::HostTimeSoFar().calls, parsed.calls);
  const emu::Obj attachments = host().call(email, kAttachments).obj();
  EXPECT_EQ(hosttiming::HostTimeSoFar().calls, parsed.calls + 1);

  EXPECT_EQ(host().get(email, "Subject").str().utf8(), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(host().get(email, "PlainText").str().utf8(), "\rcaf\xC3\xA9\r");
  EXPECT_EQ(host().get(email, "Source").str().get(), content.get());
  EXPECT_EQ(host().integerProperty(host().get(email, "Date").obj(), "Year"), 2024);
  ASSERT_EQ(host().ubound(attachments), 0);
  const emu::Obj attachment = host().element(attachments, 0);
  EXPECT_EQ(host().get(attachment, "Data").str().bytes(), std::string("\0\1\2\3", 4));
  EXPECT_EQ(host().get(header, "from").obj().className(), "MimeMailboxListZQV");

  // An out-of-range index raises through the wrapped exception functions.
  EXPECT_TRUE(host().call(email, kAttachmentAt, {int64_t{5}}).obj().isNil());
  expectOutOfBounds(0, 5);
}

TEST(HostTimingCrossing, CostsLessInTheHostThanInAll) {
  const hosttiming::CrossingCost cost = hosttiming::MeasureCrossingCost();
  EXPECT_GT(cost.hostSeconds, 0.0);
  EXPECT_GE(cost.totalSeconds, cost.hostSeconds);
}

}  // namespace
