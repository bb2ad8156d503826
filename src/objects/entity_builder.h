// Builders of the host object tree of a parsed message. Each returns a new
// object with one reference for the caller, or nil when the host cannot make
// the instance.
#pragma once

#include "objects/entity.h"
#include "objects/header_fields.h"
#include "runtime/host_ref.h"

namespace mimetic {
class Body;
class Field;
class Header;
class MimeEntity;
}  // namespace mimetic

// What the message does with each entity right after the entity's body
// (with all its descendants) and header are built: the part walk and the
// date reading. The loader hands it down, so this layer need not know the
// message's own logic, while the order stays post-order.
// `fields` reads the entity's header for it, as it did for the header object.
// The step may rewrite the entity's body (the walk decodes it in place): the
// body object has taken its StringValue from it by then.
using EntityStep = void (*)(MimeEntityData& entityRecord, mimetic::MimeEntity& entity,
                            const HeaderFields& fields, MimeEntityData& messageRecord,
                            REALobject body, REALobject header);

struct BuildContext {
  MimeEntityData* messageRecord;  // the message being built
  EntityStep onEntityBuilt;       // nullptr: the entity is only built
};

HostObject NewEntityObject(mimetic::MimeEntity& entity, const BuildContext& context);
HostObject NewBodyObject(mimetic::Body& body, const BuildContext& context);
HostObject NewHeaderObject(const HeaderFields& fields);
HostObject NewFieldObject(const mimetic::Field& field);
