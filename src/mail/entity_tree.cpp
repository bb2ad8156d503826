#include "mail/entity_tree.h"

#include <mimetic/mimeentity.h>

#include "mail/dates.h"
#include "mail/part_walk.h"
#include "objects/body.h"
#include "objects/header.h"
#include "runtime/host_binding.h"

HostObject NewEntityObject(mimetic::MimeEntity& entity, MimeEntityData& messageRecord) {
  HostObject instance(PluginNewInstance("MimeEntityZQV"));
  if (!instance) return instance;
  MimeEntityData& record = *EntityData(instance.get());
  // The body first: it builds every descendant, so the step below meets the
  // children of an entity, in order, before the entity itself.
  StoreField(record.Body, NewBodyWithParts(entity.body(), messageRecord));
  const HeaderFields fields(entity.header());
  StoreField(record.Header, NewHeaderObject(fields));
  RunEntityStep(record, entity, fields, messageRecord, record.Body, record.Header);
  return instance;
}

HostObject NewBodyWithParts(mimetic::Body& body, MimeEntityData& messageRecord) {
  HostObject instance = NewBodyObject(body);
  if (!instance) return instance;
  for (mimetic::MimeEntity* part : body.parts()) {
    if (part == nullptr) continue;
    HostObject child = NewEntityObject(*part, messageRecord);
    if (child) AppendBodyPart(instance.get(), child.get());
  }
  return instance;
}

void RunEntityStep(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                   const HeaderFields& fields, MimeEntityData& messageRecord, REALobject body,
                   REALobject header) {
  WalkEntity(entityRecord, entity, fields, messageRecord, body, header);
  ExtractDates(entityRecord, entity.header());
}
