// The process-wide switch behind MimeEmailZQV's shared property
// RaiseUnknownFormatExceptions: when on, a charset or encoded-word encoding
// without a host encoding raises "UnsupportedFormatException"; when off, such
// text falls back silently. Off when the library is loaded.
#pragma once

bool FormatExceptionsEnabled();
void SetFormatExceptionsEnabled(bool enabled);
