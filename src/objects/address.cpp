#include "objects/address.h"

#include <cstddef>
#include <string>

#include <mimetic/rfc822/address.h>

#include "objects/group.h"
#include "objects/mailbox.h"
#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_binding.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"
#include "runtime/text_reader.h"

MimeAddressData* AddressData(REALobject instance) {
  return InstanceData<MimeAddressData>(instance, MimeAddressClass);
}

void FillAddressObject(MimeAddressData& record, const mimetic::Address& address) {
  StoreField(record.StringValue, BuildHostStringAuto(address.str()));
  record.isGroup = address.isGroup();
  if (record.isGroup) {
    StoreField(record.Group, NewGroupObject(address.group()));
    return;
  }
  StoreField(record.Mailbox, NewMailboxObject(address.mailbox()));
}

HostObject NewAddressObject(const mimetic::Address& address) {
  HostObject instance(PluginNewInstance("MimeAddressZQV"));
  if (!instance) return instance;
  FillAddressObject(*AddressData(instance.get()), address);
  return instance;
}

namespace {

void DestroyAddress(REALobject instance) {
  MimeAddressData& record = *AddressData(instance);
  ClearField(record.StringValue);
  ClearField(record.Mailbox);
  ClearField(record.Group);
}

void ConstructFromText(REALobject instance, REALstring textToParse) {
  RunGuarded([&] {
    HostTextReader text(textToParse);
    const mimetic::Address address{std::string(text.UTF8())};
    FillAddressObject(*AddressData(instance), address);
  });
}

REALproperty addressProperties[] = {
    {nullptr, "Group", "MimeGroupZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeAddressData, Group), {}},
    {nullptr, "Mailbox", "MimeMailboxZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeAddressData, Mailbox), {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeAddressData, StringValue), {}},
    {nullptr, "isGroup", "Boolean", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeAddressData, isGroup), {}},
};

REALmethod addressMethods[] = {
    {Entry(&ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeAddressClass =
    ClassRecord("MimeAddressZQV", nullptr, sizeof(MimeAddressData), &DestroyAddress,
                Table(addressProperties), Table(addressMethods));
