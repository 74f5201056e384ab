#include "platform/date_conversion.h"

#include <cmath>
#include <ctime>

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Truncates towards zero, first snapping values within a millisecond of a
// whole number onto it.
int64_t whole_seconds(double seconds) {
  if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e18) return 0;
  double nearest = std::round(seconds);
  if (std::fabs(seconds - nearest) < 1e-3) return static_cast<int64_t>(nearest);
  return static_cast<int64_t>(std::trunc(seconds));
}

}  // namespace

double unix_to_datetime(int64_t seconds) {
  return static_cast<double>(seconds) / kSecondsPerDay + kUnixEpochDate;
}

int64_t datetime_to_unix(double value) {
  return whole_seconds((value - kUnixEpochDate) * kSecondsPerDay);
}

int32_t seconds_of_day(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(
      whole_seconds((value - std::trunc(value)) * kSecondsPerDay));
}

int64_t utc_to_local_seconds(int64_t utc) {
  time_t t = static_cast<time_t>(utc);
  struct tm parts;
  if (localtime_r(&t, &parts) == nullptr) return utc;
  return utc + parts.tm_gmtoff;
}

int64_t local_to_utc_seconds(int64_t local) {
  time_t t = static_cast<time_t>(local);
  struct tm parts;
  if (gmtime_r(&t, &parts) == nullptr) return local;
  parts.tm_isdst = -1;
  time_t utc = mktime(&parts);
  // -1 is both the error mark and a valid time (one second before 1970).
  if (utc == static_cast<time_t>(-1) && utc_to_local_seconds(-1) != local) {
    return local;
  }
  return static_cast<int64_t>(utc);
}
