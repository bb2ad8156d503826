// MimeMailboxListZQV: the mailboxes of a From field.
#pragma once

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

namespace mimetic {
struct MailboxList;
}

// Every field is nil or holds one reference owned by the record.
struct MimeMailboxListData {
  REALstring StringValue;
  REALobject Mailboxes;  // array of MimeMailboxZQV
};
static_assert(sizeof(MimeMailboxListData) == ForPointerWidth(0x10, 0x08));

extern REALclassDefinition MimeMailboxListClass;

MimeMailboxListData* MailboxListData(REALobject instance);

void FillMailboxListObject(MimeMailboxListData& record, const mimetic::MailboxList& mailboxes);
// Nil when the list has no entries or the host makes no instance. A list
// whose entries all lack a local part still gives an object, with Count 0.
HostObject NewMailboxListObject(const mimetic::MailboxList& mailboxes);
