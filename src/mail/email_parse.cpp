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
#include "mail/entity_step.h"
#include "mail/part_walk.h"
#include "objects/entity.h"
#include "objects/entity_builder.h"
#include "runtime/errors.h"
#include "runtime/host_ref.h"
#include "runtime/host_strings.h"

namespace {

// A string stream refuses longer texts with std::bad_alloc on Windows; the
// parse refuses them alike on every system.
constexpr size_t kLongestStreamText = std::numeric_limits<int32_t>::max();

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
void FillEmailEntity(MimeEntityData& record, const mimetic::MimeEntity& message,
                     const HeaderFields& fields) {
  const BuildContext context{&record, &RunEntityStep};
  StoreField(record.Body, NewBodyObject(message.body(), context));
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
  if (messageText.size() > kLongestStreamText) throw std::bad_alloc();

  MessageStreamBuffer messageBuffer(messageText);
  std::istream messageStream(&messageBuffer);
  const mimetic::MimeEntity message(messageStream);

  const HeaderFields fields(message.header());
  FillEmailEntity(record, message, fields);
  // A message without parts (or whose parts mimetic did not find) still takes
  // a text from its own body.
  if (message.body().parts().empty()) SelectTopLevelText(record, message, fields, record);

  StoreField(record.Subject, DecodeEncodedWords(fields.subject(), false));

  // A message that only came with HTML still offers a plain text.
  if (record.PlainText == nullptr) StoreField(record.PlainText, HTMLToPlainText(record.HTMLText));
}

}  // namespace

void ParseEmail(REALobject instance, const void* bytes, int64_t count, REALstring source) {
  MimeEntityData* record = EntityData(instance);
  if (record == nullptr) return;

  // Both arrays exist from here on, so host code can ask a message for its
  // attachments even when the parse below fails.
  StoreField(record->Inlines, CreateObjectArray());
  StoreField(record->Attachments, CreateObjectArray());

  // Source is the input exactly as received, byte order mark included.
  if (source != nullptr) {
    StoreField(record->Source, RetainString(source));
  } else {
    StoreField(record->Source, BuildHostString(bytes, count, kREALTextEncodingUnknown));
  }

  const std::string_view messageText =
      bytes == nullptr || count <= 0
          ? std::string_view()
          : std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(count));
  RunGuarded([&] { ParseMessageText(*record, messageText); });
}
