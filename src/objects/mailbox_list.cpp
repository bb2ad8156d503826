#include "objects/mailbox_list.h"

#include <cstddef>
#include <string>

#include <mimetic/rfc822/mailboxlist.h>

#include "objects/list_members.h"
#include "objects/mailbox.h"
#include "runtime/class_record.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_string.h"
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
     Entry(&MailboxListArray::Variant), nullptr, 0, {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeMailboxListData, StringValue), {}},
    {nullptr, "Count", "Integer", kPropertyFlags,
     Entry(&MailboxListArray::Count), nullptr, 0, {}},
};

REALmethod mailboxListMethods[] = {
    {Entry(&MailboxListArray::Item), nullptr,
     "Mailboxes(index as Integer) as MimeMailboxZQV", kMethodFlags, {}},
    {Entry(&MailboxListArray::Whole), nullptr,
     "Mailboxes as MimeMailboxZQV()", kMethodFlags, {}},
    {Entry(&ParsedMailboxList::ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeMailboxListClass =
    ClassRecord("MimeMailboxListZQV", nullptr, sizeof(MimeMailboxListData), &DestroyMailboxList,
                Table(mailboxListProperties), Table(mailboxListMethods));
