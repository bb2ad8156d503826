// MimeEmailZQV: one e-mail message, parsed at construction, a subclass of
// MimeEntityZQV sharing its record.
#pragma once

#include "runtime/host_api.h"

extern REALclassDefinition MimeEmailClass;

// The shared property RaiseUnknownFormatExceptions: when on, a charset or
// encoded-word encoding without a host encoding raises
// "UnsupportedFormatException" instead of falling back silently.
bool RaiseUnknownFormatExceptions();
