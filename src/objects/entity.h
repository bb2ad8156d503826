// MimeEntityZQV: one MIME entity with its header, body and decoded body. Its
// record is shared by MimeEmailZQV, which fills the message-only fields.
#pragma once

#include "runtime/host_api.h"

// Every field is nil or holds one reference owned by the record.
struct MimeEntityData {
  REALobject Header;        // MimeHeaderZQV
  REALobject Body;          // MimeBodyZQV
  REALstring BodyDecoded;
  REALstring Source;        // message only, from here to Inlines
  REALstring Subject;
  REALstring PlainText;
  REALstring HTMLText;
  REALobject Attachments;   // array of MimeAttachmentZQV
  REALobject Inlines;       // array of MimeAttachmentZQV
  REALobject Date;          // host Date
  REALobject ReceivedDate;  // host Date
};
static_assert(sizeof(MimeEntityData) == ForPointerWidth(0x58, 0x2C));

extern REALclassDefinition MimeEntityClass;

// The record of a MimeEntityZQV or MimeEmailZQV instance.
MimeEntityData* EntityData(REALobject instance);
