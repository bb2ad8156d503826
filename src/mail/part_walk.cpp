#include "mail/part_walk.h"

#include <string>
#include <string_view>
#include <utility>

#include <mimetic/fieldparam.h>
#include <mimetic/mimeentity.h>

#include "decoding/charsets.h"
#include "decoding/transfer_decoding.h"
#include "mail/attachment.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"
#include "runtime/platform.h"

namespace {

// An entity's body with its transfer encoding undone (`decoded`) and as a
// host string in its charset (`text`, nil for an empty body).
struct DecodedBody {
  DecodedBytes decoded;
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

// A transfer encoding that is not undone here (x-uuencode and the like)
// leaves the part out altogether.
bool HasDecodableTransferEncoding(const HeaderFields& fields) {
  const mimetic::istring& mechanism = fields.contentTransferEncoding().mechanism();
  return IsDecodableTransferEncoding(std::string_view(mechanism.data(), mechanism.size()));
}

// The decoded bytes stay valid until the next body is decoded.
DecodedBody DecodeEntityBody(const mimetic::MimeEntity& entity, const HeaderFields& fields) {
  const mimetic::Body& body = entity.body();
  DecodedBytes decoded = DecodeBody(fields.contentTransferEncoding(),
                                    std::string_view(body.textData(), body.textSize()));
  const std::string_view bytes = decoded.bytes();
  // Every part becomes a string, images too: that is how their bytes reach
  // host code. Without a charset the bytes choose their own tag. Some
  // senders write the charset in its extended form (charset*=utf-8''utf-8).
  const std::string charset =
      mimetic::joined_param_value(fields.contentType().paramList(), "charset");
  HostString text = charset.empty()
                        ? BuildHostStringAuto(bytes.data(), bytes.size())
                        : BuildHostString(bytes.data(), bytes.size(), CharsetToEncoding(charset));
  return DecodedBody{std::move(decoded), std::move(text)};
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
  if (IsContainer(fields.contentType()) || !HasDecodableTransferEncoding(fields)) return;
  DecodedBody decoded = DecodeEntityBody(entity, fields);
  StoreField(entityRecord.BodyDecoded, std::move(decoded.text));
  ClassifyLeafPart(fields, entityRecord.BodyDecoded, body, header, messageRecord,
                   decoded.decoded.bytes());
}

void SelectTopLevelText(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                        const HeaderFields& fields, MimeEntityData& messageRecord) {
  if (!HasDecodableTransferEncoding(fields)) return;
  // The walk has made BodyDecoded of every body but a container's, from the
  // same bytes in the same charset: decoding them again would only build an
  // equal string.
  if (IsContainer(fields.contentType())) {
    StoreField(entityRecord.BodyDecoded, DecodeEntityBody(entity, fields).text);
  }
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
