#pragma once
// Dates and times of day in local time, read through a clock that tests can fix.
#include <functional>
#include <string>
#include <string_view>

namespace runtime {

struct Date {
  int year = 1900;
  int month = 1;
  int day = 1;
};

struct Time {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct DateTime {
  Date date;
  Time time;
};

// The clock gives the local date and time. Tests install a fixed one.
using Clock = std::function<DateTime()>;
void set_clock(Clock clock);
void reset_clock();  // back to the system's local time

Date date_today();
Time time_now();

// Pictures: for a date "yyyy", "mm", "dd"; for a time "hh" (00-23), "mm",
// "ss". Every other character of the picture is copied as it stands, so
// "yyyy-mm-dd" gives "2024-03-02" and " hh:mm:ss" gives " 09:05:07".
std::string datetime_format(const Date& date, std::string_view picture);
std::string datetime_format(const Time& time, std::string_view picture);

}  // namespace runtime
