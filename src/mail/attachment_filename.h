// The file name an attachment is offered under: the name the message gives
// the part, or one made up from its Content-ID and the look of its data.
#pragma once

#include <string>
#include <string_view>

#include "objects/header_fields.h"
#include "runtime/host_ref.h"

// Nil only when the host cannot build the string. `fields` reads the part's header.
HostString AttachmentFilename(const HeaderFields& fields, std::string_view decodedBytes);
// The name given to a file that has none: its Content-ID without angle
// brackets (else "attachment"), with the extension its data suggests.
std::string MadeUpFilename(std::string_view contentId, std::string_view data);
// An extension with its leading full stop guessed from the first bytes of the
// data, or empty.
std::string SniffExtension(std::string_view decodedBytes);
