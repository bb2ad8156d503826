#include "objects/group.h"

#include <cstddef>
#include <string>

#include <mimetic/rfc822/group.h>

#include "decoding/encoded_words.h"
#include "objects/list_members.h"
#include "objects/mailbox.h"
#include "runtime/class_record.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"

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

using GroupArray = ListArrayMembers<MimeGroupData, MimeGroupClass, &MimeGroupData::Mailboxes>;
using ParsedGroup =
    ParsedValueMembers<MimeGroupData, MimeGroupClass, mimetic::Group, &FillGroupObject>;

HostObject NewGroupObject(const mimetic::Group& group) {
  if (group.name(0).empty() && group.empty()) return {};
  return ParsedGroup::NewObject(group);
}

namespace {

void DestroyGroup(REALobject instance) {
  MimeGroupData& record = *GroupData(instance);
  ClearField(record.StringValue);
  ClearField(record.Name);
  ClearField(record.NameDecoded);
  ClearField(record.Mailboxes);
}

REALproperty groupProperties[] = {
    {nullptr, "MailboxesVariant", "Variant", kPropertyFlags,
     Entry(&GroupArray::Variant), nullptr, 0, {}},
    {nullptr, "Name", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeGroupData, Name), {}},
    {nullptr, "NameDecoded", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeGroupData, NameDecoded), {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeGroupData, StringValue), {}},
    {nullptr, "Count", "Integer", kPropertyFlags, Entry(&GroupArray::Count),
     nullptr, 0, {}},
};

REALmethod groupMethods[] = {
    {Entry(&GroupArray::Item), nullptr,
     "Mailboxes(index as Integer) as MimeMailboxZQV", kMethodFlags, {}},
    {Entry(&GroupArray::Whole), nullptr,
     "Mailboxes as MimeMailboxZQV()", kMethodFlags, {}},
    {Entry(&ParsedGroup::ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeGroupClass =
    ClassRecord("MimeGroupZQV", nullptr, sizeof(MimeGroupData), &DestroyGroup,
                Table(groupProperties), Table(groupMethods));
