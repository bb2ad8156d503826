#include "mail/part_walk.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <mimetic/fieldparam.h>
#include <mimetic/mimeentity.h>

#include "decoding/charsets.h"
#include "decoding/transfer_decoding.h"
#include "mail/attachment.h"
#include "runtime/host_ref.h"
#include "runtime/host_strings.h"
#include "runtime/platform.h"

namespace {

// An entity's body with its transfer encoding undone (`bytes`) and as a host
// string in its charset (`text`, nil for an empty body).
struct DecodedBody {
  std::string_view bytes;
  HostString text;
};

bool IsWord(const mimetic::istring& value, const char* word) {
  return platform::CompareIgnoringCase(value.c_str(), word) == 0;
}

bool IsMediaType(const mimetic::ContentType& contentType, const char* type, const char* subtype) {
  return IsWord(contentType.type(), type) && IsWord(contentType.subtype(), subtype);
}

// Containers only hold other parts, already walked. Any other multipart
// (signed, report...) is filed with its own body text like a leaf.
bool IsContainer(const mimetic::ContentType& contentType) {
  return IsMediaType(contentType, "multipart", "alternative") ||
         IsMediaType(contentType, "multipart", "related") ||
         IsMediaType(contentType, "multipart", "mixed");
}

// Nothing for a transfer encoding that is not undone here (x-uuencode and
// the like): such a part is left out altogether. The transfer encoding is
// undone in the entity's own body, whose text as the message had it is by
// then the body object's StringValue; `bodyIsDecoded` says it was undone
// already. The decoded bytes stay valid while the entity does.
std::optional<DecodedBody> DecodeEntityBody(mimetic::MimeEntity& entity,
                                            const HeaderFields& fields, bool bodyIsDecoded) {
  const mimetic::ContentTransferEncoding& transferEncoding = fields.contentTransferEncoding();
  const mimetic::istring& mechanism = transferEncoding.mechanism();
  if (!IsDecodableTransferEncoding(std::string_view(mechanism.data(), mechanism.size()))) {
    return std::nullopt;
  }

  std::string& body = entity.body();
  if (!bodyIsDecoded) DecodeBodyInPlace(transferEncoding, body);
  DecodedBody decoded;
  decoded.bytes = body;
  // Every part becomes a string, images too: that is how their bytes reach
  // host code. Without a charset the bytes choose their own tag. Some
  // senders write the charset in its extended form (charset*=utf-8''utf-8).
  const std::string charset =
      mimetic::joined_param_value(fields.contentType().paramList(), "charset");
  if (charset.empty()) {
    decoded.text = BuildHostStringAuto(decoded.bytes.data(), decoded.bytes.size());
  } else {
    decoded.text =
        BuildHostString(decoded.bytes.data(), decoded.bytes.size(), CharsetToEncoding(charset));
  }
  return decoded;
}

// The first plain and the first HTML part that are not marked as attachments
// become the message's texts; every other part becomes an attachment object.
// Since mimetic makes up a Content-ID for a part without one, a part reaching
// that test is inline unless it has an empty Content-ID field.
void ClassifyLeafPart(const HeaderFields& fields, REALstring text, REALobject body,
                      REALobject headerObject, MimeEntityData& messageRecord,
                      std::string_view decodedBytes) {
  const mimetic::ContentType& contentType = fields.contentType();
  const mimetic::istring& disposition = fields.contentDisposition().type();

  if (IsWord(disposition, "attachment")) {
    AddAttachment(messageRecord, text, fields, body, headerObject, false, decodedBytes);
    return;
  }
  // An empty part takes its turn but leaves the field nil, so a later part
  // of the same kind can still fill it.
  if (IsMediaType(contentType, "text", "plain") && messageRecord.PlainText == nullptr) {
    StoreField(messageRecord.PlainText, RetainString(text));
    return;
  }
  if (IsMediaType(contentType, "text", "html") && messageRecord.HTMLText == nullptr) {
    StoreField(messageRecord.HTMLText, RetainString(text));
    return;
  }
  const bool isInline = IsWord(disposition, "inline") || !fields.contentIdText().empty();
  AddAttachment(messageRecord, text, fields, body, headerObject, isInline, decodedBytes);
}

}  // namespace

void WalkEntity(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                const HeaderFields& fields, MimeEntityData& messageRecord, REALobject body,
                REALobject header) {
  if (IsContainer(fields.contentType())) return;
  std::optional<DecodedBody> decoded = DecodeEntityBody(entity, fields, false);
  if (!decoded) return;
  StoreField(entityRecord.BodyDecoded, std::move(decoded->text));
  ClassifyLeafPart(fields, entityRecord.BodyDecoded, body, header, messageRecord, decoded->bytes);
}

void SelectTopLevelText(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                        const HeaderFields& fields, MimeEntityData& messageRecord) {
  // The walk has undone the transfer encoding of every body but a
  // container's; the text is made again from the bytes it left.
  const bool bodyIsDecoded = !IsContainer(fields.contentType());
  std::optional<DecodedBody> decoded = DecodeEntityBody(entity, fields, bodyIsDecoded);
  if (!decoded) return;
  StoreField(entityRecord.BodyDecoded, std::move(decoded->text));
  REALstring text = entityRecord.BodyDecoded;

  // The disposition does not count here, and a body of any other type (a
  // lone PDF, a multipart whose parts mimetic did not find, no Content-Type
  // at all) still gives the message a plain text.
  const mimetic::ContentType& contentType = fields.contentType();
  if (IsMediaType(contentType, "text", "plain")) {
    if (messageRecord.PlainText == nullptr) StoreField(messageRecord.PlainText, RetainString(text));
    return;
  }
  if (IsMediaType(contentType, "text", "html")) {
    if (messageRecord.HTMLText == nullptr) StoreField(messageRecord.HTMLText, RetainString(text));
    return;
  }
  StoreField(messageRecord.PlainText, RetainString(text));
}
