// MimeHeaderZQV: an entity's header, with the common fields as typed
// properties and the list of all its fields.
#pragma once

#include "runtime/host_api.h"
#include "runtime/host_ref.h"

class HeaderFields;

// Every field is nil or holds one reference owned by the record.
struct MimeHeaderData {
  REALstring MimeVersion;
  REALstring ContentType;
  REALstring ContentTransferEncoding;
  REALstring ContentTransferEncodingMechanism;
  REALstring ContentDisposition;
  REALstring ContentDescription;
  REALstring contentId;
  REALobject sender;   // MimeMailboxZQV
  REALobject from;     // MimeMailboxListZQV
  REALobject too;      // MimeAddressListZQV, from the To field
  REALstring subject;  // raw, encoded words included
  REALstring subjectDecoded;
  REALobject replyto;  // MimeAddressListZQV
  REALobject cc;       // MimeAddressListZQV
  REALobject bcc;      // MimeAddressListZQV
  REALstring messageid;
  REALobject Fields;   // array of MimeFieldZQV
};
static_assert(sizeof(MimeHeaderData) == 0x88);

extern REALclassDefinition MimeHeaderClass;

MimeHeaderData* HeaderData(REALobject instance);

// Snapshots the header of `fields` into `record`. Runs guarded: an exception
// from a typed field becomes a host exception, and what was filled before it
// stays. Reading a typed field makes mimetic keep the typed form in the
// header, so the Fields list shows those fields as their typed values render.
void FillHeaderObject(MimeHeaderData& record, const HeaderFields& fields);
// A MimeHeaderZQV filled from `fields`, with one reference for the caller;
// nil when the host makes no instance.
HostObject NewHeaderObject(const HeaderFields& fields);
