// MimeBodyZQV: an entity's body, with its own text, its preamble and
// epilogue, and its child entities.
#pragma once

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

namespace mimetic {
class Body;
}

// Every field is nil or holds one reference owned by the record.
struct MimeBodyData {
  REALstring preamble;
  REALstring epilogue;
  REALstring StringValue;  // as the message holds it, not transfer-decoded
  REALobject Parts;        // array of MimeEntityZQV
};
static_assert(sizeof(MimeBodyData) == 0x20);

extern REALclassDefinition MimeBodyClass;

MimeBodyData* BodyData(REALobject instance);

// A MimeBodyZQV with the texts of `body` and an empty Parts array, with one
// reference for the caller; nil when the host makes no instance. The parts
// are the caller's to add (AppendBodyPart), as it builds their entities.
HostObject NewBodyObject(const mimetic::Body& body);
// Appends `part` (a MimeEntityZQV) to the body's Parts; the array takes its
// own reference.
void AppendBodyPart(REALobject body, REALobject part);
