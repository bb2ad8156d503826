#include "mail/dates.h"

#include <mimetic/rfc822/datetime.h>
#include <mimetic/rfc822/header.h>

#include <string>
#include <utility>

#include "runtime/debug_log.h"
#include "runtime/host_binding.h"
#include "runtime/platform.h"

namespace {

constexpr char kDateConstructorWithOffset[] =
    "Constructor(Year as Integer, Month as Integer, Day as Integer, Hour as Integer, Minute as Integer, Second as Integer, GMTOffset as Double)";
// Older hosts declare it with lower-case names, and the host matches the
// declaration text exactly.
constexpr char kDateConstructor[] =
    "Constructor(Year as Integer, Month as Integer, Day as Integer, hour as Integer, minute as Integer, second as Integer)";

// Not a zone any host knows: the host then shows the parts in the machine's
// own zone, as the six-argument constructor does.
constexpr double kMachineZone = -10000.0;

bool IsFieldNamed(const mimetic::Field& field, const char* name) {
  return platform::CompareIgnoringCase(field.name().c_str(), name) == 0;
}

// "from a by b; Tue, 3 Dec 2024 ...": the date follows the first semicolon
// with a blank after it. Relays fold the field there, and unfolding leaves
// the tab that began the next line.
std::string::size_type DateSeparator(const std::string& received) {
  for (std::string::size_type at = received.find(';'); at != std::string::npos;
       at = received.find(';', at + 1)) {
    if (at + 1 < received.size() && (received[at + 1] == ' ' || received[at + 1] == '\t')) {
      return at;
    }
  }
  return std::string::npos;
}

}  // namespace

void ExtractDates(MimeEntityData& record, const mimetic::Rfc822Header& header) {
  for (const mimetic::Field& field : header) {
    if (IsFieldNamed(field, "date")) {
      DateFromHeaderText(record, field.value(), &MimeEntityData::Date);
    } else if (IsFieldNamed(field, "received")) {
      const std::string value = field.value();
      const std::string::size_type separator = DateSeparator(value);
      if (separator == std::string::npos) continue;
      DateFromHeaderText(record, value.substr(separator + 1), &MimeEntityData::ReceivedDate);
    }
  }
}

void DateFromHeaderText(MimeEntityData& record, const std::string& text,
                        REALobject MimeEntityData::*field) {
  try {
    const mimetic::DateTime parsed(text);
    HostObject date = NewDate(parsed.year(), parsed.month().ordinal(), parsed.day(),
                              parsed.hour(), parsed.minute(), parsed.second());
    if (date) {
      double seconds = GetDateTotalSeconds(date.get());
      // The zone comes as +-hhmm: -0530 is -530, five hours and -30 minutes.
      const int64_t zone = parsed.zone().ordinal();
      if (zone != 0) {
        const int64_t zoneHours = zone / 100;
        const int64_t zoneMinutes = zone - 100 * zoneHours;
        seconds -= static_cast<double>((60 * zoneHours + zoneMinutes) * 60);
      }
      // The offset in force now, not on that date: a winter date read in
      // summer moves by the summer offset, as the host's own dates would.
      const int64_t localOffset = platform::LocalOffsetSeconds();
      if (localOffset != 0) seconds += static_cast<double>(localOffset);
      REALSetPropValueDouble(date.get(), "TotalSeconds", seconds);
    }
    StoreField(record.*field, std::move(date));
  } catch (...) {
    // A date that cannot be read is no reason to refuse the message.
  }
}

HostObject NewDate(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                   int64_t second) {
  if (DebugLogEnabled()) DebugLogSix("NewDate", year, month, day, hour, minute, second);
  HostObject date(PluginNewInstance("Date"));
  if (!date) return date;

  void* constructor = REALLoadObjectMethod(date.get(), kDateConstructorWithOffset);
  if (DebugLogEnabled()) DebugLogPointer("f1", constructor);
  if (constructor != nullptr) {
    reinterpret_cast<hostfn::DateConstructor7>(constructor)(date.get(), year, month, day, hour,
                                                            minute, second, kMachineZone);
    return date;
  }

  constructor = REALLoadObjectMethod(date.get(), kDateConstructor);
  if (DebugLogEnabled()) DebugLogPointer("f2", constructor);
  if (constructor != nullptr) {
    reinterpret_cast<hostfn::DateConstructor6>(constructor)(date.get(), year, month, day, hour,
                                                            minute, second);
    return date;
  }

  if (DebugLogEnabled()) DebugLog("Date Constructor 3 missing!?");
  // A new Date shows today; a small day first keeps the month and year set
  // below from carrying over (31 January moved to February is 3 March).
  REALSetPropValueInteger(date.get(), "Day", 3);
  REALSetPropValueInteger(date.get(), "Year", year);
  REALSetPropValueInteger(date.get(), "Month", month);
  REALSetPropValueInteger(date.get(), "Day", day);
  REALSetPropValueInteger(date.get(), "Hour", hour);
  REALSetPropValueInteger(date.get(), "Minute", minute);
  REALSetPropValueInteger(date.get(), "Second", second);
  return date;
}

double GetDateTotalSeconds(REALobject date) {
  double seconds = 0.0;
  REALGetPropValueDouble(date, "TotalSeconds", &seconds);
  if (DebugLogEnabled()) DebugLogDouble("GetDateTotalSeconds", seconds);
  return seconds;
}
