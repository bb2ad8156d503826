#include "decoding/transfer_decoding.h"

#include <mimetic/codec/base64.h>
#include <mimetic/codec/qp.h>
#include <mimetic/contenttransferencoding.h>
#include <mimetic/mimeentity.h>

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

// The decoders write into room made for the longest result they can give,
// which is then cut to what they wrote: no byte is appended on its own, and
// a large attachment is not copied into fresh memory as it grows.
template <class Decoder>
std::string_view RunDecoder(const std::string& encodedBytes, std::string& decodedBytes,
                            size_t longestResult) {
  decodedBytes.resize(longestResult);
  Decoder decoder;
  // Like the range form, this ends with the decoder's flush, which emits a
  // trailing partial base64 group or a pending quoted-printable escape.
  const char* encoded = encodedBytes.data();
  const char* end = decoder.process(encoded, encoded + encodedBytes.size(), decodedBytes.data());
  decodedBytes.resize(static_cast<size_t>(end - decodedBytes.data()));
  return decodedBytes;
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

std::string_view DecodeBody(const mimetic::ContentTransferEncoding& encoding,
                            const mimetic::MimeEntity& entity, std::string& decoded) {
  const mimetic::istring& mechanism = encoding.mechanism();
  const std::string_view mechanismName(mechanism.data(), mechanism.size());
  const std::string& body = entity.body();
  // Four base64 characters make at most three bytes, and no
  // quoted-printable byte more than one.
  if (EqualsIgnoringAsciiCase(mechanismName, kBase64)) {
    return RunDecoder<mimetic::Base64::Decoder>(body, decoded, body.size() / 4 * 3 + 3);
  }
  if (EqualsIgnoringAsciiCase(mechanismName, kQuotedPrintable)) {
    return RunDecoder<mimetic::QP::Decoder>(body, decoded, body.size());
  }
  // 7bit, 8bit, binary or none: the body is already what it says.
  return body;
}
