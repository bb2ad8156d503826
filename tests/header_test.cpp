// MimeHeaderZQV read from a parsed message: typed properties (mimetic's values
// for absent fields), the field list, look-ups by name and indexed reads.

#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <mimetic/mimetic.h>

#include "objects/header.h"
#include "objects/header_fields.h"
#include "plugin_test.h"
#include "runtime/host_ref.h"

namespace {

constexpr char kFieldAt[] = "Fields(index as Integer) as MimeFieldZQV";
constexpr char kHasField[] = "hasField(name as string) as boolean";
constexpr char kFieldByName[] = "FieldByName(name as string) as MimeFieldZQV";

class HeaderTest : public PluginTest {
 protected:
  using PluginTest::headerOf;
  emu::Obj headerOf(std::string_view message, uint32_t encoding = kREALTextEncodingUTF8) {
    emu::Obj email = parseEmail(message, encoding);
    expectNoException();
    return headerOf(email);
  }
  emu::Obj fieldAt(const emu::Obj& header, int64_t index) {
    return host().call(header, kFieldAt, {index}).obj();
  }
};

// Typed reads find their field ignoring ASCII case, never by a prefix or suffix.
TEST_F(HeaderTest, TypedPropertiesHoldTheirFieldsAsMimeticRendersThem) {
  emu::Obj header = headerOf(
      "content-type-x: image/png\r\n"
      "content-typ: image/gif\r\n"
      "x-content-type: image/jpeg\r\n"
      "mime-VERSION: 1.0\r\n"
      "cONTENT-tYPE: text/plain; charset=utf-8\r\n"
      "Content-Transfer-Encoding: Quoted-Printable\r\n"
      "Content-Disposition: inline; filename=note.txt\r\n"
      "Content-Description: A short note\r\n"
      "Content-ID: <part1@example.com>\r\n"
      "Message-ID: <msg1@example.com>\r\n"
      "Subject:   =?utf-8?q?Gr=C3=BC=C3=9Fe?= from us\r\n"
      "\r\n"
      "body\r\n");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"MimeVersion", "1.0"},
      {"ContentType", "text/plain; charset=\"utf-8\""},
      {"ContentTransferEncoding", "Quoted-Printable"},
      {"ContentTransferEncodingMechanism", "Quoted-Printable"},
      {"ContentDisposition", "inline; filename=\"note.txt\""},
      {"ContentDescription", "A short note"},
      {"contentId", "<part1@example.com>"},
      {"messageid", "<msg1@example.com>"},
      {"subject", "=?utf-8?q?Gr=C3=BC=C3=9Fe?= from us"},
      {"subjectDecoded", "Gr\xC3\xBC\xC3\x9F" "e from us"},
  };
  for (const auto& [property, value] : expected) EXPECT_EQ(shown(header, property), value) << property;
}

TEST_F(HeaderTest, AbsentFieldsGiveMimeticDefaultsWithoutAddingFields) {
  emu::Obj header = headerOf("Subject: only this\r\n\r\nbody\r\n");
  EXPECT_EQ(shown(header, "MimeVersion"), "0.0");
  EXPECT_EQ(shown(header, "ContentType"), "/");
  for (const char* property : {"ContentTransferEncoding", "ContentTransferEncodingMechanism",
                               "ContentDisposition", "ContentDescription"}) {
    EXPECT_EQ(shown(header, property), kNil) << property;
  }
  // mimetic makes both ids up, of numbers.
  EXPECT_THAT(shown(header, "contentId"), ::testing::MatchesRegex("c[0-9.]+@.+"));
  EXPECT_THAT(shown(header, "messageid"), ::testing::MatchesRegex("m[0-9.]+@.+"));
  // Reading the typed properties must not have inserted the absent fields.
  EXPECT_EQ(host().ubound(host().call(header, kFields).obj()), 0);
}

TEST_F(HeaderTest, FieldsListEveryFieldInOrderForLookUpAndIndex) {
  emu::Obj header = headerOf(
      "Received: from a\r\n"
      "X-Mailer: m\r\n"
      "Received: from b\r\n"
      "Content-Type: text/plain;charset=us-ascii\r\n"
      "\r\n");
  // A field that a typed property reads comes back as its typed value renders.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Received", "from a"},
      {"X-Mailer", "m"},
      {"Received", "from b"},
      {"Content-Type", "text/plain; charset=\"us-ascii\""}};
  ASSERT_EQ(host().ubound(host().call(header, kFields).obj()), 3);
  for (size_t index = 0; index < expected.size(); ++index) {
    emu::Obj field = fieldAt(header, static_cast<int64_t>(index));
    EXPECT_EQ(std::pair(shown(field, "Name"), shown(field, "Value")), expected[index]);
  }
  EXPECT_EQ(shown(host().call(header, kFieldByName, {host().string("Received")}).obj(), "Value"),
            "from a");
  EXPECT_TRUE(host().call(header, kHasField, {host().string("X-Mailer")}).boolean());
  EXPECT_FALSE(host().call(header, kHasField, {host().string("X-Missing")}).boolean());
  EXPECT_TRUE(host().call(header, kFieldByName, {host().string("X-Missing")}).obj().isNil());
  expectNoException();

  EXPECT_TRUE(fieldAt(header, -1).isNil());
  expectOutOfBounds(3, -1);

  // Look-ups read the array as host code left it.
  host().removeAt(host().call(header, kFields).obj(), 0);
  EXPECT_EQ(shown(host().call(header, kFieldByName, {host().string("Received")}).obj(), "Value"),
            "from b");
}

// Host exceptions (unknown charsets of the body and the Subject) stop
// nothing: the text is still taken and the header filled.
TEST_F(HeaderTest, FillGoesOnAfterHostExceptions) {
  host().setShared("MimeEmailZQV", "RaiseUnknownFormatExceptions", true);
  emu::Obj email = parseEmail("Subject: =?x-bogus?Q?a?=\r\nTo: c@d.e\r\n"
                              "Content-Type: text/plain; charset=x-nobody-knows\r\n\r\nx");
  expectException("UnsupportedFormatException", "Unhandled charset: x-bogus");
  EXPECT_EQ(shown(email, "PlainText"), "x");
  emu::Obj header = headerOf(email);
  EXPECT_EQ(shown(header, "subjectDecoded"), "=?x-bogus?Q?a?=");
  EXPECT_FALSE(host().get(header, "too").obj().isNil());
  EXPECT_EQ(host().ubound(host().call(header, kFields).obj()), 2);
}

// A typed field whose text cannot be read, as when memory runs out.
class UnreadableText : public mimetic::StringFieldValue {
 public:
  std::string str() const override { throw std::length_error("unreadable"); }

 protected:
  mimetic::FieldValue* clone() const override { return new UnreadableText(*this); }
};

class HeaderWithUnreadableField : public mimetic::Header {
 public:
  using mimetic::Rfc822Header::setField;
};

using HeaderFillTest = InProcessTest;

// A field that throws stops the fill: what came before stays, the rest is nil,
// and the header object is made all the same.
TEST_F(HeaderFillTest, StopsAtAFieldThatThrows) {
  HeaderWithUnreadableField header;
  header.push_back(mimetic::Field("From", "a@b.c"));
  header.push_back(mimetic::Field("Subject", "hi"));
  header.setField("To", UnreadableText());
  header.push_back(mimetic::Field("CC", "d@e.f"));

  const HeaderFields fields(header);
  HostObject headerObject = NewHeaderObject(fields);
  expectException("RuntimeException", "C++ Exception: unreadable");
  ASSERT_NE(headerObject.get(), nullptr);
  const MimeHeaderData& record = *HeaderData(headerObject.get());
  EXPECT_NE(record.from, nullptr);
  EXPECT_NE(record.subjectDecoded, nullptr);
  EXPECT_EQ(record.too, nullptr);
  EXPECT_EQ(record.cc, nullptr);
  EXPECT_EQ(record.Fields, nullptr);
}

// Header text is stored as the bytes came; only the encoding tag is chosen.
TEST_F(HeaderTest, ValuesAreTaggedByTheirBytes) {
  struct Case {
    std::string subject;
    uint32_t encoding;
  };
  const std::vector<Case> cases = {
      {"plain words", kREALTextEncodingASCII},
      {"Gr\xC3\xBC\xC3\x9F" "e", kREALTextEncodingUTF8},
      {"Gr\xFC\xDF" "e", kREALTextEncodingWindowsLatin1},
  };
  for (const Case& test : cases) {
    emu::Obj header = headerOf("Subject: " + test.subject + "\r\n\r\n", kREALTextEncodingUnknown);
    for (const emu::Str& value :
         {host().get(header, "subject").str(), host().get(fieldAt(header, 0), "Value").str()}) {
      EXPECT_EQ(TaggedOf(value), Tagged(test.subject, test.encoding)) << test.subject;
    }
  }
}

}  // namespace
