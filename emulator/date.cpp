// The host class "Date", as classic Xojo has it: a date and time of day shown
// in the zone its GMTOffset names, with TotalSeconds counting the seconds of
// what it shows since 1904-01-01 00:00:00. Setting a part or TotalSeconds
// moves what it shows; parts out of range carry over (day 32 of January is
// 1 February), which is why setters that set parts one by one start with a
// small day.
#include <cmath>
#include <cstddef>
#include <ctime>
#include <iterator>

#include "builtin_classes.h"
#include "state.h"

namespace emu {
namespace {

constexpr double kSecondsPerDay = 86400.0;
// 1904-01-01 counted from 1970-01-01.
constexpr int64_t kDaysFrom1970To1904 = -24107;

// Days since 1970-01-01 of a proleptic Gregorian date; linear in `day`, so
// days beyond the month's end carry over.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year += (month - 1) >= 0 ? (month - 1) / 12 : -((12 - month) / 12);
  month = ((month - 1) % 12 + 12) % 12 + 1;
  year -= month <= 2;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  int64_t yearOfEra = year - era * 400;
  int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
  int64_t year, month, day;
};

CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t dayOfEra = days - era * 146097;
  int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  int64_t day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  return {yearOfEra + era * 400 + (month <= 2), month, day};
}

enum Part : int64_t { kYear, kMonth, kDay, kHour, kMinute, kSecond, kPartCount };

struct Parts {
  int64_t value[kPartCount];
};

double SecondsOf(const Parts& parts) {
  int64_t days = DaysFromCivil(parts.value[kYear], parts.value[kMonth], parts.value[kDay]) -
                 kDaysFrom1970To1904;
  return static_cast<double>(days) * kSecondsPerDay +
         static_cast<double>(parts.value[kHour] * 3600 + parts.value[kMinute] * 60 +
                             parts.value[kSecond]);
}

Parts PartsOf(double totalSeconds) {
  double days = std::floor(totalSeconds / kSecondsPerDay);
  auto secondOfDay = static_cast<int64_t>(std::floor(totalSeconds - days * kSecondsPerDay));
  CivilDate date = CivilFromDays(static_cast<int64_t>(days) + kDaysFrom1970To1904);
  return {{date.year, date.month, date.day, secondOfDay / 3600, secondOfDay / 60 % 60,
           secondOfDay % 60}};
}

// The machine's zone offset now, in seconds east of Greenwich.
int64_t LocalOffsetSeconds(std::time_t now) {
  std::tm local{};
  std::tm utc{};
  localtime_r(&now, &local);
  gmtime_r(&now, &utc);
  auto secondsOf = [](const std::tm& t) {
    return DaysFromCivil(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday) * 86400 + t.tm_hour * 3600 +
           t.tm_min * 60 + t.tm_sec;
  };
  return secondsOf(local) - secondsOf(utc);
}

double LocalOffsetHours() {
  return static_cast<double>(LocalOffsetSeconds(std::time(nullptr))) / 3600.0;
}

DateData* DataOf(REALobject date, const char* use) {
  State* state = CurrentState();
  if (state == nullptr) return nullptr;
  return state->builtInData<DateData>(date, state->dateClass, use);
}

// A new Date shows the present moment in the machine's zone.
void InitializeDate(REALobject date) {
  DateData* data = DataOf(date, "Date");
  if (data == nullptr) return;
  std::time_t now = std::time(nullptr);
  int64_t offset = LocalOffsetSeconds(now);
  int64_t localSecondsSince1970 = static_cast<int64_t>(now) + offset;
  data->totalSeconds =
      static_cast<double>(localSecondsSince1970) - kDaysFrom1970To1904 * kSecondsPerDay;
  data->gmtOffset = static_cast<double>(offset) / 3600.0;
}

void Show(REALobject date, const Parts& parts, double gmtOffset) {
  DateData* data = DataOf(date, "Date constructor");
  if (data == nullptr) return;
  data->gmtOffset = gmtOffset;
  data->totalSeconds = SecondsOf(parts);
}

void ConstructDate6(REALobject date, int64_t year, int64_t month, int64_t day, int64_t hour,
                    int64_t minute, int64_t second) {
  Show(date, {{year, month, day, hour, minute, second}}, LocalOffsetHours());
}

int64_t GetPart(REALobject date, int64_t part) {
  DateData* data = DataOf(date, "Date part");
  if (data == nullptr || part < 0 || part >= kPartCount) return 0;
  return PartsOf(data->totalSeconds).value[part];
}

void SetPart(REALobject date, int64_t part, int64_t value) {
  DateData* data = DataOf(date, "Date part");
  if (data == nullptr || part < 0 || part >= kPartCount) return;
  double fraction = data->totalSeconds - std::floor(data->totalSeconds);
  Parts parts = PartsOf(data->totalSeconds);
  parts.value[part] = value;
  data->totalSeconds = SecondsOf(parts) + fraction;
}

// The same moment, shown in another zone.
void SetGMTOffset(REALobject date, int64_t, double hours) {
  DateData* data = DataOf(date, "GMTOffset");
  if (data == nullptr) return;
  data->totalSeconds += (hours - data->gmtOffset) * 3600.0;
  data->gmtOffset = hours;
}

void* const kGetPart = reinterpret_cast<void*>(&GetPart);
void* const kSetPart = reinterpret_cast<void*>(&SetPart);

REALproperty DateProperties[] = {
    {nullptr, "Year", "Integer", 0, kGetPart, kSetPart, kYear, {}},
    {nullptr, "Month", "Integer", 0, kGetPart, kSetPart, kMonth, {}},
    {nullptr, "Day", "Integer", 0, kGetPart, kSetPart, kDay, {}},
    {nullptr, "Hour", "Integer", 0, kGetPart, kSetPart, kHour, {}},
    {nullptr, "Minute", "Integer", 0, kGetPart, kSetPart, kMinute, {}},
    {nullptr, "Second", "Integer", 0, kGetPart, kSetPart, kSecond, {}},
    {nullptr, "TotalSeconds", "Double", 0, kDirectField, kDirectField,
     offsetof(DateData, totalSeconds), {}},
    {nullptr, "GMTOffset", "Double", 0, kDirectField, reinterpret_cast<void*>(&SetGMTOffset),
     offsetof(DateData, gmtOffset), {}},
};

REALmethod DateMethods[] = {
    {reinterpret_cast<void*>(&ConstructDate), nullptr,
     "Constructor(Year as Integer, Month as Integer, Day as Integer, Hour as Integer, Minute as Integer, Second as Integer, GMTOffset as Double)",
     0, {}},
    {reinterpret_cast<void*>(&ConstructDate6), nullptr,
     "Constructor(Year as Integer, Month as Integer, Day as Integer, hour as Integer, minute as Integer, second as Integer)",
     0, {}},
};

}  // namespace

// An offset no zone has (such as -10000) leaves the date in the machine's
// zone, as the six-argument constructor does.
void ConstructDate(REALobject date, int64_t year, int64_t month, int64_t day, int64_t hour,
                   int64_t minute, int64_t second, double gmtOffset) {
  bool aZoneOffset = std::fabs(gmtOffset) <= 24.0;
  Show(date, {{year, month, day, hour, minute, second}},
       aZoneOffset ? gmtOffset : LocalOffsetHours());
}

REALclassDefinition DateClassRecord = {
    0, "Date", nullptr, sizeof(DateData), 0,
    reinterpret_cast<void*>(&InitializeDate), nullptr,
    DateProperties, std::size(DateProperties),
    DateMethods, std::size(DateMethods),
    nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0,
    nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
};

}  // namespace emu
