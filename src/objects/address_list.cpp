#include "objects/address_list.h"

#include <cstddef>
#include <string>

#include <mimetic/rfc822/addresslist.h>

#include "objects/address.h"
#include "objects/list_members.h"
#include "runtime/class_record.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"

MimeAddressListData* AddressListData(REALobject instance) {
  return InstanceData<MimeAddressListData>(instance, MimeAddressListClass);
}

void FillAddressListObject(MimeAddressListData& record, const mimetic::AddressList& addresses) {
  StoreField(record.StringValue, BuildHostStringAuto(addresses.str()));
  StoreField(record.Addresses, CreateObjectArray());
  for (const mimetic::Address& address : addresses) {
    HostObject addressObject = NewAddressObject(address);
    if (addressObject) AppendToObjectArray(record.Addresses, addressObject.get());
  }
}

using AddressListArray =
    ListArrayMembers<MimeAddressListData, MimeAddressListClass, &MimeAddressListData::Addresses>;
using ParsedAddressList = ParsedValueMembers<MimeAddressListData, MimeAddressListClass,
                                             mimetic::AddressList, &FillAddressListObject>;

HostObject NewAddressListObject(const mimetic::AddressList& addresses) {
  if (addresses.empty()) return {};
  return ParsedAddressList::NewObject(addresses);
}

namespace {

void DestroyAddressList(REALobject instance) {
  MimeAddressListData& record = *AddressListData(instance);
  ClearField(record.StringValue);
  ClearField(record.Addresses);
}

REALproperty addressListProperties[] = {
    {nullptr, "AddressesVariant", "Variant", kPropertyFlags,
     Entry(&AddressListArray::Variant), nullptr, 0, {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeAddressListData, StringValue), {}},
    {nullptr, "Count", "Integer", kPropertyFlags,
     Entry(&AddressListArray::Count), nullptr, 0, {}},
};

REALmethod addressListMethods[] = {
    {Entry(&ParsedAddressList::ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
    {Entry(&AddressListArray::Whole), nullptr,
     "Addresses as MimeAddressZQV()", kMethodFlags, {}},
    {Entry(&AddressListArray::Item), nullptr,
     "Addresses(index as Integer) as MimeAddressZQV", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeAddressListClass =
    ClassRecord("MimeAddressListZQV", nullptr, sizeof(MimeAddressListData), &DestroyAddressList,
                Table(addressListProperties), Table(addressListMethods));
