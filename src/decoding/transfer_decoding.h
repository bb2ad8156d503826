// Undoing a body's Content-Transfer-Encoding with mimetic's codecs.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

namespace mimetic {
class ContentTransferEncoding;
}  // namespace mimetic

// True for an empty mechanism and for base64, quoted-printable, binary, 7bit
// and 8bit (ASCII case ignored).
bool IsDecodableTransferEncoding(std::string_view mechanism);
// A body with its transfer encoding undone. Its bytes are valid until the
// next DecodeBody on the same thread, or as long as the text given to
// DecodeBody when that was already the decoded bytes.
class DecodedBytes {
 public:
  DecodedBytes(std::string_view bytes, std::unique_ptr<char[]> room)
      : bytes_(bytes), room_(std::move(room)) {}
  std::string_view bytes() const { return bytes_; }

 private:
  std::string_view bytes_;
  // Only a body too large for the room kept between calls owns its room.
  std::unique_ptr<char[]> room_;
};

// Undoes base64 or quoted-printable; other mechanisms answer `text` itself.
// Zero bytes are kept. The decoded bytes are written into room this thread
// keeps for the next call (up to kKeptDecodingRoom bytes), so a program that
// reads one message after another decodes into memory it has already
// touched rather than fresh pages every time.
DecodedBytes DecodeBody(const mimetic::ContentTransferEncoding& encoding, std::string_view text);

// The largest room kept between calls: enough for a 16 MiB attachment.
// Larger bodies are decoded into room of their own, freed with their
// DecodedBytes; the kept room goes when its thread ends.
constexpr size_t kKeptDecodingRoom = 16u << 20;
