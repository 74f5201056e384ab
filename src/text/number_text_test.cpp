#include "text/number_text.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <limits>

namespace {

TEST(ReadDecimal, BlanksSignDigitsThenStops) {
  struct {
    const char* text;
    int64_t want;
  } cases[] = {
      {"42", 42},
      {"  -17x", -17},
      {"+5", 5},
      {"\t\n 8", 8},
      {"abc", 0},
      {"", 0},
      {"- 5", 0},
      {"1a", 1},
      {"007", 7},
      {"3.9", 3},
      {"99999999999", 99999999999},
  };
  for (const auto& c : cases) EXPECT_EQ(read_decimal(c.text), c.want) << c.text;
  // 32-bit callers truncate, which wraps.
  EXPECT_EQ(static_cast<int32_t>(read_decimal("4294967297")), 1);
}

TEST(ReadReal, DecimalFormsOnly) {
  struct {
    const char* text;
    double want;
  } cases[] = {
      {"2.5", 2.5}, {" -1e3", -1000.0}, {".5", 0.5},   {"5.", 5.0},
      {"1e", 1.0},  {"1.5e+2x", 150.0}, {"abc", 0.0},  {".", 0.0},
      {"inf", 0.0}, {"nan", 0.0},       {"0x10", 0.0}, {"+3", 3.0},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(read_real(c.text), c.want) << c.text;
  EXPECT_TRUE(std::isinf(read_real("1e999")));
}

TEST(ReadReal, IgnoresTheProcessNumericLocale) {
  // A locale with a decimal comma, when the machine has one.
  const char* names[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"};
  const char* old = setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  bool switched = false;
  for (const char* n : names) {
    if (setlocale(LC_NUMERIC, n)) {
      switched = true;
      break;
    }
  }
  EXPECT_DOUBLE_EQ(read_real("2.5"), 2.5);
  setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no decimal-comma locale installed";
}

TEST(TruncateReal, TowardsZeroAndSaturating) {
  EXPECT_EQ(truncate_real(-2.7), -2);
  EXPECT_EQ(truncate_real(2.7), 2);
  EXPECT_EQ(truncate_real(1e20), INT32_MAX);
  EXPECT_EQ(truncate_real(-1e20), INT32_MIN);
  EXPECT_EQ(truncate_real(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(truncate_real64(5e9), 5000000000LL);
  EXPECT_EQ(truncate_real64(1e300), INT64_MAX);
}

}  // namespace
