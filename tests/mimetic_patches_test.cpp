// The mimetic defects we patch, each shown with the input that used to break
// it, and what our faster replacements of mimetic code must keep giving.
// Without the header fix these tests end the process (a double free when the
// entity is destroyed); without the base64 fix they give wrong bytes.
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include <mimetic/mimetic.h>
#include <mimetic/rfc822/datetime.h>

#include "plugin_test.h"

namespace {

std::unique_ptr<mimetic::MimeEntity> ParseMessage(const std::string& text) {
  std::istringstream stream(text);
  return std::make_unique<mimetic::MimeEntity>(stream);
}

// Without its closing ";" a group lost the last character of its last
// mailbox, and one that ended in its colon made the address parser throw
// std::length_error, failing the whole field.
TEST(MimeticPatches, GroupsReadTheSameWithOrWithoutTheirClosingSemicolon) {
  for (const std::string text :
       {"friends: a@example.org, b@example.org", "friends: Ann <a@example.org>  ",
        "team: x@example.org, \"Doe, J\" <j@example.org>", "undisclosed-recipients:", ":"}) {
    SCOPED_TRACE(text);
    const mimetic::Group closed(text + ";");
    auto entity = ParseMessage("To: " + text + "\r\n\r\nbody\r\n");
    const mimetic::Header& header = entity->header();
    const mimetic::AddressList& to = header.to();
    ASSERT_EQ(to.size(), 1u);
    ASSERT_TRUE(to.front().isGroup());
    EXPECT_EQ(to.front().group().name(), closed.name());
    EXPECT_EQ(to.front().group().str(), closed.str());  // every mailbox, whole
  }
  EXPECT_EQ(mimetic::Group("friends: a@example.org, b@example.org").back().domain(), "example.org");
}

// A typed field whose text fails to parse used to leave the field pointing
// at its deleted text, freed again with the header. mimetic's own field
// types take any text now (running out of memory aside); a type whose text
// never parses reaches the accessor template they all go through.
struct NeverParses : mimetic::FieldValue {
  NeverParses() = default;
  explicit NeverParses(const std::string&) { throw std::length_error("never parses"); }
  void set(const std::string&) override {}
  std::string str() const override { return ""; }
  mimetic::FieldValue* clone() const override { return new NeverParses(*this); }
};

class ExposedHeader : public mimetic::Header {
 public:
  using mimetic::Header::getField;
};

TEST(MimeticPatches, FailedTypedReadKeepsTheFieldThroughEitherAccessor) {
  ExposedHeader header;
  header.push_back(mimetic::Field("X-Typed", "original text"));
  const ExposedHeader& constHeader = header;

  EXPECT_THROW(constHeader.getField<NeverParses>("X-Typed"), std::length_error);
  EXPECT_EQ(header.field("X-Typed").value(), "original text");
  EXPECT_THROW(header.getField<NeverParses>("X-Typed"), std::length_error);
  EXPECT_EQ(header.field("X-Typed").value(), "original text");

  // The const accessor gives a default for an absent field without adding it;
  // header fills rely on that.
  constHeader.getField<NeverParses>("X-Absent");
  EXPECT_EQ(header.size(), 1u);

  const ExposedHeader copy(header);  // copies and destroys the values again
  EXPECT_EQ(copy.field("X-Typed").value(), "original text");
}

TEST(MimeticPatches, Base64DecoderSkipsEveryByteOutsideItsAlphabet) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
  for (int value = 0; value < 256; ++value) {
    const char foreign = static_cast<char>(value);
    if (alphabet.find(foreign) != std::string::npos) continue;
    const std::string encoded = std::string("QU") + foreign + "JDRE" + foreign + "VG";
    std::string decoded;
    mimetic::Base64::Decoder decoder;
    decoder.process(encoded.begin(), encoded.end(), std::back_inserter(decoded));
    EXPECT_EQ(decoded, "ABCDEF") << "byte " << value;
  }
}

// Typed reads find their field by name ignoring ASCII case, and only a name
// of the same length matches: not a field whose name merely begins with it.
TEST(MimeticPatches, TypedReadsFindTheirFieldIgnoringAsciiCaseOnly) {
  auto entity = ParseMessage(
      "content-type-x: image/png\r\ncontent-typ: image/gif\r\ncONTENT-tYPE: text/html\r\n"
      "mime-VERSION: 2.1\r\n\r\nbody\r\n");
  const mimetic::Header& header = entity->header();
  EXPECT_EQ(header.contentType().subtype(), "html");
  EXPECT_EQ(header.mimeVersion().str(), "2.1");
  EXPECT_FALSE(header.hasField("Content-Type-"));
  EXPECT_FALSE(header.hasField("X-Content-Type"));
}

// Version texts and generated ids are made of these digits.
TEST(MimeticPatches, IntegersFormatAsPlainDecimalDigits) {
  EXPECT_EQ(mimetic::utils::int2str(0), "0");
  EXPECT_EQ(mimetic::utils::int2str(1234567), "1234567");
  EXPECT_EQ(mimetic::utils::int2str(-530), "-530");
  EXPECT_EQ(mimetic::utils::int2str(-2147483647 - 1), "-2147483648");
}

// A body is read through a 4 KB buffer. When a boundary line straddled its
// end, the line break before the boundary, which belongs to the boundary,
// stayed at the end of the part's body.
TEST(MimeticPatches, PartBodiesEndBeforeTheBoundaryWhereverTheBufferEnds) {
  for (const std::string lineBreak : {"\r\n", "\n"}) {
    for (size_t length = 4050; length < 4100; ++length) {
      const std::string body(length, 'x');
      auto entity = ParseMessage("Content-Type: multipart/mixed; boundary=b" + lineBreak + lineBreak +
                                 "--b" + lineBreak + lineBreak + body + lineBreak + "--b" +
                                 lineBreak + lineBreak + body + lineBreak + "--b--" + lineBreak);
      const mimetic::MimeEntityList& parts = entity->body().parts();
      ASSERT_EQ(parts.size(), 2u);
      EXPECT_EQ(parts.front()->body().size(), length) << length;
      EXPECT_EQ(parts.back()->body().size(), length) << length;
    }
  }
}

// The parser adds a field once the next line begins, and a header that ran
// to the end of the input used to lose its last field; a last line with no
// colon, which is body text when a line break ends it, was lost as well.
TEST(MimeticPatches, HeaderThatEndsTheInputKeepsItsLastFieldAndLine) {
  struct Case {
    const char* message;
    const char* lastField;  // name: value, "" for no field
    const char* body;
  };
  const Case cases[] = {
      {"Subject: hi", "Subject: hi", ""},
      {"From: a@example.org\r\nSubject: hi\r\n", "Subject: hi", ""},
      {"From: a@example.org\nSubject: hi\n folded", "Subject: hi folded", ""},
      {"X-Empty:", "X-Empty: ", ""},
      {"From: a@example.org\r\nno colon", "From: a@example.org", "no colon"},
      {"From: a@example.org\r\nno-colon", "From: a@example.org", "no-colon"},
      {"From: a@example.org\r\ntrailing ", "From: a@example.org", "trailing "},
      {"hello", "", "hello"},
      {"no colon, body text", "", "no colon, body text"},
  };
  for (const Case& c : cases) {
    auto entity = ParseMessage(c.message);
    const mimetic::Header& header = entity->header();
    const std::string last =
        header.empty() ? "" : std::string(header.back().name()) + ": " + header.back().value();
    EXPECT_EQ(last, c.lastField) << c.message;
    EXPECT_EQ(std::string(entity->body().begin(), entity->body().end()), c.body) << c.message;
  }
}

// Formatting a date the sender wrote oddly used to throw std::length_error
// (a zone of five digits); the day of the week is worked out when the text
// does not name it.
TEST(MimeticPatches, OddDatesFormatWithoutFault) {
  EXPECT_EQ(mimetic::DateTime("1 Oct 2020 10:00:00 +0000").dayOfWeek().ordinal(), 4);
  struct Case {
    int offset;
    const char* name;
  };
  for (const Case& c : {Case{7, "+0007"}, Case{-1234, "-1234"}, Case{12345, "+12345"},
                        Case{-32768, "-32768"}}) {
    EXPECT_EQ(mimetic::DateTime::Zone(c.offset).name(), c.name);
  }
  EXPECT_EQ(mimetic::DateTime("1 Jan 2020 10:00:00 +12345").zone().name(), "+12345");
}

// A header setter handed the field's own value used to copy it after the
// field was freed.
TEST(MimeticPatches, HeaderFieldSetFromItsOwnValue) {
  mimetic::Header header;
  header.to(mimetic::AddressList("Ann <ann@example.org>, bob@example.org"));
  header.subject("kept");
  const std::string before = header.to().str();
  header.to(header.to());
  EXPECT_EQ(header.to().str(), before);
  EXPECT_EQ(header.size(), 2u);
}

}  // namespace
