// MimeTnefZQV: the contents of a TNEF stream (winmail.dat), read completely
// by its constructor: the message's texts and the files it carries, as the
// MimeAttachmentZQV objects host code already saves.
#pragma once

#include "runtime/host_api.h"

// Every field is nil or holds one reference owned by the record.
struct MimeTnefData {
  REALobject Attachments;  // MimeAttachmentZQV(), in stream order
  REALstring Subject;
  REALstring Body;
  REALstring BodyHTML;
  REALstring BodyRTF;
};
static_assert(sizeof(MimeTnefData) == 5 * sizeof(void*));

extern REALclassDefinition MimeTnefClass;

MimeTnefData* TnefData(REALobject instance);
