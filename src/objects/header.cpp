#include "objects/header.h"

#include <cstddef>

#include <mimetic/header.h>

#include "decoding/encoded_words.h"
#include "objects/address_list.h"
#include "objects/field.h"
#include "objects/header_fields.h"
#include "objects/mailbox.h"
#include "objects/mailbox_list.h"
#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"

MimeHeaderData* HeaderData(REALobject instance) {
  return InstanceData<MimeHeaderData>(instance, MimeHeaderClass);
}

void FillHeaderObject(MimeHeaderData& record, const HeaderFields& fields) {
  // Only the const accessors: the others add an absent field to the header.
  const mimetic::Header& header = fields.header();
  RunGuarded([&] {
    StoreField(record.MimeVersion, BuildHostStringAuto(fields.mimeVersionText()));
    StoreField(record.ContentType, BuildHostStringAuto(fields.contentTypeText()));
    StoreField(record.ContentTransferEncoding,
               BuildHostStringAuto(fields.contentTransferEncodingText()));
    StoreField(record.ContentTransferEncodingMechanism,
               BuildHostStringAuto(fields.contentTransferEncoding().mechanism()));
    StoreField(record.ContentDisposition, BuildHostStringAuto(fields.contentDispositionText()));
    StoreField(record.ContentDescription, BuildHostStringAuto(fields.contentDescriptionText()));
    StoreField(record.contentId, BuildHostStringAuto(fields.contentIdText()));
    StoreField(record.subject, BuildHostStringAuto(fields.subject()));
    StoreField(record.messageid, BuildHostStringAuto(header.messageid().str()));
    StoreField(record.subjectDecoded, DecodeEncodedWords(fields.subject(), false));
    StoreField(record.sender, NewMailboxObject(header.sender()));
    StoreField(record.from, NewMailboxListObject(header.from()));
    StoreField(record.too, NewAddressListObject(header.to()));
    StoreField(record.replyto, NewAddressListObject(header.replyto()));
    StoreField(record.cc, NewAddressListObject(header.cc()));
    StoreField(record.bcc, NewAddressListObject(header.bcc()));

    // The array goes into the record before it is filled, so a field that
    // fails half-way still leaves the fields listed before it.
    StoreField(record.Fields, CreateObjectArray());
    if (record.Fields == nullptr) return;
    for (const mimetic::Field& field : header) {
      HostObject fieldObject = NewFieldObject(field);
      if (fieldObject) AppendToObjectArray(record.Fields, fieldObject.get());
    }
  });
}

HostObject NewHeaderObject(const HeaderFields& fields) {
  HostObject instance(PluginNewInstance("MimeHeaderZQV"));
  if (!instance) return instance;
  FillHeaderObject(*HeaderData(instance.get()), fields);
  return instance;
}

namespace {

void DestroyHeader(REALobject instance) {
  MimeHeaderData& record = *HeaderData(instance);
  ClearField(record.MimeVersion);
  ClearField(record.ContentType);
  ClearField(record.ContentTransferEncoding);
  ClearField(record.ContentTransferEncodingMechanism);
  ClearField(record.ContentDisposition);
  ClearField(record.ContentDescription);
  ClearField(record.contentId);
  ClearField(record.sender);
  ClearField(record.from);
  ClearField(record.too);
  ClearField(record.subject);
  ClearField(record.subjectDecoded);
  ClearField(record.replyto);
  ClearField(record.cc);
  ClearField(record.bcc);
  ClearField(record.messageid);
  ClearField(record.Fields);
}

// The first field whose Name the host finds equal to `name`, with one
// reference for the caller. Goes through the array as host code may have
// changed it, not through the header it was built from.
HostObject FindFieldByName(REALobject fields, REALstring name) {
  if (fields == nullptr) return {};
  const int64_t upperBound = ObjectArrayUBound(fields);
  for (int64_t index = 0; index <= upperBound; ++index) {
    HostObject item(ObjectArrayItem(fields, index));
    if (!item) continue;
    if (RuntimeStringCompare(FieldData(item.get())->Name, name) == 0) return item;
  }
  return {};
}

REALobject FieldsItem(REALobject instance, RBInteger index) {
  return ObjectArrayItem(HeaderData(instance)->Fields, index);
}

REALobject FieldsArray(REALobject instance) { return ShareField(HeaderData(instance)->Fields); }

void ConstructEmptyHeader(REALobject) {}

RBBoolean HasField(REALobject instance, REALstring name) {
  return RunGuarded(false, [&] {
    return static_cast<bool>(FindFieldByName(HeaderData(instance)->Fields, name));
  });
}

REALobject FieldByName(REALobject instance, REALstring name) {
  return RunGuarded<REALobject>(nullptr, [&] {
    return FindFieldByName(HeaderData(instance)->Fields, name).release();
  });
}

REALproperty headerProperties[] = {
    {nullptr, "MimeVersion", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, MimeVersion), {}},
    {nullptr, "ContentType", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, ContentType), {}},
    {nullptr, "ContentTransferEncoding", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, ContentTransferEncoding), {}},
    {nullptr, "ContentTransferEncodingMechanism", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, ContentTransferEncodingMechanism), {}},
    {nullptr, "ContentDisposition", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, ContentDisposition), {}},
    {nullptr, "ContentDescription", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, ContentDescription), {}},
    {nullptr, "contentId", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, contentId), {}},
    {nullptr, "subject", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, subject), {}},
    {nullptr, "subjectDecoded", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, subjectDecoded), {}},
    {nullptr, "messageid", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, messageid), {}},
    {nullptr, "sender", "MimeMailboxZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, sender), {}},
    {nullptr, "from", "MimeMailboxListZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, from), {}},
    {nullptr, "too", "MimeAddressListZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, too), {}},
    {nullptr, "replyto", "MimeAddressListZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, replyto), {}},
    {nullptr, "cc", "MimeAddressListZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, cc), {}},
    {nullptr, "bcc", "MimeAddressListZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeHeaderData, bcc), {}},
};

REALmethod headerMethods[] = {
    {Entry(&FieldsItem), nullptr,
     "Fields(index as Integer) as MimeFieldZQV", kMethodFlags, {}},
    {Entry(&FieldsArray), nullptr,
     "Fields as MimeFieldZQV()", kMethodFlags, {}},
    {Entry(&ConstructEmptyHeader), nullptr,
     "Constructor", kHiddenConstructorFlags, {}},
    {Entry(&HasField), nullptr,
     "hasField(name as string) as boolean", kMethodFlags, {}},
    {Entry(&FieldByName), nullptr,
     "FieldByName(name as string) as MimeFieldZQV", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeHeaderClass =
    ClassRecord("MimeHeaderZQV", nullptr, sizeof(MimeHeaderData), &DestroyHeader,
                Table(headerProperties), Table(headerMethods));
