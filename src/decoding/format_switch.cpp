#include "decoding/format_switch.h"

namespace {
bool formatExceptionsEnabled = false;
}

bool FormatExceptionsEnabled() { return formatExceptionsEnabled; }
void SetFormatExceptionsEnabled(bool enabled) { formatExceptionsEnabled = enabled; }
