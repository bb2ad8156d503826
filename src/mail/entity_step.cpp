#include "mail/entity_step.h"

#include "mail/part_walk.h"

void RunEntityStep(MimeEntityData& entityRecord, const mimetic::MimeEntity& entity,
                   MimeEntityData& messageRecord, REALobject body, REALobject header) {
  WalkEntity(entityRecord, entity, messageRecord, body, header);
  // The entity's dates are read here, after the walk.
}
