#include "value/kvval.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

TEST(KvvalDefault, IsTheIntegerZero) {
  kvval v;
  EXPECT_EQ(v.kind(), KV_INT);
  EXPECT_STREQ(v.as_text(), "0");
  EXPECT_FALSE(v.as_bool());
}

TEST(KvvalTextForm, RealsPrintByMagnitude) {
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
  for (const auto& c : cases) EXPECT_EQ(kvval(c.x).str(), c.want) << c.x;
}

TEST(KvvalTextForm, OtherKindsAndFlags) {
  EXPECT_EQ(kvval(true).str(), "1");
  EXPECT_EQ(kvval(false).str(), "0");
  EXPECT_EQ(kvval(-42).str(), "-42");
  EXPECT_EQ(kvval::of_kind(60, 0xbeef).str(), "0xbeef");
  kvval i(7);
  EXPECT_EQ(i.length(), 1);
  EXPECT_EQ(i.kind(), KV_INT);  // reading the text keeps the kind
}

TEST(KvvalReading, AsIntAndAsBoolOfTexts) {
  struct {
    const char* text;
    int32_t as_int;
    bool as_bool;
  } cases[] = {
      {"0", 0, false},  {"abc", 0, false}, {"", 0, false},  {"1", 1, true},
      {"-3", -3, true}, {" 2", 2, true},   {"7x", 7, true}, {"+12", 12, true},
  };
  for (const auto& c : cases) {
    kvval v(c.text);
    EXPECT_EQ(v.as_int(), c.as_int) << c.text;
    EXPECT_EQ(v.as_bool(), c.as_bool) << c.text;
  }
  EXPECT_EQ(kvval("4102444800").as_int64(), 4102444800LL);  // year 2100
  EXPECT_EQ(kvval(-2.7).as_int(), -2);
  EXPECT_FALSE(kvval(NAN).as_bool());
  EXPECT_EQ(kvval(1e30).as_int(), INT_MAX);  // no faulting conversion
}

TEST(KvvalConvert, FollowsTheTable) {
  kvval r(-2.7);
  r.convert(KV_INT);
  EXPECT_EQ(r.kind(), KV_INT);
  EXPECT_EQ(r.as_int(), -2);

  kvval t("42abc");
  t.convert(KV_INT);
  EXPECT_EQ(t.as_int(), 42);

  kvval f(true);
  f.convert(30);  // another kind below 47: a flag stays a flag
  EXPECT_EQ(f.kind(), KV_FLAG);

  kvval i(5);
  i.convert(101);  // 47 and above: nothing
  i.convert(1);
  EXPECT_EQ(i.kind(), KV_INT);
  i.convert(30);
  EXPECT_EQ(i.kind(), 30);
  EXPECT_EQ(i.str(), "0x5");

  kvval s("2.5");
  s.convert(KV_REAL);
  EXPECT_DOUBLE_EQ(s.as_real(), 2.5);
  s.convert(KV_TEXT);
  EXPECT_EQ(s.str(), "2.5");

  kvval z(0.0);
  z.convert(KV_FLAG);
  EXPECT_EQ(z.kind(), KV_FLAG);
  EXPECT_FALSE(z.as_bool());

  kvval neg = kvval::of_kind(30, 0xFFFFFFFF);
  neg.convert(KV_REAL);
  EXPECT_DOUBLE_EQ(neg.as_real(), -1.0);
}

TEST(KvvalCopy, TakeLeavesSourceEmptyKeepingKind) {
  kvval a("hello");
  kvval b;
  b.take(a);
  EXPECT_EQ(b.str(), "hello");
  EXPECT_TRUE(a.is_text());
  EXPECT_EQ(a.length(), 0);

  kvval c(b);
  EXPECT_EQ(c.str(), "hello");
  kvval d(std::move(c));
  EXPECT_EQ(d.str(), "hello");
  EXPECT_EQ(c.length(), 0);
}

TEST(KvvalText, EditingOperations) {
  kvval v(12);
  v.append(kvval("ab"));
  EXPECT_TRUE(v.is_text());
  EXPECT_EQ(v.str(), "12ab");
  v.append(v);
  EXPECT_EQ(v.str(), "12ab12ab");
  v.drop_front(2);
  EXPECT_EQ(v.str(), "ab12ab");
  v.drop_front(0);
  v.drop_front(100);
  EXPECT_EQ(v.str(), "ab12ab");
  v.replace(kvval("ab"), kvval("-"));
  EXPECT_EQ(v.str(), "-12-");
  v.replace(kvval("-"), kvval("<>"));
  EXPECT_EQ(v.str(), "<>12<>");
  v.replace(kvval("<>"), kvval(""));
  EXPECT_EQ(v.str(), "12");
  v.replace(kvval(1), kvval(9));
  EXPECT_EQ(v.str(), "92");
  v.set_length(2);
  v.mutable_text().data()[1] = 'z';
  EXPECT_EQ(v.str(), "9z");
}

TEST(KvvalText, SearchAndCompareReadTextForms) {
  kvval t("abcabc");
  EXPECT_EQ(t.find(kvval("c"), 3), 5);
  EXPECT_EQ(t.find(kvval("bc"), 2), 4);
  EXPECT_EQ(kvval(123).find(kvval(2), 0), 1);
  EXPECT_LT(kvval("10").compare(kvval("9")), 0);
  EXPECT_EQ(kvval(5).compare(kvval("5")), 0);
}

TEST(KvvalArithmetic, DomainFromKindSum) {
  EXPECT_EQ(kvval("12").plus(kvval("30")).kind(), KV_INT);
  EXPECT_EQ(kvval("12").plus(kvval("30")).as_int(), 42);
  EXPECT_EQ(kvval("abc").plus(kvval(1)).as_int(), 1);
  kvval mixed = kvval("1.5").plus(kvval(1.0));
  EXPECT_EQ(mixed.kind(), KV_REAL);
  EXPECT_DOUBLE_EQ(mixed.as_real(), 2.5);
  kvval none = kvval(1).plus(kvval::of_kind(60, 0));
  EXPECT_EQ(none.kind(), KV_INT);
  EXPECT_EQ(none.as_int(), 0);
  EXPECT_EQ(kvval(-7).quotient(kvval(2)).as_int(), -3);
  EXPECT_EQ(kvval(-7).remainder(kvval(2)).as_int(), -1);
  EXPECT_EQ(kvval(7.9).remainder(kvval(2)).as_int(), 1);
  EXPECT_DOUBLE_EQ(kvval(7.0).quotient(kvval(2)).as_real(), 3.5);
}

TEST(KvvalArithmetic, ComparisonsAreNumericFlags) {
  kvval lt = kvval("10").less(kvval("9"));
  EXPECT_EQ(lt.kind(), KV_FLAG);
  EXPECT_FALSE(lt.as_bool());
  EXPECT_TRUE(kvval(2.5).greater(kvval(2)).as_bool());
  EXPECT_EQ(kvval(1).less(kvval::of_kind(60, 0)).kind(), KV_INT);
}

TEST(KvvalArithmetic, InPlaceConvertsThenCombines) {
  kvval v("5");
  v.add(kvval(3));
  EXPECT_EQ(v.kind(), KV_INT);
  EXPECT_EQ(v.as_int(), 8);
  v.divide(kvval(16.0));
  EXPECT_EQ(v.kind(), KV_REAL);
  EXPECT_DOUBLE_EQ(v.as_real(), 0.5);
  kvval t("x");
  t.increment();
  EXPECT_EQ(t.kind(), KV_INT);
  EXPECT_EQ(t.as_int(), 1);
  kvval r = kvval::of_kind(60, 0);
  r.add(kvval(1));
  EXPECT_EQ(r.kind(), 60);
}

TEST(KvvalArithmetic, IntegerDivisionByZeroDoesNotFault) {
  kvval v("9");
  v.divide(kvval(0));
  EXPECT_EQ(v.kind(), KV_INT);  // converted, otherwise unchanged
  EXPECT_EQ(v.as_int(), 9);
  EXPECT_EQ(kvval(9).quotient(kvval("abc")).as_int(), 0);
  EXPECT_EQ(kvval(9).remainder(kvval(0)).as_int(), 0);
  EXPECT_EQ(kvval(9.5).remainder(kvval(0.4)).as_int(), 0);  // truncated to 0
  EXPECT_EQ(kvval(INT_MIN).quotient(kvval(-1)).as_int(), INT_MIN);
  EXPECT_EQ(kvval(INT_MIN).remainder(kvval(-1)).as_int(), 0);
  kvval big(INT_MAX);
  big.increment();
  EXPECT_EQ(big.as_int(), INT_MIN);  // wraps
}

// Each thread reads its own copies of values the main thread still holds,
// as the window's build thread does with the settings (the ThreadSanitizer
// build reports any write to a shared buffer).
TEST(KvvalThreads, CopiesAreReadInOtherThreads) {
  const kvval text("C:/some/folder");
  const kvval number(1048576);
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        kvval a(text), n(number);
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
