// MimeAddressListZQV: the addresses of a To, Reply-To, CC or BCC field.
#pragma once

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

namespace mimetic {
struct AddressList;
}

// Every field is nil or holds one reference owned by the record.
struct MimeAddressListData {
  REALstring StringValue;
  REALobject Addresses;  // array of MimeAddressZQV
};
static_assert(sizeof(MimeAddressListData) == ForPointerWidth(0x10, 0x08));

extern REALclassDefinition MimeAddressListClass;

MimeAddressListData* AddressListData(REALobject instance);

void FillAddressListObject(MimeAddressListData& record, const mimetic::AddressList& addresses);
// Nil when the list has no entries or the host makes no instance.
HostObject NewAddressListObject(const mimetic::AddressList& addresses);
