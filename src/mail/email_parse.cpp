#include "mail/email_parse.h"

#include <cstdint>
#include <istream>
#include <limits>
#include <new>
#include <streambuf>
#include <string_view>

#include <mimetic/mimeentity.h>

#include "decoding/encoded_words.h"
#include "decoding/html_to_text.h"
#include "mail/entity_tree.h"
#include "mail/part_walk.h"
#include "objects/entity.h"
#include "objects/header.h"
#include "runtime/errors.h"
#include "runtime/heap_buffer.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"

namespace {

// The Windows C++ runtime's string streams refuse longer texts with
// std::bad_alloc. Every build refuses them alike, and before copying them:
// the copies alone would take gigabytes and many seconds.
constexpr int64_t kLongestStreamText = std::numeric_limits<int32_t>::max();

bool StartsWithUTF8ByteOrderMark(std::string_view text) {
  return text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

// The message as a stream read in the caller's own memory: a string stream
// would first copy the whole message, and a large one is several pages of
// fresh memory per megabyte. Nothing writes through the stream.
class MessageStreamBuffer : public std::streambuf {
 public:
  explicit MessageStreamBuffer(std::string_view text) {
    char* begin = const_cast<char*>(text.data());
    setg(begin, begin, begin + text.size());
  }
};

// The message's own entity, built like every entity below it but into the
// message's record: its Body first, which builds and walks the whole tree of
// parts, then its Header, and the walk and dates of the message entity last
// of all.
void FillEmailEntity(MimeEntityData& record, mimetic::MimeEntity& message,
                     const HeaderFields& fields) {
  StoreField(record.Body, NewBodyWithParts(message.body(), record));
  StoreField(record.Header, NewHeaderObject(fields));
  // The message itself goes through the same per-entity step as its parts,
  // last, after all of them.
  RunEntityStep(record, message, fields, record, record.Body, record.Header);
}

void ParseMessageText(MimeEntityData& record, std::string_view messageText) {
  // A UTF-8 byte order mark is the only one an editor commonly leaves in
  // front of ASCII header text; any other leaves a non-ASCII first byte and is
  // refused below.
  if (StartsWithUTF8ByteOrderMark(messageText)) messageText.remove_prefix(3);
  if (messageText.empty()) {
    RaiseException("UnsupportedOperationException", "Can't parse empty text.");
    return;
  }
  if (static_cast<unsigned char>(messageText.front()) >= 0x80) {
    RaiseException("UnsupportedOperationException",
                   "Email must start with an header text. BOM character?");
    return;
  }

  MessageStreamBuffer messageBuffer(messageText);
  std::istream messageStream(&messageBuffer);
  // Every body may stay in the message's bytes, which outlive the entity:
  // the only copies of a large part's text are then the host strings made
  // from it.
  mimetic::MimeEntity message;
  message.load(messageStream, mimetic::imBodyInPlace);

  const HeaderFields fields(message.header());
  FillEmailEntity(record, message, fields);
  // A message without parts (or whose parts mimetic did not find) still takes
  // a text from its own body.
  if (message.body().parts().empty()) SelectTopLevelText(record, message, fields, record);

  StoreField(record.Subject, DecodeEncodedWords(fields.subject(), false));

  // A message that only came with HTML still offers a plain text.
  if (record.PlainText == nullptr) StoreField(record.PlainText, HTMLToPlainText(record.HTMLText));
}

void MakeEmptyArrays(MimeEntityData& record) {
  // Both arrays exist from here on, so host code can ask a message for its
  // attachments even when the parse below fails.
  StoreField(record.Inlines, CreateObjectArray());
  StoreField(record.Attachments, CreateObjectArray());
}

// What the string stream's refusal would have told host code.
void RaiseTooLong() { TranslateCppException(std::bad_alloc()); }

// What every constructor does before the parse: both arrays, then Source.
// False when the message is refused before it is parsed.
bool StartEmail(MimeEntityData& record, const void* bytes, int64_t count, REALstring source) {
  MakeEmptyArrays(record);

  // Source is the input exactly as received, byte order mark included; the
  // caller's own string costs nothing to keep, a copy of a block too long to
  // parse is not made.
  if (source != nullptr) {
    StoreField(record.Source, RetainString(source));
  } else if (!IsTooLongToParse(count)) {
    StoreField(record.Source, BuildHostString(bytes, count, kREALTextEncodingUnknown));
  }
  if (IsTooLongToParse(count)) {
    RaiseTooLong();
    return false;
  }
  return true;
}

void ParseBytes(MimeEntityData& record, const void* bytes, int64_t count) {
  const std::string_view messageText =
      bytes == nullptr || count <= 0
          ? std::string_view()
          : std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(count));
  RunGuarded([&] { ParseMessageText(record, messageText); });
}

}  // namespace

int64_t LongestParsableEmail() { return kLongestStreamText; }

bool IsTooLongToParse(int64_t count) { return count > kLongestStreamText; }

void RefuseTooLongEmail(REALobject instance) {
  MimeEntityData* record = EntityData(instance);
  if (record != nullptr) MakeEmptyArrays(*record);
  RaiseTooLong();
}

void ParseEmail(REALobject instance, const void* bytes, int64_t count, REALstring source) {
  MimeEntityData* record = EntityData(instance);
  if (record == nullptr) return;
  if (!StartEmail(*record, bytes, count, source)) return;
  ParseBytes(*record, bytes, count);
}

void ParseEmailBuffer(REALobject instance, HeapBuffer buffer, int64_t count) {
  MimeEntityData* record = EntityData(instance);
  if (record == nullptr) return;
  if (!StartEmail(*record, buffer.get(), count, nullptr)) return;
  // Source now holds the same bytes: the parse reads them there and the
  // buffer goes first, so a large file is not held once more while it is
  // parsed.
  const char* sourceBytes =
      record->Source == nullptr ? nullptr : StringGetCString(record->Source);
  if (sourceBytes == nullptr) {
    ParseBytes(*record, buffer.get(), count);
    return;
  }
  buffer = HeapBuffer();
  ParseBytes(*record, sourceBytes, count);
}
