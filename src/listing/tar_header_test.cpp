#include "listing/tar_header.h"

#include <gtest/gtest.h>

#include <string>

#include "listing/archive_fixture_test_util.h"

TEST(TarHeader, ParseOctalSkipsBlanksAndStopsAtNul) {
  struct {
    std::string field;
    int width;
    int64_t want;
  } cases[] = {
      {"     17 ", 8, 15},
      {std::string("0000644\0", 8), 8, 420},
      {std::string("12\0"
                   "7",
                   4),
       4, 10},         // nothing after the NUL counts
      {"777", 2, 63},  // width limits the field
      {"", 0, 0},
      {"77777777777", 11, 8589934591},  // 11 digits exceed 32 bits
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse_octal(c.field.data(), c.width), c.want) << c.field;
  }
}

TEST(TarHeader, Base256NumbersArePositiveOrTwosComplement) {
  std::string five_gib(12, '\0');
  five_gib[0] = '\x80';
  five_gib[7] = '\x01';
  five_gib[8] = '\x40';  // 0x0140000000 = 5 GiB
  EXPECT_EQ(parse_tar_number(five_gib.data(), 12), int64_t{5} << 30);
  std::string minus_two(12, '\xFF');
  minus_two[11] = '\xFE';
  EXPECT_EQ(parse_tar_number(minus_two.data(), 12), -2);
  std::string huge(12, '\x7F');
  huge[0] = '\x80';
  EXPECT_EQ(parse_tar_number(huge.data(), 12), INT64_MAX);
  EXPECT_EQ(parse_tar_number("0000644", 8), 420);
}

TEST(TarHeader, ChecksumCountsItsOwnFieldAsBlanks) {
  std::string block = tar_block({.name = "f.txt"});
  int64_t sum = header_sum(block.data());
  block.replace(148, 8, "99999999");
  EXPECT_EQ(header_sum(block.data()), sum);
  tar_header h;
  ASSERT_TRUE(read_tar_header(block.data(), &h));
  EXPECT_FALSE(h.checksum_ok);
}

TEST(TarHeader, DecodesFieldsAndJoinsOnlyPosixPrefix) {
  const std::string posix(
      "ustar\0"
      "00",
      8);
  const std::string gnu("ustar  \0", 8);
  tar_header h;
  ASSERT_TRUE(read_tar_header(tar_block({.name = "c.txt",
                                         .size = 7,
                                         .mtime = 4102444800,
                                         .magic = posix,
                                         .prefix = "a/b"})
                                  .data(),
                              &h));
  EXPECT_EQ(h.name, "a/b/c.txt");
  EXPECT_EQ(h.size, 7);
  EXPECT_EQ(h.time, 4102444800);  // beyond 2^32
  EXPECT_TRUE(h.checksum_ok);
  // In GNU headers that area holds other fields, never a name.
  ASSERT_TRUE(read_tar_header(
      tar_block({.name = "c.txt", .magic = gnu, .prefix = "a/b"}).data(), &h));
  EXPECT_EQ(h.name, "c.txt");
  EXPECT_FALSE(read_tar_header(std::string(512, '\0').data(), &h));
}
