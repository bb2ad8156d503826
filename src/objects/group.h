// MimeGroupZQV: a named group of mailboxes within an address list.
#pragma once

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

namespace mimetic {
struct Group;
}

// Every field is nil or holds one reference owned by the record.
struct MimeGroupData {
  REALstring StringValue;
  REALstring Name;         // as written
  REALstring NameDecoded;  // encoded words decoded, quotes kept
  REALobject Mailboxes;    // array of MimeMailboxZQV
};
static_assert(sizeof(MimeGroupData) == ForPointerWidth(0x20, 0x10));

extern REALclassDefinition MimeGroupClass;

MimeGroupData* GroupData(REALobject instance);

void FillGroupObject(MimeGroupData& record, const mimetic::Group& group);
// Nil when the group has neither a name nor any entry, or the host makes no
// instance.
HostObject NewGroupObject(const mimetic::Group& group);
