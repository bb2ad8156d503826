#include "objects/mailbox_list.h"

#include <cstddef>
#include <iterator>
#include <string>

#include <mimetic/rfc822/mailboxlist.h>

#include "objects/list_members.h"
#include "objects/mailbox.h"
#include "runtime/host_binding.h"
#include "runtime/host_strings.h"
#include "runtime/member_flags.h"

MimeMailboxListData* MailboxListData(REALobject instance) {
  return InstanceData<MimeMailboxListData>(instance, MimeMailboxListClass);
}

void FillMailboxListObject(MimeMailboxListData& record, const mimetic::MailboxList& mailboxes) {
  StoreField(record.StringValue, BuildHostStringAuto(mailboxes.str()));
  StoreField(record.Mailboxes, CreateObjectArray());
  AppendMailboxObjects(record.Mailboxes, mailboxes);
}

using MailboxListArray =
    ListArrayMembers<MimeMailboxListData, MimeMailboxListClass, &MimeMailboxListData::Mailboxes>;
using ParsedMailboxList = ParsedValueMembers<MimeMailboxListData, MimeMailboxListClass,
                                             mimetic::MailboxList, &FillMailboxListObject>;

HostObject NewMailboxListObject(const mimetic::MailboxList& mailboxes) {
  if (mailboxes.empty()) return {};
  return ParsedMailboxList::NewObject(mailboxes);
}

namespace {

void DestroyMailboxList(REALobject instance) {
  MimeMailboxListData& record = *MailboxListData(instance);
  ClearField(record.StringValue);
  ClearField(record.Mailboxes);
}

REALproperty mailboxListProperties[] = {
    {nullptr, "MailboxesVariant", "Variant", kPropertyFlags,
     reinterpret_cast<void*>(&MailboxListArray::Variant), nullptr, 0, {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxListData, StringValue), {}},
    {nullptr, "Count", "Integer", kPropertyFlags,
     reinterpret_cast<void*>(&MailboxListArray::Count), nullptr, 0, {}},
};

REALmethod mailboxListMethods[] = {
    {reinterpret_cast<void*>(&MailboxListArray::Item), nullptr,
     "Mailboxes(index as Integer) as MimeMailboxZQV", kMethodFlags, {}},
    {reinterpret_cast<void*>(&MailboxListArray::Whole), nullptr,
     "Mailboxes as MimeMailboxZQV()", kMethodFlags, {}},
    {reinterpret_cast<void*>(&ParsedMailboxList::ConstructFromText), nullptr,
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
