// A message's dates: the "Date" field and the date of the last "Received"
// field, each as a host Date showing that moment in the machine's zone.
#pragma once

#include <cstdint>
#include <string>

#include "objects/entity.h"
#include "runtime/host_ref.h"

namespace mimetic {
class Rfc822Header;
}

// Reads every "Date" and "Received" field of `header`, top to bottom, into
// the record's Date and ReceivedDate; the last usable field of each wins.
void ExtractDates(MimeEntityData& record, const mimetic::Rfc822Header& header);
// Parses one date text into `record.*field`, releasing what it held. A text
// mimetic refuses leaves the field as it was; a host without "Date" stores
// nil. Never throws.
void DateFromHeaderText(MimeEntityData& record, const std::string& text,
                        REALobject MimeEntityData::*field);
// A host Date showing these parts, with one reference for the caller; nil
// when the host has no "Date".
HostObject NewDate(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                   int64_t second);
// The host's seconds of what `date` shows; 0.0 when it cannot be read.
double GetDateTotalSeconds(REALobject date);
