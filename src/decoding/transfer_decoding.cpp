#include "decoding/transfer_decoding.h"

#include <memory>
#include <utility>

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

// Room for the decoded bytes that stays with the thread between calls: a
// large attachment decoded into fresh memory for every message costs a page
// fault per 4 KiB, which on some machines weighs more than the decoding.
struct KeptRoom {
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
};

thread_local KeptRoom keptRoom;

// Where a body's decoded bytes go, and the room it owns when it is too
// large for the kept room.
struct Room {
  char* bytes = nullptr;
  std::unique_ptr<char[]> own;
};

// Room for `size` bytes: the kept room, grown to that size, or room of its
// own for a body beyond the cap.
Room RoomFor(size_t size) {
  Room room;
  if (size > kKeptDecodingRoom) {
    room.own.reset(new char[size]);
    room.bytes = room.own.get();
    return room;
  }
  if (keptRoom.size < size) {
    // The smaller room goes first, so the two are never held at once.
    keptRoom.bytes.reset();
    keptRoom.bytes.reset(new char[size]);
    keptRoom.size = size;
  }
  room.bytes = keptRoom.bytes.get();
  return room;
}

// `mostBytes` is the most the decoder can write for `text`: three bytes for
// each group of four base64 characters (and a trailing partial group), no
// more than a byte for each quoted-printable one.
template <class Decoder>
DecodedBytes DecodeWith(std::string_view text, size_t mostBytes) {
  Room room = RoomFor(mostBytes);
  char* const out = room.bytes;
  Decoder decoder;
  // Like the range form, this ends with the decoder's flush, which emits a
  // trailing partial base64 group or a pending quoted-printable escape.
  const char* const end = decoder.process(text.data(), text.data() + text.size(), out);
  return DecodedBytes(std::string_view(out, static_cast<size_t>(end - out)), std::move(room.own));
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

DecodedBytes DecodeBody(const mimetic::ContentTransferEncoding& encoding, std::string_view text) {
  const mimetic::istring& mechanism = encoding.mechanism();
  const std::string_view mechanismName(mechanism.data(), mechanism.size());
  if (EqualsIgnoringAsciiCase(mechanismName, kBase64)) {
    return DecodeWith<mimetic::Base64::Decoder>(text, text.size() / 4 * 3 + 3);
  }
  if (EqualsIgnoringAsciiCase(mechanismName, kQuotedPrintable)) {
    return DecodeWith<mimetic::QP::Decoder>(text, text.size());
  }
  // 7bit, 8bit, binary or none: the body is already what it says.
  return DecodedBytes(text, nullptr);
}
