// Undoing a body's Content-Transfer-Encoding with mimetic's codecs.
#pragma once

#include <string>
#include <string_view>

namespace mimetic {
class ContentTransferEncoding;
class MimeEntity;
}  // namespace mimetic

// True for an empty mechanism and for base64, quoted-printable, binary, 7bit
// and 8bit (ASCII case ignored).
bool IsDecodableTransferEncoding(std::string_view mechanism);
// The entity's body with base64 or quoted-printable undone; other mechanisms
// leave the bytes as they are. Zero bytes are kept.
std::string DecodeBody(const mimetic::ContentTransferEncoding& encoding,
                       const mimetic::MimeEntity& entity);
