#include "objects/mailbox_list.h"

#include <cstddef>
#include <iterator>
#include <string>

#include <mimetic/rfc822/mailboxlist.h>

#include "objects/mailbox.h"
#include "runtime/errors.h"
#include "runtime/host_binding.h"
#include "runtime/host_strings.h"
#include "runtime/text_reader.h"

MimeMailboxListData* MailboxListData(REALobject instance) {
  return InstanceData<MimeMailboxListData>(instance, MimeMailboxListClass);
}

void FillMailboxListObject(MimeMailboxListData& record, const mimetic::MailboxList& mailboxes) {
  StoreField(record.StringValue, BuildHostStringAuto(mailboxes.str()));
  StoreField(record.Mailboxes, CreateObjectArray());
  AppendMailboxObjects(record.Mailboxes, mailboxes);
}

HostObject NewMailboxListObject(const mimetic::MailboxList& mailboxes) {
  if (mailboxes.empty()) return {};
  HostObject instance(PluginNewInstance("MimeMailboxListZQV"));
  if (!instance) return instance;
  FillMailboxListObject(*MailboxListData(instance.get()), mailboxes);
  return instance;
}

namespace {

void DestroyMailboxList(REALobject instance) {
  MimeMailboxListData& record = *MailboxListData(instance);
  ClearField(record.StringValue);
  ClearField(record.Mailboxes);
}

// Counted on every read: host code may have changed the array.
RBInteger GetCount(REALobject instance, RBInteger) {
  return ObjectArrayUBound(MailboxListData(instance)->Mailboxes) + 1;
}

REALobject MailboxesItem(REALobject instance, RBInteger index) {
  return ObjectArrayItem(MailboxListData(instance)->Mailboxes, index);
}

REALobject MailboxesArray(REALobject instance) {
  return ShareField(MailboxListData(instance)->Mailboxes);
}

// The Variant property hands out the very array the methods do.
REALobject GetMailboxesVariant(REALobject instance, RBInteger) { return MailboxesArray(instance); }

void ConstructFromText(REALobject instance, REALstring textToParse) {
  RunGuarded([&] {
    rbText text(textToParse);
    const mimetic::MailboxList mailboxes{std::string(text.UTF8())};
    FillMailboxListObject(*MailboxListData(instance), mailboxes);
  });
}

constexpr uint32_t kClassFlags = 0x4;
constexpr uint32_t kPropertyFlags = 0x6;
constexpr uint32_t kMethodFlags = 0x4;

REALproperty mailboxListProperties[] = {
    {nullptr, "MailboxesVariant", "Variant", kPropertyFlags,
     reinterpret_cast<void*>(&GetMailboxesVariant), nullptr, 0, {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxListData, StringValue), {}},
    {nullptr, "Count", "Integer", kPropertyFlags, reinterpret_cast<void*>(&GetCount), nullptr, 0,
     {}},
};

REALmethod mailboxListMethods[] = {
    {reinterpret_cast<void*>(&MailboxesItem), nullptr,
     "Mailboxes(index as Integer) as MimeMailboxZQV", kMethodFlags, {}},
    {reinterpret_cast<void*>(&MailboxesArray), nullptr,
     "Mailboxes as MimeMailboxZQV()", kMethodFlags, {}},
    {reinterpret_cast<void*>(&ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeMailboxListClass = {
    0,                       // version: the interface level, set at registration
    "MimeMailboxListZQV",
    nullptr,                 // superclass
    sizeof(MimeMailboxListData),
    0,                       // host slot
    nullptr,                 // constructor: the "Constructor" method instead
    &DestroyMailboxList,
    mailboxListProperties, std::size(mailboxListProperties),
    mailboxListMethods, std::size(mailboxListMethods),
    nullptr, 0,              // events
    nullptr, 0,              // event instances
    nullptr,                 // interfaces
    nullptr, 0,              // attributes
    nullptr, 0,              // constants
    kClassFlags,
    nullptr, 0,              // shared properties
    nullptr, 0,              // shared methods
    nullptr, 0,              // delegates
    nullptr, 0,              // enums
};
