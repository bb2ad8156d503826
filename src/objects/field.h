// MimeFieldZQV: one header field, its name and value.
#pragma once

#include "runtime/host_api.h"

namespace mimetic {
class Field;
}

// Every field is nil or holds one reference owned by the record.
struct MimeFieldData {
  REALstring Value;
  REALstring Name;
};
static_assert(sizeof(MimeFieldData) == ForPointerWidth(0x10, 0x08));

extern REALclassDefinition MimeFieldClass;

MimeFieldData* FieldData(REALobject instance);

void FillFieldObject(MimeFieldData& record, const mimetic::Field& field);
