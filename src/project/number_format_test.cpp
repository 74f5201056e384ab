#include "project/number_format.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "support/scratch_folder.h"

namespace {

number_format_record german() {
  number_format_record f;
  f.leading_zero = 1;
  f.decimal_sep = ",";
  f.thousand_sep = ".";
  return f;
}

struct FormatCase {
  const char* in;
  const char* out;
};

TEST(NumberFormat, GroupsWholeNumbersWithTheGivenSeparator) {
  const FormatCase cases[] = {
      {"0", "0"},
      {"7", "7"},
      {"999", "999"},
      {"1000", "1.000"},
      {"123456", "123.456"},
      {"1234567", "1.234.567"},
      {"-1234567", "-1.234.567"},
      {"-12", "-12"},
      {"0001234", "1.234"},
      {" 42 ", "42"},
      {"4102444800", "4.102.444.800"},
      {"1234.4", "1.234"},  // fraction rounded away
      {"1234.5", "1.235"},  // half rounds up
      {"999.5", "1.000"},   // carry adds a digit
      {"-0.4", "0"},        // no negative zero
      {"-2.5", "-3"},       // half away from zero
  };
  const number_format_record f = german();
  for (const FormatCase& c : cases) {
    std::string out = "unchanged";
    EXPECT_TRUE(format_number_text(f, c.in, &out)) << c.in;
    EXPECT_EQ(out, c.out) << c.in;
  }
}

TEST(NumberFormat, NonNumbersAreRejected) {
  const number_format_record f = german();
  for (const char* in : {"", "-", "12abc", "abc", "1.2.3", "+5", "1e5"}) {
    std::string out = "unchanged";
    EXPECT_FALSE(format_number_text(f, in, &out)) << in;
    EXPECT_EQ(out, "unchanged");
  }
  EXPECT_EQ(format_number_value(f, variant("n/a")).str(), "n/a");
}

TEST(NumberFormat, MultiByteSeparatorsFractionsAndSignOrders) {
  number_format_record f;
  f.thousand_sep = "\xE2\x80\xAF";  // narrow no-break space, UTF-8
  f.decimal_sep = ",";
  EXPECT_EQ(format_integer(f, 1234567),
            "1\xE2\x80\xAF"
            "234\xE2\x80\xAF"
            "567");

  f.thousand_sep = "'";
  f.num_digits = 2;
  std::string out;
  ASSERT_TRUE(format_number_text(f, "1234.567", &out));
  EXPECT_EQ(out, "1'234,57");
  ASSERT_TRUE(format_number_text(f, ".5", &out));
  EXPECT_EQ(out, ",50");  // leading zero off
  f.leading_zero = 1;
  ASSERT_TRUE(format_number_text(f, ".5", &out));
  EXPECT_EQ(out, "0,50");

  f.num_digits = 0;
  const char* const orders[] = {"(1'000)", "-1'000", "- 1'000", "1'000-",
                                "1'000 -"};
  for (int order = 0; order < 5; ++order) {
    f.negative_order = order;
    EXPECT_EQ(format_integer(f, -1000), orders[order]);
  }
  f.grouping = 0;
  EXPECT_EQ(format_integer(f, 1234567), "1234567");
}

TEST(NumberFormat, FormatsValuesOfEveryNumericKind) {
  const number_format_record f = german();
  EXPECT_EQ(format_number_value(f, variant(1048576)).str(), "1.048.576");
  EXPECT_EQ(format_number_value(f, variant(5e9)).str(), "5.000.000.000");
  EXPECT_EQ(format_number_value(f, variant("2048")).str(), "2.048");
  EXPECT_EQ(format_integer(f, INT64_MIN + 1), "-9.223.372.036.854.775.807");
}

// Reads the user's format with the environment variable name set to value,
// restoring the environment after.
number_format_record user_format_with(const char* name, const char* value) {
  const char* old = std::getenv(name);
  const std::string saved = old ? old : "";
  setenv(name, value, 1);
  number_format_record f = user_number_format();
  if (old) {
    setenv(name, saved.c_str(), 1);
  } else {
    unsetenv(name);
  }
  return f;
}

// user_number_format() in a child process with LOCPATH and LC_ALL set, as
// "decimal|thousands|1234567 formatted|process decimal point|1 when
// strtod still reads 1.5". A child keeps this process's
// environment as it was and glibc's cache of locale files out of the leak
// check (the child ends with _exit).
std::string user_format_in_child(const std::string& locpath,
                                 const char* lc_all) {
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("LOCPATH", locpath.c_str(), 1);
    setenv("LC_ALL", lc_all, 1);
    const number_format_record f = user_number_format();
    // The process's numeric locale, and so the reading of numbers, stays.
    const std::string out = f.decimal_sep + "|" + f.thousand_sep + "|" +
                            format_integer(f, 1234567) + "|" +
                            localeconv()->decimal_point + "|" +
                            std::to_string(std::strtod("1.5", nullptr) == 1.5);
    const ssize_t n = write(fds[1], out.data(), out.size());
    _exit(n == static_cast<ssize_t>(out.size()) ? 0 : 1);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof(buf))) > 0) out.append(buf, n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return out;
}

TEST(NumberFormat, UserLocaleGivesItsSeparatorsWithoutChangingParsing) {
  number_format_record f = user_format_with("LC_ALL", "C");
  EXPECT_EQ(f.decimal_sep, ".");
  EXPECT_EQ(f.thousand_sep, "");
  EXPECT_EQ(f.num_digits, 0);
  EXPECT_EQ(f.grouping, 3);
  EXPECT_EQ(f.negative_order, 1);

  // A locale missing from the system falls back to the C values.
  f = user_format_with("LC_ALL", "xx_NOWHERE.UTF-8");
  EXPECT_EQ(f.decimal_sep, ".");

  // A German locale compiled for this test (where the system can).
  scratch_folder dir;
  const std::string cmd = "localedef -i de_DE -f UTF-8 " + dir.path() +
                          "/de_DE.UTF-8 >/dev/null 2>&1";
  if (dir.path().empty() || std::system(cmd.c_str()) != 0) {
    GTEST_SKIP() << "cannot compile a de_DE.UTF-8 locale here";
  }
  EXPECT_EQ(user_format_in_child(dir.path(), "de_DE.UTF-8"),
            ",|.|1.234.567|.|1");
}

}  // namespace

namespace {

std::string human(int64_t bytes, bool binary, const char* sep = ".") {
  number_format_record fmt;
  fmt.decimal_sep = sep;
  fmt.thousand_sep = ",";
  human_size h = human_size_of(fmt, bytes, binary);
  return h.number + " " + h.unit;
}

TEST(HumanSize, PicksTheUnitPerSizeAndRoundsIntoTheNext) {
  struct {
    int64_t bytes;
    const char* decimal;
    const char* binary;
  } cases[] = {
      {0, "0 bytes", "0 bytes"},
      {1, "1 byte", "1 byte"},
      {999, "999 bytes", "999 bytes"},
      {1000, "1.0 kB", "1,000 bytes"},
      {1023, "1.0 kB", "1,023 bytes"},
      {1024, "1.0 kB", "1.0 KiB"},
      {1049, "1.0 kB", "1.0 KiB"},
      {1050, "1.1 kB", "1.0 KiB"},
      {9949, "9.9 kB", "9.7 KiB"},
      {9950, "10 kB", "9.7 KiB"},
      {4700000, "4.7 MB", "4.5 MiB"},
      {999499, "999 kB", "976 KiB"},
      {999500, "1.0 MB", "976 KiB"},
      {1048063, "1.0 MB", "1023 KiB"},
      {1048064, "1.0 MB", "1.0 MiB"},
      {int64_t{5} << 40, "5.5 TB", "5.0 TiB"},
      {INT64_MAX, "9.2 EB", "8.0 EiB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(human(c.bytes, false), c.decimal);
    EXPECT_EQ(human(c.bytes, true), c.binary);
  }
  EXPECT_EQ(human(4700000, false, ","), "4,7 MB");
  EXPECT_EQ(human(4700000, false, ""), "4.7 MB");
}

TEST(HumanSize, CountsTakeTheSingularForOneOnly) {
  number_format_record fmt;
  fmt.thousand_sep = ",";
  EXPECT_EQ(counted(fmt, 1, "file", "files"), "1 file");
  EXPECT_EQ(counted(fmt, 0, "file", "files"), "0 files");
  EXPECT_EQ(counted(fmt, 1024, "byte", "bytes"), "1,024 bytes");
}

}  // namespace
