#include "objects/entity.h"

#include <cstddef>

#include "runtime/class_record.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/member_flags.h"

namespace {

// The host calls this once, when the last reference to the instance goes. A
// MimeEmailZQV has no destructor of its own and ends here too, so every field
// a message fills is released in this one place.
void DestroyEntity(REALobject instance) {
  MimeEntityData* record = EntityData(instance);
  if (record == nullptr) return;
  ClearField(record->Header);
  ClearField(record->Body);
  ClearField(record->BodyDecoded);
  ClearField(record->Source);
  ClearField(record->Subject);
  ClearField(record->PlainText);
  ClearField(record->HTMLText);
  ClearField(record->Attachments);
  ClearField(record->Inlines);
  ClearField(record->Date);
  ClearField(record->ReceivedDate);
}

// Entities are made by the parser with PluginNewInstance; one that host code
// makes with New simply stays empty.
void ConstructEmptyEntity(REALobject) {}

REALproperty entityProperties[] = {
    {nullptr, "Header", "MimeHeaderZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeEntityData, Header), {}},
    {nullptr, "Body", "MimeBodyZQV", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeEntityData, Body), {}},
    {nullptr, "BodyDecoded", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeEntityData, BodyDecoded), {}},
};

REALmethod entityMethods[] = {
    {Entry(&ConstructEmptyEntity), nullptr, "Constructor",
     kHiddenConstructorFlags, {}},
};

}  // namespace

REALclassDefinition MimeEntityClass =
    ClassRecord("MimeEntityZQV", nullptr, sizeof(MimeEntityData), &DestroyEntity,
                Table(entityProperties), Table(entityMethods));

MimeEntityData* EntityData(REALobject instance) {
  return InstanceData<MimeEntityData>(instance, MimeEntityClass);
}
