// MimeFieldZQV: one header field, its name and value.
#pragma once

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

namespace mimetic {
class Field;
}

// Every field is nil or holds one reference owned by the record.
struct MimeFieldData {
  REALstring Value;
  REALstring Name;
};
static_assert(sizeof(MimeFieldData) == 0x10);

extern REALclassDefinition MimeFieldClass;

MimeFieldData* FieldData(REALobject instance);

void FillFieldObject(MimeFieldData& record, const mimetic::Field& field);
// A MimeFieldZQV of `field`, with one reference for the caller; nil when the
// host makes no instance.
HostObject NewFieldObject(const mimetic::Field& field);
