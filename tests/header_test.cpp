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

TEST_F(HeaderTest, TypedPropertiesHoldTheirFieldsAsMimeticRendersThem) {
  emu::Obj header = headerOf(
      "Mime-Version: 1.0\r\n"
      "Content-Type: text/plain; charset=utf-8\r\n"
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
  // mimetic makes both ids up once per process, the same for every header.
  const std::string contentId = shown(header, "contentId");
  EXPECT_THAT(contentId, ::testing::MatchesRegex("c[0-9.]+@.+"));
  EXPECT_THAT(shown(header, "messageid"), ::testing::MatchesRegex("m[0-9.]+@.+"));
  EXPECT_EQ(shown(headerOf("X: y\r\n\r\n"), "contentId"), contentId);
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

  EXPECT_TRUE(fieldAt(header, 4).isNil());
  expectOutOfBounds(3, 4);
  EXPECT_TRUE(fieldAt(header, -1).isNil());
  expectOutOfBounds(3, -1);

  // Look-ups read the array as host code left it.
  host().removeAt(host().call(header, kFields).obj(), 0);
  EXPECT_EQ(shown(host().call(header, kFieldByName, {host().string("Received")}).obj(), "Value"),
            "from b");
}

// An envelope line inside a header (archives glued together) is passed over;
// any other non-field line begins the body. Unfolding takes out line breaks only.
TEST_F(HeaderTest, HeaderReadsPastEnvelopeLinesAndUnfoldsOnlyLineBreaks) {
  struct Case {
    const char* message;
    const char* fields;  // "name=value|" each
    const char* plain;
  };
  const Case cases[] = {
      {"Subject: one\r\nFrom a@example.org  Sun Apr  5 09:24:45 2015\r\nTo: b@example.org\r\n"
       "\r\nbody",
       "Subject=one|To=b@example.org|", "body"},
      {"From a@example.org  Sun Apr  5 09:24:45 2015\nFrom b@example.org Mon\nSubject: one\n\nbody",
       "Subject=one|", "body"},
      {"Subject: one\r\nwrapped without a blank\r\nTo: b@example.org\r\n\r\nbody",
       "Subject=one|", "wrapped without a blank\r\nTo: b@example.org\r\n\r\nbody"},
      {"Subject: one\r\n\r\nFrom a@example.org  Sun\r\nTo: x\r\n", "Subject=one|",
       "From a@example.org  Sun\r\nTo: x\r\n"},
      {"Subject: 550 5.1.1\r\n\tUser unknown\r\n\r\nx", "Subject=550 5.1.1\tUser unknown|", "x"},
      {"Subject: a\n  b \n\tc\n\nx", "Subject=a  b \tc|", "x"},
      {"Subject:\r\n \tfolded\r\n second\r\n\r\nx", "Subject=folded second|", "x"},
      // between two encoded words a fold is one blank, which decoding drops
      {"Subject: =?utf-8?q?a?=\r\n\t =?utf-8?q?b?=\r\n\tc?=\r\n  d\r\n\r\nx",
       "Subject==?utf-8?q?a?= =?utf-8?q?b?=\tc?=  d|", "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    emu::Obj email = parseEmail(c.message);
    expectNoException();
    std::string fields;
    for (const emu::Obj& field : elements(host().call(headerOf(email), kFields).obj())) {
      fields += shown(field, "Name") + "=" + shown(field, "Value") + "|";
    }
    EXPECT_EQ(fields, c.fields);
    EXPECT_EQ(shown(email, "PlainText"), c.plain);
  }
  EXPECT_EQ(shown(parseEmail("Subject: =?utf-8?q?a?=\r\n\t=?utf-8?q?b?=\r\n\r\nx"), "Subject"),
            "ab");
  // The envelope line in a part's header is passed over as well.
  emu::Obj email = parseEmail(
      "Content-Type: multipart/mixed; boundary=B\r\n\r\n--B\r\nContent-Type: text/html\r\n"
      "From a@example.org  Sun Apr  5 09:24:45 2015\r\nContent-Transfer-Encoding: base64\r\n\r\n"
      "PHA+eDwvcD4=\r\n--B--\r\n");
  EXPECT_EQ(shown(email, "HTMLText"), "<p>x</p>");
}

// A host exception (an unknown charset in the Subject) does not stop the fill.
TEST_F(HeaderTest, FillGoesOnAfterHostExceptions) {
  host().setShared("MimeEmailZQV", "RaiseUnknownFormatExceptions", true);
  emu::Obj email = parseEmail("Subject: =?x-bogus?Q?a?=\r\nTo: c@d.e\r\n\r\nbody\r\n");
  expectException("UnsupportedFormatException", "Unhandled charset: x-bogus");
  emu::Obj header = headerOf(email);
  EXPECT_EQ(shown(header, "subjectDecoded"), "=?x-bogus?Q?a?=");
  EXPECT_FALSE(host().get(header, "too").obj().isNil());
  EXPECT_EQ(host().ubound(host().call(header, kFields).obj()), 1);
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
