// MimeEmailZQV: one e-mail message, parsed at construction, a subclass of
// MimeEntityZQV sharing its record.
#pragma once

#include "runtime/host_api.h"

extern REALclassDefinition MimeEmailClass;
