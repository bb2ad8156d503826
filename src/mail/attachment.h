// MimeAttachmentZQV: a part of a message that is neither its plain text nor
// its HTML text, as a flat record host code can read and change.
#pragma once

#include <string_view>

#include "objects/entity.h"
#include "objects/header_fields.h"
#include "runtime/host_api.h"

// Every field is nil or holds one reference owned by the record.
struct MimeAttachmentData {
  REALobject Body;    // MimeBodyZQV of the part
  REALobject Header;  // MimeHeaderZQV of the part
  REALstring Data;    // the part's decoded text, the same string as its BodyDecoded
  REALstring Filename;
  REALstring MimeType;
  REALstring MimeVersion;
  REALstring ContentType;
  REALstring ContentTransferEncoding;
  REALstring ContentDisposition;
  REALstring ContentDescription;
  REALstring contentId;
};
static_assert(sizeof(MimeAttachmentData) == ForPointerWidth(0x58, 0x2C));

extern REALclassDefinition MimeAttachmentClass;

MimeAttachmentData* AttachmentData(REALobject instance);

// Builds one attachment from a decoded part and appends it to the message's
// Inlines (`isInline`) or Attachments array. `text` is the part's decoded
// text, `body` and `headerObject` its MimeBodyZQV and MimeHeaderZQV; each is
// borrowed and may be nil. `fields` reads the part's header.
void AddAttachment(MimeEntityData& messageRecord, REALstring text, const HeaderFields& fields,
                   REALobject body, REALobject headerObject, bool isInline,
                   std::string_view decodedBytes);
