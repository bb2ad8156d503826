#include "objects/body.h"

#include <cstddef>
#include <string_view>

#include <mimetic/body.h>

#include "runtime/class_record.h"
#include "runtime/errors.h"
#include "runtime/host_array.h"
#include "runtime/host_binding.h"
#include "runtime/host_ref.h"
#include "runtime/host_string.h"
#include "runtime/member_flags.h"

MimeBodyData* BodyData(REALobject instance) {
  return InstanceData<MimeBodyData>(instance, MimeBodyClass);
}

HostObject NewBodyObject(const mimetic::Body& body) {
  HostObject instance(PluginNewInstance("MimeBodyZQV"));
  if (!instance) return instance;
  MimeBodyData& record = *BodyData(instance.get());
  StoreField(record.preamble, BuildHostStringAuto(body.preamble()));
  StoreField(record.epilogue, BuildHostStringAuto(body.epilogue()));
  // The text may lie in the message's own bytes rather than in the body:
  // the parser leaves it there when it can, so that it is copied only once,
  // into this host string.
  StoreField(record.StringValue,
             BuildHostStringAuto(std::string_view(body.textData(), body.textSize())));
  StoreField(record.Parts, CreateObjectArray());
  return instance;
}

void AppendBodyPart(REALobject body, REALobject part) {
  AppendToObjectArray(BodyData(body)->Parts, part);
}

namespace {

void DestroyBody(REALobject instance) {
  MimeBodyData& record = *BodyData(instance);
  ClearField(record.preamble);
  ClearField(record.epilogue);
  ClearField(record.StringValue);
  ClearField(record.Parts);
}

REALobject PartsItem(REALobject instance, RBInteger index) {
  return ObjectArrayItem(BodyData(instance)->Parts, index);
}

REALobject PartsArray(REALobject instance) { return ShareField(BodyData(instance)->Parts); }

REALobject GetPartsVariant(REALobject instance, RBInteger) { return PartsArray(instance); }

void ConstructEmptyBody(REALobject) {}

// PartsVariant hands out the same array as the Parts methods: host code gets
// the very array, so its changes show through every member.
REALproperty bodyProperties[] = {
    {nullptr, "PartsVariant", "Variant", kPropertyFlags, Entry(&GetPartsVariant),
     nullptr, 0, {}},
    {nullptr, "StringValue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeBodyData, StringValue), {}},
    {nullptr, "preamble", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeBodyData, preamble), {}},
    {nullptr, "epilogue", "String", kPropertyFlags, kDirectField, nullptr,
     offsetof(MimeBodyData, epilogue), {}},
};

REALmethod bodyMethods[] = {
    {Entry(&PartsItem), nullptr,
     "Parts(index as Integer) as MimeEntityZQV", kMethodFlags, {}},
    {Entry(&PartsArray), nullptr,
     "Parts as MimeEntityZQV()", kMethodFlags, {}},
    {Entry(&ConstructEmptyBody), nullptr,
     "Constructor", kHiddenConstructorFlags, {}},
};

}  // namespace

REALclassDefinition MimeBodyClass =
    ClassRecord("MimeBodyZQV", nullptr, sizeof(MimeBodyData), &DestroyBody,
                Table(bodyProperties), Table(bodyMethods));
