#include "objects/address_list.h"

#include <cstddef>
#include <iterator>
#include <string>

#include <mimetic/rfc822/addresslist.h>

#include "objects/address.h"
#include "runtime/errors.h"
#include "runtime/host_binding.h"
#include "runtime/host_strings.h"
#include "runtime/text_reader.h"

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

HostObject NewAddressListObject(const mimetic::AddressList& addresses) {
  if (addresses.empty()) return {};
  HostObject instance(PluginNewInstance("MimeAddressListZQV"));
  if (!instance) return instance;
  FillAddressListObject(*AddressListData(instance.get()), addresses);
  return instance;
}

namespace {

void DestroyAddressList(REALobject instance) {
  MimeAddressListData& record = *AddressListData(instance);
  ClearField(record.StringValue);
  ClearField(record.Addresses);
}

// Counted on every read: host code may have changed the array.
RBInteger GetCount(REALobject instance, RBInteger) {
  return ObjectArrayUBound(AddressListData(instance)->Addresses) + 1;
}

REALobject AddressesArray(REALobject instance) {
  return ShareField(AddressListData(instance)->Addresses);
}

// The Variant property hands out the very array the methods do.
REALobject GetAddressesVariant(REALobject instance, RBInteger) { return AddressesArray(instance); }

REALobject AddressesItem(REALobject instance, RBInteger index) {
  return ObjectArrayItem(AddressListData(instance)->Addresses, index);
}

void ConstructFromText(REALobject instance, REALstring textToParse) {
  RunGuarded([&] {
    rbText text(textToParse);
    const mimetic::AddressList addresses{std::string(text.UTF8())};
    FillAddressListObject(*AddressListData(instance), addresses);
  });
}

constexpr uint32_t kClassFlags = 0x4;
constexpr uint32_t kPropertyFlags = 0x6;
constexpr uint32_t kMethodFlags = 0x4;

REALproperty addressListProperties[] = {
    {nullptr, "AddressesVariant", "Variant", kPropertyFlags,
     reinterpret_cast<void*>(&GetAddressesVariant), nullptr, 0, {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeAddressListData, StringValue), {}},
    {nullptr, "Count", "Integer", kPropertyFlags, reinterpret_cast<void*>(&GetCount), nullptr, 0,
     {}},
};

REALmethod addressListMethods[] = {
    {reinterpret_cast<void*>(&ConstructFromText), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
    {reinterpret_cast<void*>(&AddressesArray), nullptr,
     "Addresses as MimeAddressZQV()", kMethodFlags, {}},
    {reinterpret_cast<void*>(&AddressesItem), nullptr,
     "Addresses(index as Integer) as MimeAddressZQV", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeAddressListClass = {
    0,                       // version: the interface level, set at registration
    "MimeAddressListZQV",
    nullptr,                 // superclass
    sizeof(MimeAddressListData),
    0,                       // host slot
    nullptr,                 // constructor: the "Constructor" method instead
    &DestroyAddressList,
    addressListProperties, std::size(addressListProperties),
    addressListMethods, std::size(addressListMethods),
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
