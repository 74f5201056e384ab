#include "value/variant.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

TEST(VariantDefault, IsTheIntegerZero) {
  variant v;
  EXPECT_EQ(v.kind(), VARIANT_INT);
  EXPECT_STREQ(v.as_text(), "0");
  EXPECT_FALSE(v.as_bool());
}

TEST(VariantTextForm, RealsPrintByMagnitude) {
  struct {
    double x;
    const char* want;
  } cases[] = {
      {2.5, "2.5"},
      {3.0, "3"},
      {100000.0, "100000"},
      {1234567.891, "1234567.891"},
      {123456.5, "123456.5"},
      {0.1, "0.1"},
      {0.000000001, "0"},
      {-0.000000001, "-0"},
      {1e-11, "0"},
      {1e18, "1000000000000000000"},
      {1e19, "0"},
      {-2.25, "-2.25"},
      {INFINITY, "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(variant(c.x).str(), c.want) << c.x;
}

TEST(VariantTextForm, OtherKindsAndFlags) {
  EXPECT_EQ(variant(true).str(), "1");
  EXPECT_EQ(variant(false).str(), "0");
  EXPECT_EQ(variant(-42).str(), "-42");
  EXPECT_EQ(variant::of_kind(60, 0xbeef).str(), "0xbeef");
  variant i(7);
  EXPECT_EQ(i.length(), 1);
  EXPECT_EQ(i.kind(), VARIANT_INT);  // reading the text keeps the kind
}

TEST(VariantReading, AsIntAndAsBoolOfTexts) {
  struct {
    const char* text;
    int32_t as_int;
    bool as_bool;
  } cases[] = {
      {"0", 0, false},  {"abc", 0, false}, {"", 0, false},  {"1", 1, true},
      {"-3", -3, true}, {" 2", 2, true},   {"7x", 7, true}, {"+12", 12, true},
  };
  for (const auto& c : cases) {
    variant v(c.text);
    EXPECT_EQ(v.as_int(), c.as_int) << c.text;
    EXPECT_EQ(v.as_bool(), c.as_bool) << c.text;
  }
  EXPECT_EQ(variant("4102444800").as_int64(), 4102444800LL);  // year 2100
  EXPECT_EQ(variant(-2.7).as_int(), -2);
  EXPECT_FALSE(variant(NAN).as_bool());
  EXPECT_EQ(variant(1e30).as_int(), INT_MAX);  // no faulting conversion
}

TEST(VariantConvert, FollowsTheTable) {
  variant r(-2.7);
  r.convert(VARIANT_INT);
  EXPECT_EQ(r.kind(), VARIANT_INT);
  EXPECT_EQ(r.as_int(), -2);

  variant t("42abc");
  t.convert(VARIANT_INT);
  EXPECT_EQ(t.as_int(), 42);

  variant f(true);
  f.convert(30);  // another kind below 47: a flag stays a flag
  EXPECT_EQ(f.kind(), VARIANT_FLAG);

  variant i(5);
  i.convert(101);  // 47 and above: nothing
  i.convert(1);
  EXPECT_EQ(i.kind(), VARIANT_INT);
  i.convert(30);
  EXPECT_EQ(i.kind(), 30);
  EXPECT_EQ(i.str(), "0x5");

  variant s("2.5");
  s.convert(VARIANT_REAL);
  EXPECT_DOUBLE_EQ(s.as_real(), 2.5);
  s.convert(VARIANT_TEXT);
  EXPECT_EQ(s.str(), "2.5");

  variant z(0.0);
  z.convert(VARIANT_FLAG);
  EXPECT_EQ(z.kind(), VARIANT_FLAG);
  EXPECT_FALSE(z.as_bool());

  variant neg = variant::of_kind(30, 0xFFFFFFFF);
  neg.convert(VARIANT_REAL);
  EXPECT_DOUBLE_EQ(neg.as_real(), -1.0);
}

TEST(VariantCopy, TakeLeavesSourceEmptyKeepingKind) {
  variant a("hello");
  variant b;
  b.take(a);
  EXPECT_EQ(b.str(), "hello");
  EXPECT_TRUE(a.is_text());
  EXPECT_EQ(a.length(), 0);

  variant c(b);
  EXPECT_EQ(c.str(), "hello");
  variant d(std::move(c));
  EXPECT_EQ(d.str(), "hello");
  EXPECT_EQ(c.length(), 0);
}

TEST(VariantText, EditingOperations) {
  variant v(12);
  v.append(variant("ab"));
  EXPECT_TRUE(v.is_text());
  EXPECT_EQ(v.str(), "12ab");
  v.append(v);
  EXPECT_EQ(v.str(), "12ab12ab");
  v.drop_front(2);
  EXPECT_EQ(v.str(), "ab12ab");
  v.drop_front(0);
  v.drop_front(100);
  EXPECT_EQ(v.str(), "ab12ab");
  v.replace(variant("ab"), variant("-"));
  EXPECT_EQ(v.str(), "-12-");
  v.replace(variant("-"), variant("<>"));
  EXPECT_EQ(v.str(), "<>12<>");
  v.replace(variant("<>"), variant(""));
  EXPECT_EQ(v.str(), "12");
  v.replace(variant(1), variant(9));
  EXPECT_EQ(v.str(), "92");
  v.set_length(2);
  v.mutable_text().data()[1] = 'z';
  EXPECT_EQ(v.str(), "9z");
}

TEST(VariantText, SearchAndCompareReadTextForms) {
  variant t("abcabc");
  EXPECT_EQ(t.find(variant("c"), 3), 5);
  EXPECT_EQ(t.find(variant("bc"), 2), 4);
  EXPECT_EQ(variant(123).find(variant(2), 0), 1);
  EXPECT_LT(variant("10").compare(variant("9")), 0);
  EXPECT_EQ(variant(5).compare(variant("5")), 0);
}

TEST(VariantArithmetic, DomainFromKindSum) {
  EXPECT_EQ(variant("12").plus(variant("30")).kind(), VARIANT_INT);
  EXPECT_EQ(variant("12").plus(variant("30")).as_int(), 42);
  EXPECT_EQ(variant("abc").plus(variant(1)).as_int(), 1);
  variant mixed = variant("1.5").plus(variant(1.0));
  EXPECT_EQ(mixed.kind(), VARIANT_REAL);
  EXPECT_DOUBLE_EQ(mixed.as_real(), 2.5);
  variant none = variant(1).plus(variant::of_kind(60, 0));
  EXPECT_EQ(none.kind(), VARIANT_INT);
  EXPECT_EQ(none.as_int(), 0);
  EXPECT_EQ(variant(-7).quotient(variant(2)).as_int(), -3);
  EXPECT_EQ(variant(-7).remainder(variant(2)).as_int(), -1);
  EXPECT_EQ(variant(7.9).remainder(variant(2)).as_int(), 1);
  EXPECT_DOUBLE_EQ(variant(7.0).quotient(variant(2)).as_real(), 3.5);
}

TEST(VariantArithmetic, ComparisonsAreNumericFlags) {
  variant lt = variant("10").less(variant("9"));
  EXPECT_EQ(lt.kind(), VARIANT_FLAG);
  EXPECT_FALSE(lt.as_bool());
  EXPECT_TRUE(variant(2.5).greater(variant(2)).as_bool());
  EXPECT_EQ(variant(1).less(variant::of_kind(60, 0)).kind(), VARIANT_INT);
}

TEST(VariantArithmetic, InPlaceConvertsThenCombines) {
  variant v("5");
  v.add(variant(3));
  EXPECT_EQ(v.kind(), VARIANT_INT);
  EXPECT_EQ(v.as_int(), 8);
  v.divide(variant(16.0));
  EXPECT_EQ(v.kind(), VARIANT_REAL);
  EXPECT_DOUBLE_EQ(v.as_real(), 0.5);
  variant t("x");
  t.increment();
  EXPECT_EQ(t.kind(), VARIANT_INT);
  EXPECT_EQ(t.as_int(), 1);
  variant r = variant::of_kind(60, 0);
  r.add(variant(1));
  EXPECT_EQ(r.kind(), 60);
}

TEST(VariantArithmetic, IntegerDivisionByZeroDoesNotFault) {
  variant v("9");
  v.divide(variant(0));
  EXPECT_EQ(v.kind(), VARIANT_INT);  // converted, otherwise unchanged
  EXPECT_EQ(v.as_int(), 9);
  EXPECT_EQ(variant(9).quotient(variant("abc")).as_int(), 0);
  EXPECT_EQ(variant(9).remainder(variant(0)).as_int(), 0);
  EXPECT_EQ(variant(9.5).remainder(variant(0.4)).as_int(),
            0);  // truncated to 0
  EXPECT_EQ(variant(INT_MIN).quotient(variant(-1)).as_int(), INT_MIN);
  EXPECT_EQ(variant(INT_MIN).remainder(variant(-1)).as_int(), 0);
  variant big(INT_MAX);
  big.increment();
  EXPECT_EQ(big.as_int(), INT_MIN);  // wraps
}

// Each thread reads its own copies of values the main thread still holds,
// as the window's build thread does with the settings (the ThreadSanitizer
// build reports any write to a shared buffer).
TEST(VariantThreads, CopiesAreReadInOtherThreads) {
  const variant text("C:/some/folder");
  const variant number(1048576);
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        variant a(text), n(number);
        if (std::string_view(a.as_text()) != "C:/some/folder") ++wrong;
        if (n.str() != "1048576") ++wrong;
        a.append_cstr("/x");
        if (a.view() != "C:/some/folder/x") ++wrong;
      }
    });
  }
  for (int i = 0; i < 2000; ++i) {
    if (std::string_view(text.as_text()) != "C:/some/folder") ++wrong;
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
