// The mimetic defects we patch, each with the input that used to break it,
// where the plugin's tests do not show them already, and what our faster
// replacements of mimetic code must keep giving.
#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include <mimetic/mimetic.h>
#include <mimetic/rfc822/datetime.h>

#include "plugin_test.h"

namespace {

std::unique_ptr<mimetic::MimeEntity> ParseMessage(const std::string& text) {
  std::istringstream stream(text);
  return std::make_unique<mimetic::MimeEntity>(stream);
}

// A typed field whose text failed to parse was left pointing at its deleted
// text, freed again with the header (a double free). A type that never parses
// reaches the accessor template every field type goes through.
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

template <class Decoder>
void ExpectDecodedAsByteByByte(const std::string& input, size_t room) {
  std::string byteByByte;
  Decoder().process(input.begin(), input.end(), std::back_inserter(byteByByte));
  std::string whole(room, '\0');
  const char* end = Decoder().process(input.data(), input.data() + input.size(), whole.data());
  whole.resize(static_cast<size_t>(end - whole.data()));
  EXPECT_EQ(whole, byteByByte) << input;
  if constexpr (std::is_same_v<Decoder, mimetic::QP::Decoder>) {  // it may decode over its own input
    std::string inPlace = input;
    const char* begin = inPlace.data();
    inPlace.resize(static_cast<size_t>(Decoder().process(begin, begin + input.size(), inPlace.data()) - begin));
    EXPECT_EQ(inPlace, byteByByte) << input;
  }
}

// Decoding whole groups and runs into room made for them gives what the
// byte-at-a-time form gives.
TEST(MimeticPatches, DecodersGiveWholeGroupsAndRunsWhatTheyGiveByteByByte) {
  const std::vector<std::string> base64Pieces = {"QUJD", "RA==", "Zm9v", "YQ", "=", "==", "A",
                                                 "\r\n", "\n", " ", "!", "|", "\xFF", "+/8="};
  const std::vector<std::string> qpPieces = {"=3D", "=\r\n", "= \r\n", "=\n", "=4", "=G1", "=",
                                             " ", "\t", "  ", "\r\n", "\n", "\r", "\n\r", "word",
                                             "\x01", "\xFF", "x \t", "caf=C3=A9", "=0a",
                                             "a run of plain text longer than a word"};
  std::mt19937 random(15);
  auto inputsFrom = [&](const std::vector<std::string>& pieces) {
    std::vector<std::string> inputs = {""};
    for (int count = 0; count < 400; ++count) {
      std::string input;
      for (size_t length = random() % 40; length > 0; --length) input += pieces[random() % pieces.size()];
      inputs.push_back(input);
    }
    return inputs;
  };
  for (const std::string& input : inputsFrom(base64Pieces)) {
    ExpectDecodedAsByteByByte<mimetic::Base64::Decoder>(input, input.size() / 4 * 3 + 3);
  }
  for (const std::string& input : inputsFrom(qpPieces)) {
    ExpectDecodedAsByteByByte<mimetic::QP::Decoder>(input, input.size());
  }
}

// Version texts and generated ids are made of these digits. (Zero is the
// absent version's, signs the zones' of the date test below.)
TEST(MimeticPatches, IntegersFormatAsPlainDecimalDigits) {
  EXPECT_EQ(mimetic::utils::int2str(1234567), "1234567");
  EXPECT_EQ(mimetic::utils::int2str(-2147483647 - 1), "-2147483648");
}

// Every text the parser keeps of an entity and its parts, in order.
void DumpEntity(const mimetic::MimeEntity& entity, std::string& dump) {
  const mimetic::Body& body = entity.body();
  dump += "{";
  for (const mimetic::Field& field : entity.header()) dump += field.name() + ":" + field.value() + "|";
  dump += body.preamble() + "|" + std::string(body.textData(), body.textSize()) + "|" +
          body.epilogue();
  for (const mimetic::MimeEntity* part : body.parts()) DumpEntity(*part, dump);
  dump += "}";
}

// Hands its text out in one window that each refill overwrites, as a file's
// buffer does.
class ChunkedBuffer : public std::streambuf {
 public:
  ChunkedBuffer(const std::string& text, size_t chunk) : text_(text), chunk_(chunk) {}

 protected:
  int_type underflow() override {
    if (next_ == text_.size()) return traits_type::eof();
    const size_t size = std::min(chunk_, text_.size() - next_);
    window_.assign(text_, next_, size);
    next_ += size;
    setg(window_.data(), window_.data(), window_.data() + size);
    return traits_type::to_int_type(window_[0]);
  }

 private:
  const std::string& text_;
  size_t chunk_;
  size_t next_ = 0;
  std::string window_;
};

// A body read in the stream buffer's memory, handing over to the byte loop
// where a window ends, must cut the same bytes as the byte loop alone, down
// to a boundary in the middle of a line longer than its 4 KB buffer.
TEST(MimeticPatches, MessagesReadInTheStreamsMemoryAsTheyAreReadByteByByte) {
  std::vector<std::string> messages;
  std::mt19937 random(15);
  const std::string pieces[] = {"--b", "--b--", "--c", "-", "x", "\r", "\n", "\r\n", "\n\r",
                                "Content-Type: text/plain", std::string(4000, 'y')};
  for (const std::string lineBreak : {"\r\n", "\n", "\r", "\n\r"}) {
    const std::string header = "Content-Type: multipart/mixed; boundary=b" + lineBreak;
    auto add = [&](const std::string& body) {
      messages.push_back(header + lineBreak + "--b" + lineBreak + lineBreak + body + "--b--");
      messages.push_back(header + "--b" + lineBreak + body + "--b--" + lineBreak + "epilogue");
    };
    for (const size_t length : {4086, 4089, 4090, 4091, 4092, 4093, 4094, 4095, 8180, 8183, 8186}) {
      for (const std::string before : {"", "a", "ab\r\n\r\n"}) {
        add(before + std::string(length, 'y') + "--b" + lineBreak + "z" + lineBreak);
        add(before + std::string(length, 'x') + lineBreak + "--b" + lineBreak + "z" + lineBreak);
        add(before + "--b" + std::string(length - 3, 'w') + lineBreak + "z" + lineBreak);
      }
    }
    for (int count = 0; count < 40; ++count) {
      std::string body;
      for (size_t length = random() % 30; length > 0; --length) {
        body += pieces[random() % std::size(pieces)];
      }
      add(body);
    }
    // header values of every length around the windows, with stray bytes
    const std::string valuePieces[] = {"v", " ", "\t", "\r", "\n", "\r\n", ":", std::string(1, '\0'),
                                       "\xFF", std::string(100, 'w'), std::string(4090, 'u')};
    for (int count = 0; count < 40; ++count) {
      std::string value;
      for (size_t length = random() % 12; length > 0; --length) {
        value += valuePieces[random() % std::size(valuePieces)];
      }
      messages.push_back("Subject: " + value + lineBreak + "X-Next: after" + lineBreak + header +
                         lineBreak + "--b" + lineBreak + lineBreak + "z--b--");
    }
  }
  for (const std::string& message : messages) {
    std::string expected;
    std::istringstream byteByByte(message);
    mimetic::MimeEntity readByteByByte;
    readByteByByte.load(std::istreambuf_iterator<char>(byteByByte), std::istreambuf_iterator<char>());
    DumpEntity(readByteByByte, expected);

    std::string inPlace;
    DumpEntity(*ParseMessage(message), inPlace);
    EXPECT_EQ(inPlace, expected) << message.substr(0, 120);
    std::istringstream inMemory(message);
    mimetic::MimeEntity leftInInput;
    leftInInput.load(inMemory, mimetic::imBodyInPlace);
    std::string inInput;
    DumpEntity(leftInInput, inInput);
    EXPECT_EQ(inInput, expected) << message.substr(0, 120);
    for (const size_t chunk : {1, 5, 4096, 6000, 10000}) {
      ChunkedBuffer buffer(message, chunk);
      std::istream stream(&buffer);
      std::string inWindows;
      DumpEntity(mimetic::MimeEntity(stream), inWindows);
      EXPECT_EQ(inWindows, expected) << chunk << ": " << message.substr(0, 120);
    }
  }
}

// With imBodyInPlace a body lying whole in the stream's memory is referred to,
// not copied; one starting in bytes the header reader took is copied. (That
// either way it reads the same, the test above shows.)
TEST(MimeticPatches, BodiesLeftInTheInputReadAsCopiedOnes) {
  struct Case {
    std::string message;
    bool partsInInput;  // every leaf body refers to the input
  };
  const std::string text(5000, 'q');
  const Case cases[] = {
      // a single body running to the end, with or without a last line break
      {"Subject: s\r\n\r\n" + text + "\r\nend\r\n", true},
      {"Subject: s\n\n" + text + "\nend", true},
      // parts between boundaries, and a last part never closed
      {"Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\n" + text +
           "\r\n--b\r\nContent-Type: text/html\r\n\r\n<p>" + text + "\r\n--b--\r\n",
       true},
      {"Content-Type: multipart/mixed; boundary=b\n\n--b\n\n" + text + "\n", true},
      // an empty part
      {"Content-Type: multipart/mixed; boundary=b\n\n--b\n\n--b--\n", true},
      // a first body line that looked like a header field
      {"Subject: s\r\nno colon here\r\n" + text + "\r\n", false},
  };
  for (const Case& c : cases) {
    std::istringstream stream(c.message);
    mimetic::MimeEntity entity;
    entity.load(stream, mimetic::imBodyInPlace);
    std::vector<const mimetic::MimeEntity*> leaves = {&entity};
    if (!entity.body().parts().empty()) {
      leaves.assign(entity.body().parts().begin(), entity.body().parts().end());
    }
    for (const mimetic::MimeEntity* leaf : leaves) {
      EXPECT_EQ(leaf->body().inSource(), c.partsInInput) << c.message.substr(0, 60);
      EXPECT_TRUE(!c.partsInInput || leaf->body().empty()) << "keeps no copy of its own";
    }
  }
  // Without the option nothing is left in the input.
  EXPECT_FALSE(ParseMessage(cases[0].message)->body().inSource());
}

// A header running to the end of the input lost its last field (added only
// once the next line begins), and a last line with no colon. An envelope line
// at its start (a file split from an mbox) or inside it (archives glued
// together) ended it; it is passed over unless the header ends after it, and
// any other non-field line begins the body. Unfolding put one space for a
// line break and the blanks after it. The plugin reads with imBodyInPlace.
TEST(MimeticPatches, HeaderLinesBecomeFieldsOrBodyText) {
  struct Case {
    const char* message;
    const char* fields;  // "name=value|" each
    const char* body;
  };
  const Case cases[] = {
      {"Subject: hi", "Subject=hi|", ""},
      {"From: a@example.org\r\nSubject: hi\r\n", "From=a@example.org|Subject=hi|", ""},
      {"From: a@example.org\nSubject: hi\n folded", "From=a@example.org|Subject=hi folded|", ""},
      {"X-Empty:", "X-Empty=|", ""},
      {"From: a@example.org\r\nno colon", "From=a@example.org|", "no colon"},
      {"From: a@example.org\r\nno-colon", "From=a@example.org|", "no-colon"},
      {"From: a@example.org\r\ntrailing ", "From=a@example.org|", "trailing "},
      {"hello", "", "hello"},
      {"no colon, body text", "", "no colon, body text"},
      {"Subject: one\r\nFrom a@example.org  Sun Apr  5 09:24:45 2015\r\nTo: b@example.org\r\n"
       "\r\nbody",
       "Subject=one|To=b@example.org|", "body"},
      {"From a@example.org  Sun Apr  5 09:24:45 2015\nFrom MAILER-DAEMON Fri\nSubject: one\n\nbody",
       "Subject=one|", "body"},
      {"From - Mon Jan  1 00:00:00 2024\r\nFrom : Ann <a@example.org>\r\n\r\nx",
       "From=Ann <a@example.org>|", "x"},
      {"Subject: one\r\nFrom a@example.org  Sun\r\n\r\nbody", "Subject=one|",
       "From a@example.org  Sun\r\n\r\nbody"},
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
    for (const int mask : {mimetic::imNone, mimetic::imBodyInPlace}) {
      std::istringstream stream(c.message);
      mimetic::MimeEntity entity;
      entity.load(stream, mask);
      std::string fields;
      for (const mimetic::Field& field : entity.header()) {
        fields += field.name() + "=" + field.value() + "|";
      }
      EXPECT_EQ(fields, c.fields) << c.message;
      const mimetic::Body& body = entity.body();
      EXPECT_EQ(std::string(body.textData(), body.textSize()), c.body) << mask << ": " << c.message;
    }
  }
}

// A parameter's value from its RFC 2231 pieces, where the plain one is empty.
TEST(MimeticPatches, ParameterValuesJoinTheirExtendedPieces) {
  const std::pair<const char*, const char*> cases[] = {
      {"a/b; boundary=plain; boundary*=''other", "plain"},
      {"a/b; boundary=\"\"; boundary*=us-ascii'en'%3D_x", "=_x"},
      {"a/b; Boundary*2=c; BOUNDARY*1*=%62; boundary*0=a", "abc"},
      {"a/b; boundary*0*=utf-8''a%2; boundary*1*=%zz%4", "a%2%zz%4"},  // cut-short escapes
      {"a/b; boundary*0=a; boundary*2=c", "a"},                         // a piece missing
      {"a/b; boundary*00=a; boundary*x=b; boundary*-1=c; boundaryx*0=d", ""},
      {"a/b; boundary*0*=no-quotes%41; boundary*1*='%42'", "no-quotesA'B'"},
      {"a/b; boundary*0=\"a;b\"; boundary*1=\" c\"", "a;b c"},
  };
  for (const auto& [value, boundary] : cases) {
    const mimetic::ContentType contentType(value);
    EXPECT_EQ(mimetic::joined_param_value(contentType.paramList(), "boundary"), boundary) << value;
  }
}

// A five-digit zone made formatting throw std::length_error; a missing day of
// the week is worked out.
TEST(MimeticPatches, OddDatesFormatWithoutFault) {
  EXPECT_EQ(mimetic::DateTime("1 Oct 2020 10:00:00 +0000").dayOfWeek().ordinal(), 4);
  for (const auto& [offset, name] :
       {std::pair{7, "+0007"}, {-1234, "-1234"}, {12345, "+12345"}, {-32768, "-32768"}}) {
    EXPECT_EQ(mimetic::DateTime::Zone(offset).name(), name);
  }
  EXPECT_EQ(mimetic::DateTime("1 Jan 2020 10:00:00 +12345").zone().name(), "+12345");
}

// A header setter handed the field's own value copied it after freeing it.
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
