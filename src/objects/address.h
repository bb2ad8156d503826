// MimeAddressZQV: one entry of an address list, either a mailbox or a group.
#pragma once

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

namespace mimetic {
struct Address;
}

// Every field but isGroup is nil or holds one reference owned by the record.
// At most one of Mailbox and Group is set, and either may be nil when mimetic
// found nothing in it.
struct MimeAddressData {
  REALstring StringValue;
  RBBoolean isGroup;   // a plain value, not a reference
  REALobject Mailbox;  // MimeMailboxZQV
  REALobject Group;    // MimeGroupZQV
};
static_assert(sizeof(MimeAddressData) == ForPointerWidth(0x20, 0x10));

extern REALclassDefinition MimeAddressClass;

MimeAddressData* AddressData(REALobject instance);

void FillAddressObject(MimeAddressData& record, const mimetic::Address& address);
// Nil only when the host makes no instance.
HostObject NewAddressObject(const mimetic::Address& address);
