#include "objects/entity_builder.h"

#include <mimetic/mimeentity.h>

#include "runtime/host_binding.h"

HostObject NewEntityObject(mimetic::MimeEntity& entity, const BuildContext& context) {
  HostObject instance(PluginNewInstance("MimeEntityZQV"));
  if (!instance) return instance;
  MimeEntityData& record = *EntityData(instance.get());
  // The body first: it builds every descendant, so the step below meets the
  // children of an entity, in order, before the entity itself.
  StoreField(record.Body, NewBodyObject(entity.body(), context));
  const HeaderFields fields(entity.header());
  StoreField(record.Header, NewHeaderObject(fields));
  if (context.onEntityBuilt != nullptr) {
    context.onEntityBuilt(record, entity, fields, *context.messageRecord, record.Body,
                          record.Header);
  }
  return instance;
}
