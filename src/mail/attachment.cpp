#include "mail/attachment.h"

#include <cstddef>
#include <string>
#include <utility>

#include <mimetic/header.h>

#include "mail/attachment_filename.h"
#include "runtime/class_record.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"

namespace {

// "image/png" as the message writes it; either half may be missing.
std::string JoinMimeType(const mimetic::ContentType& contentType) {
  std::string mimeType(contentType.type().begin(), contentType.type().end());
  const mimetic::istring& subtype = contentType.subtype();
  if (subtype.empty()) return mimeType;
  if (!mimeType.empty()) mimeType += '/';
  mimeType.append(subtype.begin(), subtype.end());
  return mimeType;
}

void FillAttachment(MimeAttachmentData& record, REALstring text, const HeaderFields& fields,
                    REALobject body, REALobject headerObject, std::string_view decodedBytes) {
  // The attachment keeps its own references, so host code that keeps it
  // keeps the part's objects and data after the message is gone.
  StoreField(record.Body, RetainObject(body));
  StoreField(record.Header, RetainObject(headerObject));
  StoreField(record.Data, RetainString(text));
  // The texts are those the part's header object was built from.
  const std::string mimeType = JoinMimeType(fields.contentType());
  StoreField(record.MimeType, BuildHostStringAuto(std::string_view(mimeType)));
  StoreField(record.MimeVersion, BuildHostStringAuto(fields.mimeVersionText()));
  StoreField(record.ContentType, BuildHostStringAuto(fields.contentTypeText()));
  StoreField(record.ContentTransferEncoding,
             BuildHostStringAuto(fields.contentTransferEncodingText()));
  StoreField(record.ContentDisposition, BuildHostStringAuto(fields.contentDispositionText()));
  StoreField(record.ContentDescription, BuildHostStringAuto(fields.contentDescriptionText()));
  StoreField(record.contentId, BuildHostStringAuto(fields.contentIdText()));
  StoreField(record.Filename, AttachmentFilename(fields, decodedBytes));
}

void DestroyAttachment(REALobject instance) {
  MimeAttachmentData* record = AttachmentData(instance);
  if (record == nullptr) return;
  ClearField(record->Body);
  ClearField(record->Header);
  ClearField(record->Data);
  ClearField(record->Filename);
  ClearField(record->MimeType);
  ClearField(record->MimeVersion);
  ClearField(record->ContentType);
  ClearField(record->ContentTransferEncoding);
  ClearField(record->ContentDisposition);
  ClearField(record->ContentDescription);
  ClearField(record->contentId);
}

// Attachments are made while a message is parsed; one that host code makes
// with New stays empty until host code fills it.
void ConstructEmptyAttachment(REALobject) {}

// Host code may replace any value: the host reads and writes each field
// itself.
REALproperty attachmentProperties[] = {
    {nullptr, "Body", "MimeBodyZQV", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, Body), {}},
    {nullptr, "Header", "MimeHeaderZQV", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, Header), {}},
    {nullptr, "Data", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, Data), {}},
    {nullptr, "Filename", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, Filename), {}},
    {nullptr, "MimeVersion", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, MimeVersion), {}},
    {nullptr, "MimeType", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, MimeType), {}},
    {nullptr, "ContentType", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, ContentType), {}},
    {nullptr, "ContentTransferEncoding", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, ContentTransferEncoding), {}},
    {nullptr, "ContentDisposition", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, ContentDisposition), {}},
    {nullptr, "ContentDescription", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, ContentDescription), {}},
    {nullptr, "contentId", "String", kPropertyFlags, kDirectField, kDirectField,
     offsetof(MimeAttachmentData, contentId), {}},
};

REALmethod attachmentMethods[] = {
    {Entry(&ConstructEmptyAttachment), nullptr, "Constructor",
     kHiddenConstructorFlags, {}},
};

}  // namespace

REALclassDefinition MimeAttachmentClass =
    ClassRecord("MimeAttachmentZQV", nullptr, sizeof(MimeAttachmentData), &DestroyAttachment,
                Table(attachmentProperties), Table(attachmentMethods));

MimeAttachmentData* AttachmentData(REALobject instance) {
  return InstanceData<MimeAttachmentData>(instance, MimeAttachmentClass);
}

void AddAttachment(MimeEntityData& messageRecord, REALstring text, const HeaderFields& fields,
                   REALobject body, REALobject headerObject, bool isInline,
                   std::string_view decodedBytes) {
  HostObject instance(PluginNewInstance("MimeAttachmentZQV"));
  if (!instance) return;
  FillAttachment(*AttachmentData(instance.get()), text, fields, body, headerObject, decodedBytes);

  REALobject& array = isInline ? messageRecord.Inlines : messageRecord.Attachments;
  if (array == nullptr) StoreField(array, CreateObjectArray());
  // The array takes its own reference; the builder's goes with `instance`.
  AppendToObjectArray(array, instance.get());
}

HostObject NewAttachmentObject(HostString data, HostString filename, HostString mimeType,
                               HostString contentId) {
  HostObject instance(PluginNewInstance("MimeAttachmentZQV"));
  if (!instance) return instance;
  MimeAttachmentData& record = *AttachmentData(instance.get());
  StoreField(record.Data, std::move(data));
  StoreField(record.Filename, std::move(filename));
  StoreField(record.MimeType, std::move(mimeType));
  StoreField(record.contentId, std::move(contentId));
  return instance;
}
