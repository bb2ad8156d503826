// What a message does with each entity of its tree as the builders make it:
// the step the loader hands to them in its BuildContext.
#pragma once

#include "objects/entity.h"
#include "objects/header_fields.h"

namespace mimetic {
class MimeEntity;
}

void RunEntityStep(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                   const HeaderFields& fields, MimeEntityData& messageRecord, REALobject body,
                   REALobject header);
