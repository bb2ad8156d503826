#include "objects/field.h"

#include <cstddef>
#include <string>
#include <string_view>

#include <mimetic/rfc822/field.h>

#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"
#include "runtime/text_reader.h"

MimeFieldData* FieldData(REALobject instance) {
  return InstanceData<MimeFieldData>(instance, MimeFieldClass);
}

void FillFieldObject(MimeFieldData& record, const mimetic::Field& field) {
  StoreField(record.Value, BuildHostStringAuto(field.value()));
  StoreField(record.Name, BuildHostStringAuto(std::string_view(field.name())));
}

HostObject NewFieldObject(const mimetic::Field& field) {
  HostObject instance(PluginNewInstance("MimeFieldZQV"));
  if (!instance) return instance;
  FillFieldObject(*FieldData(instance.get()), field);
  return instance;
}

namespace {

void DestroyField(REALobject instance) {
  MimeFieldData& record = *FieldData(instance);
  ClearField(record.Value);
  ClearField(record.Name);
}

// "Name: value" → name before the first colon, value after it without the
// blanks that follow the colon; a line without a colon has neither.
void ConstructFromLine(REALobject instance, REALstring textToParse) {
  RunGuarded([&] {
    HostTextReader text(textToParse);
    const mimetic::Field field{std::string(text.UTF8())};
    FillFieldObject(*FieldData(instance), field);
  });
}

REALproperty fieldProperties[] = {
    {nullptr, "Name", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeFieldData, Name), {}},
    {nullptr, "Value", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeFieldData, Value), {}},
};

REALmethod fieldMethods[] = {
    {Entry(&ConstructFromLine), nullptr,
     "Constructor(TextToParse as String)", kMethodFlags, {}},
};

}  // namespace

REALclassDefinition MimeFieldClass =
    ClassRecord("MimeFieldZQV", nullptr, sizeof(MimeFieldData), &DestroyField,
                Table(fieldProperties), Table(fieldMethods));
