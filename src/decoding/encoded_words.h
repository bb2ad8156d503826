// RFC 2047 encoded words and RFC 2231 extended parameter values in header
// text, decoded into host strings.
#pragma once

#include <string_view>

#include "runtime/host_ref.h"

// Decodes the encoded words of a raw header text; nil for an empty text.
// `unquote` also strips enclosing quotes (display names).
HostString DecodeEncodedWords(std::string_view text, bool unquote);
// Reads an extended value charset'language'value; nil for an empty value.
HostString DecodeExtendedValue(std::string_view value);

// MimeEmailZQV's shared method "DecodeInline(Text as String) as String".
REALstring DecodeInline(REALstring text);
