#include "decoding/transfer_decoding.h"

#include <mimetic/codec/base64.h>
#include <mimetic/codec/qp.h>
#include <mimetic/contenttransferencoding.h>

namespace {

constexpr char kBase64[] = "base64";
constexpr char kQuotedPrintable[] = "quoted-printable";

char UpperAscii(char byte) { return (byte >= 'a' && byte <= 'z') ? char(byte - 'a' + 'A') : byte; }

// Whole-string comparison, length included: nothing is trimmed, so a mechanism
// with anything after the name (or a zero byte in it) is not that name.
bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view name) {
  if (text.size() != name.size()) return false;
  for (size_t index = 0; index < text.size(); ++index) {
    if (UpperAscii(text[index]) != UpperAscii(name[index])) return false;
  }
  return true;
}

// A base64 or quoted-printable body is decoded over its own text: both
// decoders read every byte before they write its place (a group of four base64
// characters gives three bytes, and nothing quoted-printable decodes to more
// bytes than it is written with), so they never overtake what they read. A
// large attachment then needs no fresh memory for its bytes.
template <class Decoder>
void DecodeInPlace(std::string& body) {
  Decoder decoder;
  char* decoded = body.data();
  const char* text = decoded;
  // Like the range form, this ends with the decoder's flush, which emits a
  // trailing partial base64 group or a pending quoted-printable escape.
  const char* end = decoder.process(text, text + body.size(), decoded);
  body.resize(static_cast<size_t>(end - decoded));
}

}  // namespace

bool IsDecodableTransferEncoding(std::string_view mechanism) {
  static constexpr std::string_view decodable[] = {kBase64, kQuotedPrintable, "binary", "7bit", "8bit"};
  if (mechanism.empty()) return true;
  for (std::string_view name : decodable) {
    if (EqualsIgnoringAsciiCase(mechanism, name)) return true;
  }
  return false;
}

void DecodeBodyInPlace(const mimetic::ContentTransferEncoding& encoding, std::string& body) {
  const mimetic::istring& mechanism = encoding.mechanism();
  const std::string_view mechanismName(mechanism.data(), mechanism.size());
  if (EqualsIgnoringAsciiCase(mechanismName, kBase64)) {
    DecodeInPlace<mimetic::Base64::Decoder>(body);
  } else if (EqualsIgnoringAsciiCase(mechanismName, kQuotedPrintable)) {
    DecodeInPlace<mimetic::QP::Decoder>(body);
  }
  // 7bit, 8bit, binary or none: the body is already what it says.
}
