// The host object tree of a parsed message. Each entity is built innermost
// first: its body with every descendant, then its header, then the message's
// step on it (the part walk and the date reading), which files what it finds
// into the message record. The tree is built here, above the object classes,
// because that step is the message's own logic.
#pragma once

#include "objects/entity.h"
#include "objects/header_fields.h"
#include "runtime/host_ref.h"

namespace mimetic {
class Body;
class MimeEntity;
}  // namespace mimetic

// A MimeEntityZQV for `entity` and its whole subtree, stepped in post-order;
// nil when the host makes no instance.
HostObject NewEntityObject(mimetic::MimeEntity& entity, MimeEntityData& messageRecord);
// A MimeBodyZQV for `body` with a MimeEntityZQV (NewEntityObject) for each of
// its parts, in order; nil when the host makes no instance.
HostObject NewBodyWithParts(mimetic::Body& body, MimeEntityData& messageRecord);

// The message's step on one entity whose body and header objects are built.
// `fields` reads the entity's header, as it did for the header object. The
// step may rewrite the entity's body (the walk decodes it in place): the body
// object has taken its StringValue from it by then.
void RunEntityStep(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                   const HeaderFields& fields, MimeEntityData& messageRecord, REALobject body,
                   REALobject header);
