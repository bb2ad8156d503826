#include "mail/tnef.h"

#include <cstddef>
#include <string>
#include <utility>

#include "decoding/code_pages.h"
#include "decoding/tnef_reader.h"
#include "mail/attachment.h"
#include "mail/attachment_filename.h"
#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"

namespace {

constexpr char kNoSignatureMessage[] =
    "Not a TNEF stream: the data does not start with the TNEF signature.";
constexpr char kTruncatedMessage[] =
    "Damaged TNEF stream: the data ends before the stream's structure does.";

// A text in its code page; one whose code page is unknown (or not named)
// is tagged by what its bytes allow, as header text is.
HostString TextToHost(const TnefText& text) {
  const auto length = static_cast<int64_t>(text.bytes.size());
  if (text.utf16) return BuildHostString(text.bytes.data(), length, kREALTextEncodingUTF16);
  const HostEncoding encoding = CodePageToEncoding(text.codePage);
  if (encoding == kREALTextEncodingUnknown) return BuildHostStringAuto(text.bytes.data(), length);
  return BuildHostString(text.bytes.data(), length, encoding);
}

HostString FilenameOf(const TnefFile& file) {
  if (!file.longName.bytes.empty()) return TextToHost(file.longName);
  if (!file.shortName.bytes.empty()) return TextToHost(file.shortName);
  const std::string madeUpName = MadeUpFilename(file.contentId.bytes, file.data);
  return BuildHostStringAuto(madeUpName.data(), static_cast<int64_t>(madeUpName.size()));
}

HostObject NewFilesArray(const TnefContents& contents) {
  HostObject files = CreateObjectArray();
  for (const TnefFile& file : contents.files) {
    HostObject attachment = NewAttachmentObject(
        BuildHostString(file.data.data(), static_cast<int64_t>(file.data.size()),
                        kREALTextEncodingUnknown),
        FilenameOf(file), TextToHost(file.mimeTag), TextToHost(file.contentId));
    // The array takes its own reference; the builder's goes with `attachment`.
    if (attachment) AppendToObjectArray(files.get(), attachment.get());
  }
  return files;
}

void ConstructFromString(REALobject instance, REALstring data) {
  RunGuarded([&] {
    MimeTnefData* record = TnefData(instance);
    if (record == nullptr) return;
    const HostBytesView stream = HostBytesView::OfString(data);
    TnefContents contents;
    switch (ReadTnef(stream.bytes(), contents)) {
      case TnefStatus::kNoSignature:
        RaiseException("UnsupportedFormatException", kNoSignatureMessage);
        return;
      case TnefStatus::kTruncated:
        RaiseException("UnsupportedFormatException", kTruncatedMessage);
        return;
      case TnefStatus::kRead:
        break;
    }
    StoreField(record->Attachments, NewFilesArray(contents));
    StoreField(record->Subject, TextToHost(contents.subject));
    StoreField(record->Body, TextToHost(contents.body));
    StoreField(record->BodyHTML, TextToHost(contents.html));
    StoreField(record->BodyRTF,
               BuildHostStringAuto(contents.rtf.data(), static_cast<int64_t>(contents.rtf.size())));
  });
}

void DestroyTnef(REALobject instance) {
  MimeTnefData* record = TnefData(instance);
  if (record == nullptr) return;
  ClearField(record->Attachments);
  ClearField(record->Subject);
  ClearField(record->Body);
  ClearField(record->BodyHTML);
  ClearField(record->BodyRTF);
}

// Snapshots taken by the constructor: every getter hands out what the record
// holds, with one more reference for the caller.
template <REALstring MimeTnefData::*Field>
REALstring GetStringField(REALobject instance, RBInteger) {
  MimeTnefData* record = TnefData(instance);
  return record == nullptr ? nullptr : ShareField(record->*Field);
}

// The very array the record holds, so host code that changes it sees its
// changes in later calls.
REALobject GetAttachments(REALobject instance) {
  MimeTnefData* record = TnefData(instance);
  return record == nullptr ? nullptr : ShareField(record->Attachments);
}

REALobject GetAttachmentsVariant(REALobject instance, RBInteger) {
  return GetAttachments(instance);
}

REALobject GetAttachmentAt(REALobject instance, RBInteger index) {
  MimeTnefData* record = TnefData(instance);
  return record == nullptr ? nullptr : ObjectArrayItem(record->Attachments, index);
}

REALproperty tnefProperties[] = {
    {nullptr, "AttachmentsVariant", "Variant", kPropertyFlags,
     Entry(&GetAttachmentsVariant), nullptr, 0, {}},
    {nullptr, "Subject", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeTnefData::Subject>), nullptr, 0, {}},
    {nullptr, "Body", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeTnefData::Body>), nullptr, 0, {}},
    {nullptr, "BodyHTML", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeTnefData::BodyHTML>), nullptr, 0, {}},
    {nullptr, "BodyRTF", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeTnefData::BodyRTF>), nullptr, 0, {}},
};

REALmethod tnefMethods[] = {
    {Entry(&ConstructFromString), nullptr,
     "Constructor(Data As String)", kMethodFlags, {}},
    {Entry(&GetAttachments), nullptr,
     "Attachments() As MimeAttachmentZQV()", kMethodFlags, {}},
    {Entry(&GetAttachmentAt), nullptr,
     "Attachments(index As Integer) As MimeAttachmentZQV", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeTnefClass =
    ClassRecord("MimeTnefZQV", nullptr, sizeof(MimeTnefData), &DestroyTnef,
                Table(tnefProperties), Table(tnefMethods));

MimeTnefData* TnefData(REALobject instance) {
  return InstanceData<MimeTnefData>(instance, MimeTnefClass);
}
