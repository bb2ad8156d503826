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
// `fields` reads the entity's header.
void WalkEntity(MimeEntityData& entityRecord, const mimetic::MimeEntity& entity,
                const HeaderFields& fields, MimeEntityData& messageRecord, REALobject body,
                REALobject header);
// The second, simpler selection for a message without child parts.
void SelectTopLevelText(MimeEntityData& entityRecord, const mimetic::MimeEntity& entity,
                        const HeaderFields& fields, MimeEntityData& messageRecord);
