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
// The entity's body with base64 or quoted-printable undone, decoded into
// `decoded`; other mechanisms leave the bytes as they are, and the result is
// then the entity's body itself, not a copy of it. The bytes stay valid
// while `decoded` and the entity do. Zero bytes are kept.
std::string_view DecodeBody(const mimetic::ContentTransferEncoding& encoding,
                            const mimetic::MimeEntity& entity, std::string& decoded);
