#include "mail/email.h"


#include "decoding/encoded_words.h"
#include "decoding/format_switch.h"
#include "decoding/html_to_text.h"
#include "mail/email_file.h"
#include "mail/email_parse.h"
#include "objects/entity.h"
#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"

namespace {

// A message is a snapshot taken by its constructor: every getter hands out
// what the record holds, with one more reference for the caller.
template <REALstring MimeEntityData::*Field>
REALstring GetStringField(REALobject instance, RBInteger) {
  MimeEntityData* record = EntityData(instance);
  return record == nullptr ? nullptr : ShareField(record->*Field);
}

template <REALobject MimeEntityData::*Field>
REALobject GetObjectField(REALobject instance, RBInteger) {
  MimeEntityData* record = EntityData(instance);
  return record == nullptr ? nullptr : ShareField(record->*Field);
}

// The array methods hand out the very array the record holds, so host code
// that changes it sees its changes in later calls.
template <REALobject MimeEntityData::*Field>
REALobject GetArray(REALobject instance) {
  MimeEntityData* record = EntityData(instance);
  return record == nullptr ? nullptr : ShareField(record->*Field);
}

template <REALobject MimeEntityData::*Field>
REALobject GetArrayItem(REALobject instance, RBInteger index) {
  MimeEntityData* record = EntityData(instance);
  return record == nullptr ? nullptr : ObjectArrayItem(record->*Field, index);
}

void ConstructFromString(REALobject instance, REALstring content) {
  const HostBytesView contentBytes = HostBytesView::OfString(content);
  ParseEmail(instance, contentBytes.data(), contentBytes.size(), content);
}

void ConstructFromMemoryBlock(REALobject instance, REALobject content) {
  const HostBytesView contentBytes = HostBytesView::OfMemoryBlock(content);
  ParseEmail(instance, contentBytes.data(), contentBytes.size(), nullptr);
}

void ConstructFromFile(REALobject instance, REALobject file) { ParseEmailFile(instance, file); }

bool GetRaiseUnknownFormatExceptions(REALobject, RBInteger) { return FormatExceptionsEnabled(); }

void SetRaiseUnknownFormatExceptions(REALobject, RBInteger, RBBoolean enabled) {
  SetFormatExceptionsEnabled(enabled);
}

REALproperty emailProperties[] = {
    {nullptr, "InlinesVariant", "Variant", kPropertyFlags,
     Entry(&GetObjectField<&MimeEntityData::Inlines>), nullptr, 0, {}},
    {nullptr, "AttachmentsVariant", "Variant", kPropertyFlags,
     Entry(&GetObjectField<&MimeEntityData::Attachments>), nullptr, 0, {}},
    {nullptr, "HTMLText", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeEntityData::HTMLText>), nullptr, 0, {}},
    {nullptr, "PlainText", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeEntityData::PlainText>), nullptr, 0, {}},
    {nullptr, "Subject", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeEntityData::Subject>), nullptr, 0, {}},
    {nullptr, "Source", "String", kPropertyFlags,
     Entry(&GetStringField<&MimeEntityData::Source>), nullptr, 0, {}},
    {nullptr, "Date", "Date", kDatePropertyFlags,
     Entry(&GetObjectField<&MimeEntityData::Date>), nullptr, 0, {}},
    {nullptr, "ReceivedDate", "Date", kDatePropertyFlags,
     Entry(&GetObjectField<&MimeEntityData::ReceivedDate>), nullptr, 0, {}},
};

REALmethod emailMethods[] = {
    {Entry(&GetArrayItem<&MimeEntityData::Inlines>), nullptr,
     "Inlines(index as Integer) as MimeAttachmentZQV", kMethodFlags, {}},
    {Entry(&GetArrayItem<&MimeEntityData::Attachments>), nullptr,
     "Attachments(index as Integer) as MimeAttachmentZQV", kMethodFlags, {}},
    {Entry(&GetArray<&MimeEntityData::Inlines>), nullptr,
     "Inlines as MimeAttachmentZQV()", kMethodFlags, {}},
    {Entry(&GetArray<&MimeEntityData::Attachments>), nullptr,
     "Attachments as MimeAttachmentZQV()", kMethodFlags, {}},
    {Entry(&ConstructFromString), nullptr,
     "Constructor(Content as string)", kMethodFlags, {}},
    {Entry(&ConstructFromMemoryBlock), nullptr,
     "Constructor(Content as MemoryBlock)", kMethodFlags, {}},
    {Entry(&ConstructFromFile), nullptr,
     "Constructor(File as FolderItem)", kMethodFlags, {}},
};

REALproperty emailSharedProperties[] = {
    {nullptr, "RaiseUnknownFormatExceptions", "Boolean", kPropertyFlags,
     Entry(&GetRaiseUnknownFormatExceptions), Entry(&SetRaiseUnknownFormatExceptions), 0, {}},
};

// In the order host code lists them: HTMLToPlainText, then DecodeInline.
REALmethod emailSharedMethods[] = {
    {Entry(&HTMLToPlainTextMethod), nullptr,
     "HTMLToPlainText(HTMLText as String) as String", kMethodFlags, {}},
    {Entry(&DecodeInline), nullptr,
     "DecodeInline(Text as String) as String", kMethodFlags, {}},
};

}  // namespace

// No data and no destructor of its own: the MimeEntityZQV record serves, and
// MimeEntityZQV's destructor releases it.
REALclassDefinition MimeEmailClass =
    ClassRecord("MimeEmailZQV", "MimeEntityZQV", 0, nullptr,
                Table(emailProperties), Table(emailMethods),
                Table(emailSharedProperties), Table(emailSharedMethods));
