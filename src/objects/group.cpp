#include "objects/group.h"

#include <cstddef>
#include <iterator>
#include <string>

#include <mimetic/rfc822/group.h>

#include "decoding/encoded_words.h"
#include "objects/mailbox.h"
#include "runtime/errors.h"
#include "runtime/host_binding.h"
#include "runtime/host_strings.h"
#include "runtime/text_reader.h"

MimeGroupData* GroupData(REALobject instance) {
  return InstanceData<MimeGroupData>(instance, MimeGroupClass);
}

void FillGroupObject(MimeGroupData& record, const mimetic::Group& group) {
  StoreField(record.StringValue, BuildHostStringAuto(group.str()));
  const std::string name = group.name(0);
  StoreField(record.Name, BuildHostStringAuto(name));
  // A group name is a phrase, not a display name: its quotes are kept.
  StoreField(record.NameDecoded, DecodeEncodedWords(name, false));
  StoreField(record.Mailboxes, CreateObjectArray());
  AppendMailboxObjects(record.Mailboxes, group);
}

HostObject NewGroupObject(const mimetic::Group& group) {
  if (group.name(0).empty() && group.empty()) return {};
  HostObject instance(PluginNewInstance("MimeGroupZQV"));
  if (!instance) return instance;
  FillGroupObject(*GroupData(instance.get()), group);
  return instance;
}

namespace {

void DestroyGroup(REALobject instance) {
  MimeGroupData& record = *GroupData(instance);
  ClearField(record.StringValue);
  ClearField(record.Name);
  ClearField(record.NameDecoded);
  ClearField(record.Mailboxes);
}

// Counted on every read: host code may have changed the array.
RBInteger GetCount(REALobject instance, RBInteger) {
  return ObjectArrayUBound(GroupData(instance)->Mailboxes) + 1;
}

REALobject MailboxesItem(REALobject instance, RBInteger index) {
  return ObjectArrayItem(GroupData(instance)->Mailboxes, index);
}

REALobject MailboxesArray(REALobject instance) {
  return ShareField(GroupData(instance)->Mailboxes);
}

// The Variant property hands out the very array the methods do.
REALobject GetMailboxesVariant(REALobject instance, RBInteger) { return MailboxesArray(instance); }

void ConstructFromText(REALobject instance, REALstring textToParse) {
  RunGuarded([&] {
    rbText text(textToParse);
    const mimetic::Group group{std::string(text.UTF8())};
    FillGroupObject(*GroupData(instance), group);
  });
}

constexpr uint32_t kClassFlags = 0x4;
constexpr uint32_t kPropertyFlags = 0x6;
constexpr uint32_t kMethodFlags = 0x4;

REALproperty groupProperties[] = {
    {nullptr, "MailboxesVariant", "Variant", kPropertyFlags,
     reinterpret_cast<void*>(&GetMailboxesVariant), nullptr, 0, {}},
    {nullptr, "Name", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeGroupData, Name), {}},
    {nullptr, "NameDecoded", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeGroupData, NameDecoded), {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeGroupData, StringValue), {}},
    {nullptr, "Count", "Integer", kPropertyFlags, reinterpret_cast<void*>(&GetCount), nullptr, 0,
     {}},
};

REALmethod groupMethods[] = {
    {reinterpret_cast<void*>(&MailboxesItem), nullptr,
     "Mailboxes(index as Integer) as MimeMailboxZQV", kMethodFlags, {}},
    {reinterpret_cast<void*>(&MailboxesArray), nullptr,
     "Mailboxes as MimeMailboxZQV()", kMethodFlags, {}},
    {reinterpret_cast<void*>(&ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeGroupClass = {
    0,                       // version: the interface level, set at registration
    "MimeGroupZQV",
    nullptr,                 // superclass
    sizeof(MimeGroupData),
    0,                       // host slot
    nullptr,                 // constructor: the "Constructor" method instead
    &DestroyGroup,
    groupProperties, std::size(groupProperties),
    groupMethods, std::size(groupMethods),
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
