#include "platform/date_conversion.h"

#include <gtest/gtest.h>

#include <ctime>

#include "support/scratch_folder.h"

namespace {

TEST(DateConversion, MatchesTheDayCountExamples) {
  EXPECT_DOUBLE_EQ(unix_to_datetime(0), 25569.0);
  EXPECT_DOUBLE_EQ(unix_to_datetime(86400), 25570.0);
  EXPECT_DOUBLE_EQ(unix_to_datetime(-43200), 25568.5);
  EXPECT_EQ(datetime_to_unix(25569.5), 43200);
  EXPECT_EQ(datetime_to_unix(25568.5), -43200);
  EXPECT_EQ(seconds_of_day(25569.75), 64800);
  EXPECT_EQ(seconds_of_day(25569.0), 0);
  // Truncation towards zero of a fraction of a second.
  EXPECT_EQ(datetime_to_unix(25569.0 + 1.5 / 86400), 1);
  EXPECT_EQ(datetime_to_unix(25569.0 - 1.5 / 86400), -1);
}

TEST(DateConversion, SecondsSurviveTheRoundTrip) {
  // Past 2038 too: times are 64-bit.
  const int64_t starts[] = {0, 1'000'000'000, 2'147'483'000, 4'102'444'800,
                            -2'000'000'000};
  for (int64_t start : starts) {
    for (int64_t s = start; s < start + 3 * 86400; s += 7) {
      double v = unix_to_datetime(s);
      ASSERT_EQ(datetime_to_unix(v), s) << s;
      int64_t day_seconds = ((s % 86400) + 86400) % 86400;
      if (s >= 0) {
        ASSERT_EQ(seconds_of_day(v), day_seconds) << s;
      }
    }
  }
}

TEST(DateConversion, NonNumbersGiveZero) {
  EXPECT_EQ(datetime_to_unix(1.0 / 0.0), 0);
  EXPECT_EQ(datetime_to_unix(0.0 / 0.0), 0);
  EXPECT_EQ(seconds_of_day(0.0 / 0.0), 0);
}

class LocalTimeTest : public ::testing::Test {
 protected:
  // US Eastern rules written out, so no time-zone database is needed.
  LocalTimeTest() : tz_("TZ", "EST5EDT,M3.2.0,M11.1.0") { tzset(); }
  ~LocalTimeTest() override { tzset(); }
  scoped_env tz_;
};

TEST_F(LocalTimeTest, OffsetIsTheOneInForceOnThatDate) {
  const int64_t winter = 1704110400;  // 2024-01-01 12:00 UTC
  const int64_t summer = 1719835200;  // 2024-07-01 12:00 UTC
  const int64_t far = 4107585600;     // 2100-03-01 12:00 UTC (winter)
  EXPECT_EQ(utc_to_local_seconds(winter), winter - 5 * 3600);
  EXPECT_EQ(utc_to_local_seconds(summer), summer - 4 * 3600);
  EXPECT_EQ(utc_to_local_seconds(far), far - 5 * 3600);
  for (int64_t t : {winter, summer, far, int64_t{0}, int64_t{-1}}) {
    EXPECT_EQ(local_to_utc_seconds(utc_to_local_seconds(t)), t) << t;
  }
}

TEST_F(LocalTimeTest, UtcZoneLeavesSecondsAlone) {
  scoped_env utc("TZ", "UTC0");
  tzset();
  EXPECT_EQ(utc_to_local_seconds(1719835200), 1719835200);
  EXPECT_EQ(local_to_utc_seconds(1719835200), 1719835200);
  EXPECT_EQ(local_to_utc_seconds(-1), -1);
}

}  // namespace
