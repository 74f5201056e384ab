// Conversions between seconds since 1970-01-01 and the date value of the
// date and time pickers (days since 1899-12-30 as a double, the fraction
// being the time of day), and between UTC and local seconds. The main window
// moves the modification-time window between the settings and its pickers
// with these.
#ifndef DIRGEN_PLATFORM_DATE_CONVERSION_H_
#define DIRGEN_PLATFORM_DATE_CONVERSION_H_

#include <cstdint>

// The date value of 1970-01-01 00:00.
constexpr double kUnixEpochDate = 25569.0;

// seconds / 86400 + 25569.
double unix_to_datetime(int64_t seconds);

// (value - 25569) * 86400, truncated towards zero. A product within a
// millisecond of a whole second counts as that second, so that the rounding
// of the division above never costs a second on the way back. Not a finite
// number in range gives 0.
int64_t datetime_to_unix(double value);

// The time of day of value in seconds: (value - whole days of value) * 86400,
// truncated towards zero (with the same millisecond allowance).
int32_t seconds_of_day(double value);

// Local wall-clock seconds of a UTC time, by the time-zone rules in force on
// that date (TZ, localtime_r). Returns utc unchanged when it cannot be
// converted.
int64_t utc_to_local_seconds(int64_t utc);

// The UTC time of local wall-clock seconds, by the rules of that date
// (mktime; a clock time skipped or repeated by a daylight-saving change is
// resolved as mktime does). Returns local unchanged when it cannot be
// converted.
int64_t local_to_utc_seconds(int64_t local);

#endif  // DIRGEN_PLATFORM_DATE_CONVERSION_H_
