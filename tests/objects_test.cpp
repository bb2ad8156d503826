// The object tree of a parsed message as host code walks it, and the
// field-line constructor.

#include <string>
#include <vector>

#include "plugin_test.h"

namespace {

using namespace std::string_literals;

constexpr char kParts[] = "Parts as MimeEntityZQV()";

// Preamble, a text part (cut by a NUL), a base64 part and a nested
// multipart, then epilogue.
const std::string kNestedMessage =
    "Content-Type: multipart/mixed; boundary=outer\r\n"
    "\r\n"
    "This is the preamble.\r\n"
    "--outer\r\n"
    "Content-Type: text/plain\r\n"
    "\r\n"
    "first\0hidden\r\n"s
    "--outer\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "aGVsbG8=\r\n"
    "--outer\r\n"
    "Content-Type: multipart/alternative; boundary=inner\r\n"
    "\r\n"
    "--inner\r\n"
    "\r\n"
    "nested\r\n"
    "--inner--\r\n"
    "--outer--\r\n"
    "The epilogue.\r\n";

class ObjectsTest : public PluginTest {
 protected:
  emu::Obj bodyOf(const emu::Obj& entity) { return host().get(entity, "Body").obj(); }
};

TEST_F(ObjectsTest, BodiesHoldTheirRawTextAndTheTreeOfPartsTheHostLets) {
  emu::Obj email = parseEmail(kNestedMessage);
  emu::Obj body = bodyOf(email);
  EXPECT_EQ(shown(body, "preamble"), "This is the preamble.");
  EXPECT_EQ(shown(body, "epilogue"), "The epilogue.\r\n");
  EXPECT_EQ(shown(body, "StringValue"), kNil);
  ASSERT_EQ(host().ubound(host().call(body, kParts).obj()), 2);

  EXPECT_EQ(shown(bodyOf(partAt(email, 0)), "StringValue"), "first");
  EXPECT_EQ(shown(bodyOf(partAt(partAt(email, 2), 0)), "StringValue"), "nested");
  expectNoException();

  emu::Obj leaf = partAt(email, 1);
  EXPECT_EQ(host().ubound(host().call(bodyOf(leaf), kParts).obj()), -1);
  EXPECT_TRUE(partAt(leaf, 0).isNil());
  expectOutOfBounds(-1, 0);

  // When the host cannot make an object, the tree is that much smaller.
  host().refuseInstances("MimeEntityZQV", true);
  host().refuseInstances("MimeFieldZQV", true);
  email = parseEmail(kNestedMessage);
  EXPECT_EQ(host().ubound(host().call(headerOf(email), kFields).obj()), -1);
  EXPECT_EQ(host().ubound(host().call(bodyOf(email), kParts).obj()), -1);
  host().refuseInstances("MimeEntityZQV", false);
  host().refuseInstances("MimeHeaderZQV", true);
  email = parseEmail(kNestedMessage);
  EXPECT_TRUE(headerOf(email).isNil());
  EXPECT_EQ(host().ubound(host().call(bodyOf(email), kParts).obj()), 2);
}

// Every array member hands out the one array the object holds, so host code's
// changes show in the array method, its Variant, the indexed read and the count.
TEST_F(ObjectsTest, HostChangesToEveryArrayShowInEveryMember) {
  const std::string attachment = "Content-Type: application/pdf\r\nContent-Disposition: attachment";
  const emu::Obj email = parseEmail(
      "From: a@example.com\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
      "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
      "--b\r\n" + attachment + "\r\n\r\none\r\n--b\r\n" + attachment + "\r\n\r\ntwo\r\n"
      "--b\r\nContent-Type: image/gif\r\n\r\nGIF89a\r\n"
      "--b\r\nContent-Type: image/gif\r\n\r\nGIF89a\r\n--b--\r\n");
  const auto parsed = [&](const char* className, const char* text) {
    return host().construct(className, kTextConstructor, {host().string(text)});
  };
  const char kMailboxAt[] = "Mailboxes(index as Integer) as MimeMailboxZQV";
  const char kMailboxes[] = "Mailboxes as MimeMailboxZQV()";
  struct Case {
    emu::Obj object;
    const char* array;
    const char* variant;  // nullptr: none
    const char* itemAt;
    bool counts;
  };
  const Case cases[] = {
      {host().get(email, "Body").obj(), kParts, "PartsVariant", kPartAt, false},
      {headerOf(email), kFields, nullptr,
       "Fields(index as Integer) as MimeFieldZQV", false},
      {email, kAttachments, "AttachmentsVariant", kAttachmentAt, false},
      {email, kInlines, "InlinesVariant", kInlineAt, false},
      {parsed("MimeAddressListZQV", "a@example.com, b@example.com"),
       "Addresses as MimeAddressZQV()", "AddressesVariant",
       "Addresses(index as Integer) as MimeAddressZQV", true},
      {parsed("MimeMailboxListZQV", "a@example.com, b@example.com"), kMailboxes,
       "MailboxesVariant", kMailboxAt, true},
      {parsed("MimeGroupZQV", "Team: a@example.com, b@example.com;"), kMailboxes,
       "MailboxesVariant", kMailboxAt, true},
  };
  expectNoException();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.object.className() + " " + c.array);
    const emu::Obj array = host().call(c.object, c.array).obj();
    if (c.variant != nullptr) {
      EXPECT_EQ(host().get(c.object, c.variant).obj().get(), array.get());
    }
    const int64_t upper = host().ubound(array);
    ASSERT_GE(upper, 1);

    const emu::Obj first = host().element(array, 0);
    const emu::Obj second = host().element(array, 1);
    host().removeAt(array, 0);
    host().append(array, first);
    EXPECT_EQ(host().call(c.object, c.itemAt, {0}).obj().get(), second.get());
    EXPECT_EQ(host().call(c.object, c.itemAt, {upper}).obj().get(), first.get());
    host().removeAt(array, 0);
    EXPECT_EQ(host().ubound(host().call(c.object, c.array).obj()), upper - 1);
    if (c.counts) {
      EXPECT_EQ(host().get(c.object, "Count").integer(), upper);
    }
  }
}

TEST_F(ObjectsTest, FieldLineSplitsAtTheFirstColon) {
  struct Case {
    emu::Str line;
    std::string name, value;
  };
  const std::u16string wide = u"Subject: H\u00e9";
  const std::vector<Case> cases = {
      {host().string("Subject:Hello"), "Subject", "Hello"},
      {host().string("Subject:   a: b"), "Subject", "a: b"},
      {host().string("X-Empty:"), "X-Empty", kNil},
      {host().string("no colon here"), kNil, kNil},
      {emu::Str(), kNil, kNil},
      {host().string(std::string_view("Subject: ab\0cd", 14)), "Subject", "ab"},
      {host().string(std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2),
                     kREALTextEncodingUTF16),
       "Subject", "H\xC3\xA9"},
  };
  for (const Case& test : cases) {
    emu::Obj field = host().construct("MimeFieldZQV", kTextConstructor, {test.line});
    expectNoException();
    EXPECT_EQ(shown(field, "Name"), test.name) << test.line.bytes();
    EXPECT_EQ(shown(field, "Value"), test.value) << test.line.bytes();
  }
}

}  // namespace
