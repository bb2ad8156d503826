// MimeBodyZQV: an entity's body, with its own text, its preamble and
// epilogue, and its child entities.
#pragma once

#include "runtime/host_api.h"

// Every field is nil or holds one reference owned by the record.
struct MimeBodyData {
  REALstring preamble;
  REALstring epilogue;
  REALstring StringValue;  // as the message holds it, not transfer-decoded
  REALobject Parts;        // array of MimeEntityZQV
};
static_assert(sizeof(MimeBodyData) == ForPointerWidth(0x20, 0x10));

extern REALclassDefinition MimeBodyClass;

MimeBodyData* BodyData(REALobject instance);
