#include "listing/listing_record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/checksum.h"
#include "support/scratch_folder.h"

namespace {

const std::string kSumA = sha256_hex("a listing");
const std::string kSumB = sha256_hex("another");

TEST(ListingRecord, SavedRecordIsWhatSha256sumChecks) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("index.html", "a listing"));
  ASSERT_TRUE(tmp.write("sub/index.html", "another"));
  ASSERT_TRUE(tmp.write("odd\\name\nhere.html", "a listing"));
  listing_record record;
  std::string err;
  ASSERT_TRUE(record.load(tmp.path(), &err)) << err;
  record.set("index.html", kSumA);
  record.set("sub/index.html", kSumB);
  record.set("odd\\name\nhere.html", kSumA);
  ASSERT_TRUE(record.save(&err)) << err;
  const std::string cmd = "cd '" + tmp.path() +
                          "' && sha256sum --quiet -c .dirgen-listings";
  EXPECT_EQ(std::system(cmd.c_str()), 0);

  listing_record again;
  ASSERT_TRUE(again.load(tmp.path(), &err));
  EXPECT_EQ(again.checksum_of("sub/index.html"), kSumB);
  EXPECT_EQ(again.checksum_of("odd\\name\nhere.html"), kSumA);
  EXPECT_EQ(again.checksum_of("missing.html"), "");
  EXPECT_EQ(again.text(), record.text());
}

TEST(ListingRecord, WrittenOnlyWhenItChangesAndForgetsRemovedFiles) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("a.html", "a listing"));
  ASSERT_TRUE(tmp.write(".dirgen-listings",
                        kSumA + "  a.html\n" + kSumB + "  gone.html\n"));
  listing_record record;
  std::string err;
  ASSERT_TRUE(record.load(tmp.path(), &err));
  record.forget_missing();
  EXPECT_EQ(record.text(), kSumA + "  a.html\n");

  // Unchanged content: the file is left as it is (same inode, no rename).
  ASSERT_TRUE(tmp.write(".dirgen-listings", kSumA + "  a.html\n"));
  struct stat before, after;
  ASSERT_EQ(stat(tmp.at(".dirgen-listings").c_str(), &before), 0);
  ASSERT_TRUE(record.load(tmp.path(), &err));
  record.set("a.html", kSumA);
  ASSERT_TRUE(record.save(&err));
  ASSERT_EQ(stat(tmp.at(".dirgen-listings").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(ListingRecord, LinesOutOfFormatAreSkipped) {
  std::string sum, path;
  EXPECT_TRUE(parse_record_line(kSumA + "  x.html", &sum, &path));
  EXPECT_EQ(path, "x.html");
  EXPECT_TRUE(parse_record_line(kSumA + " *bin.html", &sum, &path));
  EXPECT_EQ(path, "bin.html");
  std::string upper = kSumA;
  for (char& c : upper) c = static_cast<char>(std::toupper(c));
  EXPECT_TRUE(parse_record_line(upper + "  x.html", &sum, &path));
  EXPECT_EQ(sum, kSumA);
  EXPECT_FALSE(parse_record_line(kSumA + " x.html", &sum, &path));
  EXPECT_FALSE(parse_record_line(kSumA.substr(1) + "g  x.html", &sum, &path));
  EXPECT_FALSE(parse_record_line(kSumA + "  ", &sum, &path));
  EXPECT_FALSE(parse_record_line("\\" + kSumA + "  bad\\q", &sum, &path));
}

TEST(ListingRecord, AFileIsOwnWhenARecordUpItsFolderChainNamesItsChecksum) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("site/.dirgen-listings", kSumA + "  a/b/i.html\n"));
  ASSERT_TRUE(tmp.write("site/a/.dirgen-listings", kSumB + "  b/j.html\n"));
  ASSERT_TRUE(tmp.write(".dirgen-listings", kSumA + "  site/a/b/k.html\n"));
  std::map<std::string, listing_record> records;
  const std::string top = tmp.at("site");
  const std::string folder = tmp.at("site/a/b");
  EXPECT_TRUE(is_recorded_listing(top, folder, "i.html", kSumA, &records));
  EXPECT_FALSE(is_recorded_listing(top, folder, "i.html", kSumB, &records));
  EXPECT_TRUE(is_recorded_listing(top, folder, "j.html", kSumB, &records));
  // A record above the top does not count.
  EXPECT_FALSE(is_recorded_listing(top, folder, "k.html", kSumA, &records));
  EXPECT_FALSE(is_recorded_listing(folder, folder, "i.html", kSumA, &records));
}

}  // namespace
