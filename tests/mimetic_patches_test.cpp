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

#include "plugin_test.h"
#include "runtime/errors.h"

namespace {

// The const overload: it must not add a field the message lacks.
using AddressAccessor = const mimetic::AddressList& (mimetic::Rfc822Header::*)() const;

struct UnparsableAddressField {
  const char* line;       // the header line as it arrives
  const char* fieldName;  // the name the accessor looks for
  AddressAccessor read;
};

// Groups without their closing semicolon, the last one ending in its colon:
// AddressList's parser throws std::length_error on them.
const UnparsableAddressField kUnparsableFields[] = {
    {"To: undisclosed-recipients:", "To", &mimetic::Rfc822Header::to},
    {"Reply-To: someone@example.org, list:", "Reply-To", &mimetic::Rfc822Header::replyto},
    {"Cc: :", "CC", &mimetic::Rfc822Header::cc},
    {"BCC: a@example.org, friends: b@example.org, c@example.org;, others:", "BCC",
     &mimetic::Rfc822Header::bcc},
};

std::unique_ptr<mimetic::MimeEntity> ParseMessage(const std::string& text) {
  std::istringstream stream(text);
  return std::make_unique<mimetic::MimeEntity>(stream);
}

std::string FieldText(const std::string& line) { return line.substr(line.find(':') + 2); }

using MimeticPatchesTest = InProcessTest;

TEST_F(MimeticPatchesTest, UnparsableAddressFieldLeavesTheHeaderSound) {
  for (const UnparsableAddressField& field : kUnparsableFields) {
    SCOPED_TRACE(field.line);
    auto entity = ParseMessage(std::string("From: sender@example.org\r\n") + field.line +
                               "\r\nSubject: hi\r\n\r\nbody\r\n");
    const mimetic::Header& header = entity->header();
    const size_t fieldCount = header.size();

    std::string what;
    try {
      (header.*field.read)();
      ADD_FAILURE() << "the field parsed";
    } catch (const std::length_error& error) {
      what = error.what();
    }
    // The field still holds its text, and reading it again fails the same way.
    EXPECT_EQ(header.field(field.fieldName).value(), FieldText(field.line));
    EXPECT_THROW((header.*field.read)(), std::length_error);
    EXPECT_EQ(header.size(), fieldCount);

    // What the guard of a header fill makes of it.
    RunGuarded([&] { (header.*field.read)(); });
    expectException("RuntimeException", "C++ Exception: " + what);

    entity.reset();  // used to free the old value a second time
  }
}

// Only the address lists' parser throws on text; the other typed fields
// (Content-Type, Message-ID, From, ...) accept anything. A field type whose text
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

}  // namespace
