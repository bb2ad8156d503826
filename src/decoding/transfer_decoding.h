// Undoing a body's Content-Transfer-Encoding with mimetic's codecs.
#pragma once

#include <string>
#include <string_view>

namespace mimetic {
class ContentTransferEncoding;
}  // namespace mimetic

// True for an empty mechanism and for base64, quoted-printable, binary, 7bit
// and 8bit (ASCII case ignored).
bool IsDecodableTransferEncoding(std::string_view mechanism);
// Undoes base64 or quoted-printable in `body` itself, which afterwards holds
// the decoded bytes in place of the text as the message had it; other
// mechanisms leave it as it is. Zero bytes are kept.
void DecodeBodyInPlace(const mimetic::ContentTransferEncoding& encoding, std::string& body);
