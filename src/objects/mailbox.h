// MimeMailboxZQV: one mailbox of an address field, with its local part,
// domain, display name and source route.
#pragma once

#include <vector>

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

namespace mimetic {
struct Mailbox;
}

// Every field is nil or holds one reference owned by the record.
struct MimeMailboxData {
  REALstring StringValue;
  REALstring Mailbox;       // the local part
  REALstring Domain;
  REALstring Label;         // the display name as written
  REALstring LabelDecoded;  // encoded words decoded, enclosing quotes gone
  REALstring Sourceroute;
};
static_assert(sizeof(MimeMailboxData) == ForPointerWidth(0x30, 0x18));

extern REALclassDefinition MimeMailboxClass;

MimeMailboxData* MailboxData(REALobject instance);

void FillMailboxObject(MimeMailboxData& record, const mimetic::Mailbox& mailbox);
// Nil when the mailbox has no local part or the host makes no instance.
HostObject NewMailboxObject(const mimetic::Mailbox& mailbox);
// Appends a MimeMailboxZQV for each mailbox that gives one, in order; what
// a group and a mailbox list hold.
void AppendMailboxObjects(REALobject array, const std::vector<mimetic::Mailbox>& mailboxes);
