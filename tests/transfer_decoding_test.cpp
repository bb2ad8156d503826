// Undoing Content-Transfer-Encoding: which mechanisms are read, and what the
// base64 and quoted-printable decoders give for the bodies mail really has.
#include <iterator>
#include <string>
#include <string_view>

#include <gtest/gtest.h>
#include <mimetic/mimetic.h>

#include "decoding/transfer_decoding.h"

namespace {

using namespace std::literals;

std::string Decode(const std::string& mechanism, const std::string& body) {
  return std::string(DecodeBody(mimetic::ContentTransferEncoding(mechanism), body).bytes());
}

TEST(TransferDecoding, AcceptsOnlyTheMechanismsItCanRead) {
  for (std::string_view mechanism :
       {""sv, "Base64"sv, "quoted-printable"sv, "binary"sv, "7BIT"sv, "8bit"sv}) {
    EXPECT_TRUE(IsDecodableTransferEncoding(mechanism)) << mechanism;
  }
  // Nothing is trimmed or guessed: near misses are refused.
  for (std::string_view mechanism :
       {"x-uuencode"sv, "uuencode"sv, "base64 "sv, " base64"sv, "base-64"sv, "base"sv,
        "quoted_printable"sv, "8bits"sv, "7bit\0"sv, "\0"sv, "b\xC3\xA1se64"sv}) {
    EXPECT_FALSE(IsDecodableTransferEncoding(mechanism)) << mechanism;
  }
}

TEST(TransferDecoding, Base64AndQuotedPrintableDecodeTheBodiesMailHas) {
  const std::string b64 = "base64", qp = "quoted-printable";
  const struct {
    std::string mechanism, encoded, decoded;
  } cases[] = {
      {b64, "QUJD\r\nREVG\r\n", "ABCDEF"},
      {b64, "QQ==", "A"},
      {b64, "QQ==QUJD", "AABC"},  // decoding goes on after a padded group
      {b64, "QUJDREVG\r\n=\r\n", "ABCDEF"},  // padding after a whole group adds no byte
      {b64, "QUJDR\r\nEVGR0\r\nhJ", "ABCDEFGHI"},  // groups cut by line breaks
      {b64, "QUJDRA", "ABCD"},    // trailing groups of two or three still give bytes
      {b64, "QUJDREU", "ABCDE"},
      {b64, "QUJDR", "ABC"},  // a single leftover character gives nothing
      {b64, "AEEAQgBD", "\0A\0B\0C"s},
      {b64, "", ""},
      {"bAsE64", "QUJD", "ABC"},
      {qp, "a=3db=3D", "a=b="},  // either case of hex digit
      {qp, "x=00y=00", "x\0y\0"s},
      {qp, "soft=\r\nbreak", "softbreak"},
      {qp, "soft=\nbreak", "softbreak"},
      {qp, "soft=\n", "soft"},  // a lone line break as the body's last byte
      {qp, "soft=\r", "soft"},
      {qp, "one\r\ntwo\rthree\nfour", "one\ntwo\nthree\nfour"},
      {qp, "one\n\rtwo\r\n\rthree", "one\n\ntwo\n\nthree"},  // only CR LF is one break
      // Blanks before a line break go, the line break of any form stays.
      {qp, "trailing \t\r\nblanks", "trailing\nblanks"},
      {qp, "lone \nbreaks\t\rstay \n\nkept \n", "lone\nbreaks\nstay\n\nkept\n"},
      // The last line ends at the end of the body, and its blanks go too.
      {qp, "last line \t", "last line"},
      {qp, "last=\t", "last="},
      {qp, "inner  blanks\tstay", "inner  blanks\tstay"},
      {qp, "ctrl\x01\x1F""bytes", "ctrlbytes"},
      {qp, "high \xE9\xFF bytes", "high \xE9\xFF bytes"},
      {qp, "=4", "=4"},  // an escape cut short by the end is kept as written
      // ... and one cut short by anything else too, which is read as usual
      {qp, "=4\r\nx=4 \r\ny=4=41", "=4\nx=4\ny=4A"},
      {qp, "", ""},
      {"QUOTED-PRINTABLE", "caf=E9", "caf\xE9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Decode(c.mechanism, c.encoded), c.decoded) << c.mechanism << " " << c.encoded;
  }
}

std::string Base64Of(const std::string& bytes) {
  std::string text;
  mimetic::Base64::Encoder encoder(0);
  encoder.process(bytes.begin(), bytes.end(), std::back_inserter(text));
  return text;
}

// Bodies are decoded into room kept between calls, grown when a larger body
// comes and used again for smaller ones; a body beyond the cap gets room of
// its own, and the kept room serves the calls after it as before.
TEST(TransferDecoding, BodiesOfEverySizeDecodeIntoTheRoomTheyAreGiven) {
  std::string pattern;
  for (int value = 0; value < 256; ++value) pattern.push_back(static_cast<char>(value));
  auto bytesOf = [&](size_t size) {
    std::string bytes;
    while (bytes.size() < size) bytes += pattern;
    bytes.resize(size);
    return bytes;
  };
  const size_t sizes[] = {1000, 300000, 10, 300000, kKeptDecodingRoom + 5, 7, 250000};
  for (size_t size : sizes) {
    const std::string bytes = bytesOf(size);
    EXPECT_EQ(Decode("base64", Base64Of(bytes)), bytes) << size;
  }
  // Quoted-printable may decode to as many bytes as it is written with.
  const std::string plain(kKeptDecodingRoom + 1, 'p');
  EXPECT_EQ(Decode("quoted-printable", plain), plain);
  EXPECT_EQ(Decode("quoted-printable", "a=3Db"), "a=b");
}

}  // namespace
