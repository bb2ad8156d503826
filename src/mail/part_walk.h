// The part walk: what the message makes of each entity (container, plain
// text, HTML text, inline part, attachment or nothing), and the decoding of
// each entity's body into its BodyDecoded.
#pragma once

#include "objects/entity.h"
#include "objects/header_fields.h"

namespace mimetic {
class MimeEntity;
}

// Runs on every entity right after its subtree is built (post-order);
// `fields` reads the entity's header. The body of every entity but a
// container is transfer-decoded into its BodyDecoded.
void WalkEntity(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                const HeaderFields& fields, MimeEntityData& messageRecord, REALobject body,
                REALobject header);
// The second, simpler selection for a message without child parts, after
// the walk of the message entity, whose BodyDecoded it takes.
void SelectTopLevelText(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                        const HeaderFields& fields, MimeEntityData& messageRecord);
