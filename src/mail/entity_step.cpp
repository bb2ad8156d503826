#include "mail/entity_step.h"

#include <mimetic/mimeentity.h>

#include "mail/dates.h"
#include "mail/part_walk.h"

void RunEntityStep(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                   const HeaderFields& fields, MimeEntityData& messageRecord, REALobject body,
                   REALobject header) {
  WalkEntity(entityRecord, entity, fields, messageRecord, body, header);
  ExtractDates(entityRecord, entity.header());
}
