// HTML to plain text: one pass over code points, no tree.
#pragma once

#include "runtime/host_ref.h"

// Nil for a nil argument or an empty result.
HostString HTMLToPlainText(REALstring html);

// MimeEmailZQV's shared method "HTMLToPlainText(HTMLText as String) as String".
REALstring HTMLToPlainTextMethod(REALstring html);
