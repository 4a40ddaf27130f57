// The fixable clock and the date and time pictures.
#include <ctime>

#include <gtest/gtest.h>

#include "runtime/text/datetime.h"

namespace {

using runtime::Date;
using runtime::DateTime;
using runtime::Time;
using runtime::datetime_format;

// Puts the system clock back whatever a test did to it.
class Clock : public ::testing::Test {
 protected:
  void TearDown() override { runtime::reset_clock(); }

  static void fix(const DateTime& now) {
    runtime::set_clock([now] { return now; });
  }
};

std::tm system_local_now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

int seconds_of_day(int hour, int minute, int second) { return hour * 3600 + minute * 60 + second; }

TEST_F(Clock, FixedClockGivesItsDateAndTime) {
  fix({{2024, 3, 2}, {9, 5, 7}});
  const Date today = runtime::date_today();
  EXPECT_EQ(today.year, 2024);
  EXPECT_EQ(today.month, 3);
  EXPECT_EQ(today.day, 2);
  const Time now = runtime::time_now();
  EXPECT_EQ(now.hour, 9);
  EXPECT_EQ(now.minute, 5);
  EXPECT_EQ(now.second, 7);
  EXPECT_EQ(datetime_format(runtime::date_today(), "yyyy-mm-dd"), "2024-03-02");
  EXPECT_EQ(datetime_format(runtime::time_now(), " hh:mm:ss"), " 09:05:07");
}

TEST_F(Clock, ClockIsAskedAgainOnEveryRead) {
  int calls = 0;
  runtime::set_clock([&calls] {
    ++calls;
    return DateTime{{2030, 12, calls}, {calls, 0, 0}};
  });
  EXPECT_EQ(runtime::date_today().day, 1);
  EXPECT_EQ(runtime::time_now().hour, 2);
  EXPECT_EQ(runtime::date_today().day, 3);
  // A newly fixed clock replaces the old one.
  fix({{1999, 1, 31}, {23, 59, 59}});
  EXPECT_EQ(runtime::date_today().year, 1999);
  EXPECT_EQ(calls, 3);
}

TEST_F(Clock, ResetGoesBackToTheSystemsLocalTime) {
  fix({{1980, 6, 15}, {12, 0, 0}});
  runtime::reset_clock();
  // Read the system's time around ours; retry when midnight falls between.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::tm before = system_local_now();
    const Date today = runtime::date_today();
    const Time now = runtime::time_now();
    const std::tm after = system_local_now();
    if (before.tm_yday != after.tm_yday) continue;
    EXPECT_EQ(today.year, before.tm_year + 1900);
    EXPECT_EQ(today.month, before.tm_mon + 1);
    EXPECT_EQ(today.day, before.tm_mday);
    const int ours = seconds_of_day(now.hour, now.minute, now.second);
    EXPECT_GE(ours, seconds_of_day(before.tm_hour, before.tm_min, before.tm_sec));
    EXPECT_LE(ours, seconds_of_day(after.tm_hour, after.tm_min, after.tm_sec));
    return;
  }
  FAIL() << "the date changed during every attempt";
}

TEST(DatetimeFormat, DatePictureIsPaddedWithZeros) {
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, "yyyy-mm-dd"), "2024-03-02");
  EXPECT_EQ(datetime_format(Date{2024, 12, 31}, "yyyy-mm-dd"), "2024-12-31");
  EXPECT_EQ(datetime_format(Date{2000, 1, 1}, "yyyy-mm-dd"), "2000-01-01");
  EXPECT_EQ(datetime_format(Date{2024, 10, 10}, "yyyy-mm-dd"), "2024-10-10");
  EXPECT_EQ(datetime_format(Date{987, 1, 1}, "yyyy"), "0987");
}

TEST(DatetimeFormat, TimePictureUsesTwentyFourHours) {
  EXPECT_EQ(datetime_format(Time{9, 5, 7}, " hh:mm:ss"), " 09:05:07");
  EXPECT_EQ(datetime_format(Time{0, 0, 0}, " hh:mm:ss"), " 00:00:00");
  EXPECT_EQ(datetime_format(Time{23, 59, 59}, " hh:mm:ss"), " 23:59:59");
  EXPECT_EQ(datetime_format(Time{12, 30, 0}, " hh:mm:ss"), " 12:30:00");
  EXPECT_EQ(datetime_format(Time{13, 1, 2}, " hh:mm:ss"), " 13:01:02");
  EXPECT_EQ(datetime_format(Time{10, 10, 10}, "hh:mm:ss"), "10:10:10");
}

TEST(DatetimeFormat, FieldsFollowThePictureNotAFixedOrder) {
  // In a date "mm" is the month, in a time the minute.
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, "dd/mm/yyyy"), "02/03/2024");
  EXPECT_EQ(datetime_format(Time{9, 5, 7}, "ss.mm.hh"), "07.05.09");
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, "yyyymmdd"), "20240302");
  EXPECT_EQ(datetime_format(Time{9, 5, 7}, "hhmmss"), "090507");
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, "yyyy yyyy"), "2024 2024");
}

TEST(DatetimeFormat, OtherCharactersAreCopied) {
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, ""), "");
  EXPECT_EQ(datetime_format(Time{9, 5, 7}, ""), "");
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, "Date: "), "Date: ");
  // Letters of the other picture, and single letters, are no fields.
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, "hh:ss y m d"), "hh:ss y m d");
  EXPECT_EQ(datetime_format(Time{9, 5, 7}, "yyyy-dd h m s"), "yyyy-dd h m s");
  // GBK bytes around the fields: 年 月 日 are 0xC4 0xEA, 0xD4 0xC2, 0xC8 0xD5.
  EXPECT_EQ(datetime_format(Date{2024, 3, 2}, "yyyy\xC4\xEAmm\xD4\xC2" "dd\xC8\xD5"),
            "2024\xC4\xEA" "03\xD4\xC2" "02\xC8\xD5");
}

}  // namespace
