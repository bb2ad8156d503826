// Date and ReceivedDate: the header's moment shown in the machine's zone,
// whichever way the host lets the plugin make a Date.

#include <cstdio>
#include <string>

#include "plugin_test.h"

namespace {

constexpr char kDateWithOffset[] =
    "Constructor(Year as Integer, Month as Integer, Day as Integer, Hour as Integer, Minute as Integer, Second as Integer, GMTOffset as Double)";
constexpr char kDateWithoutOffset[] =
    "Constructor(Year as Integer, Month as Integer, Day as Integer, hour as Integer, minute as Integer, second as Integer)";

class DatesTest : public PluginTest {
 protected:
  // What a host Date shows, kNil for none.
  std::string partsOf(const emu::Obj& date) {
    if (date.isNil()) return kNil;
    const auto part = [&](const char* name) {
      return static_cast<long long>(host().integerProperty(date, name));
    };
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", part("Year"),
                  part("Month"), part("Day"), part("Hour"), part("Minute"), part("Second"));
    return text;
  }
  std::string shownDate(const std::string& headerText, const char* property = "Date") {
    emu::Obj email = parseEmail(headerText + "\r\nbody\r\n");
    expectNoException();
    return partsOf(host().get(email, property).obj());
  }
};

TEST_F(DatesTest, TheMomentIsShownInTheMachinesZone) {
  const struct {
    const char *zone, *date, *expected;
  } cases[] = {
      {"UTC-1", "Tue, 3 Dec 2024 10:00:00 +0000", "2024-12-03 11:00:00"},
      {"UTC-1", "Tue, 3 Dec 2024 10:00:00 -0530", "2024-12-03 16:30:00"},
      {"UTC-1", "Tue, 3 Dec 2024 23:30:15 -0100", "2024-12-04 01:30:15"},
      {"UTC+5", "Tue, 3 Dec 2024 03:00:00 +0545", "2024-12-02 16:15:00"},
      {"UTC0", "Tue, 3 Dec 2024 10:00:00 PST", "2024-12-03 18:00:00"},  // zones by name
      {"UTC0", "Tue, 3 Dec 2024 10:00:00 JST", "2024-12-03 01:00:00"},
      // the older forms: two- and three-digit years, asctime, RFC 850
      {"UTC0", "Thu, 13 Jan 49 10:00 +0000", "2049-01-13 10:00:00"},
      {"UTC0", "Fri, 13 Jan 50 10:00:00 +0000", "1950-01-13 10:00:00"},
      {"UTC0", "13 Jan 104 10:00:00 GMT", "2004-01-13 10:00:00"},
      {"UTC0", "Wed Dec 18 19:59:02 2002", "2002-12-18 19:59:02"},
      {"UTC0", "Wed Dec 18 19:59:02 EST 2002", "2002-12-19 00:59:02"},
      {"UTC0", "Sunday, 06-Nov-94 08:49:37 GMT", "1994-11-06 08:49:37"},
      {"UTC0", "Sun,06 Nov 1994 08:49:37-0100 (comment)", "1994-11-06 09:49:37"},
      {"UTC0", "3 Dec 2024 10.20.30 +0100", "2024-12-03 09:20:30"},
  };
  for (const auto& test : cases) {
    ScopedTimeZone zone(test.zone);
    EXPECT_EQ(shownDate(std::string("Date: ") + test.date + "\r\n"), test.expected)
        << test.zone << " " << test.date;
  }
}

TEST_F(DatesTest, TheLastUsableFieldOfEachKindWins) {
  ScopedTimeZone zone("UTC0");
  const std::string dec1 = "2024-12-01 07:00:00", dec2 = "2024-12-02 08:00:00";
  // Each header, and its Date and ReceivedDate.
  const std::pair<std::string, std::string> cases[] = {
      {"Subject: none\r\n", "(nil) (nil)"},
      {"Date: Mon, 2 Dec 2024 08:00:00 +0000\r\nDATE: Sun, 1 Dec 2024 07:00:00 +0000\r\n",
       dec1 + " (nil)"},
      {"Received: from a by b; Mon, 2 Dec 2024 08:00:00 +0000\r\n"
       "RECEIVED: from c by d; Sun, 1 Dec 2024 07:00:00 +0000\r\n", "(nil) " + dec1},
      // The blank after the semicolon may be the tab of a folded line.
      {"Received: from a;b by c;\tSun, 1 Dec 2024 07:00:00 +0000\r\n", "(nil) " + dec1},
      // Without "; " there is no date to read, and the field before stays.
      {"received: from a by b; Mon, 2 Dec 2024 08:00:00 +0000\r\n"
       "Received: from c by d;Sun, 1 Dec 2024 07:00:00 +0000\r\n", "(nil) " + dec2},
      // A text without day, month name and year is no date; the field before stays.
      {"Date: whenever\r\nReceived: from a by b; \r\n", "(nil) (nil)"},
      {"Date: \r\nReceived: by b; 1 Foo 2024 10:00:00 +0000\r\n", "(nil) (nil)"},
      {"Date: Mon, 2 Dec 2024 08:00:00 +0000\r\nDate: not a date at all\r\n", dec2 + " (nil)"},
  };
  for (const auto& [header, expected] : cases) {
    EXPECT_EQ(shownDate(header) + " " + shownDate(header, "ReceivedDate"), expected) << header;
  }
}

// Without the seven-argument constructor the six-argument one serves, without
// either the parts are set one by one (29 February catches a carrying order).
TEST_F(DatesTest, EveryWayOfMakingADateShowsTheSameMoment) {
  ScopedTimeZone zone("UTC-1");
  const std::string header = "Date: Thu, 29 Feb 2024 22:10:05 -0200\r\n";
  const char* expected = "2024-03-01 01:10:05";

  emu::Obj date = host().get(parseEmail(header + "\r\n"), "Date").obj();
  EXPECT_EQ(partsOf(date), expected);
  EXPECT_DOUBLE_EQ(host().doubleProperty(date, "GMTOffset"), 1.0);

  host().refuseMethod(kDateWithOffset, true);
  EXPECT_EQ(shownDate(header), expected);
  host().refuseMethod(kDateWithoutOffset, true);
  EXPECT_EQ(shownDate(header), expected);

  host().refuseInstances("Date", true);
  EXPECT_EQ(shownDate(header), kNil);
}

}  // namespace
