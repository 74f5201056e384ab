#include "listing/listing_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

struct written {
  std::string err;
  bool changed = false;
  std::string checksum;
  std::string old_checksum;
};

// Writes pieces as the new version of name in folder, asking for the old
// file's checksum when checksum_old.
written write_listing(const std::string& folder, const std::string& name,
                      const std::vector<std::string>& pieces,
                      bool checksum_old = false) {
  written w;
  int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  listing_writer out;
  bool ok = out.prepare(fd, folder, name, {}, checksum_old, &w.err);
  w.old_checksum = out.old_checksum();
  for (size_t i = 0; ok && i < pieces.size(); ++i) {
    ok = out.write(pieces[i], &w.err);
  }
  ok = ok && out.finish(&w.err) && out.commit(&w.err);
  close(fd);
  w.changed = out.changed();
  w.checksum = ok ? out.checksum() : "";
  return w;
}

size_t entries_in(const std::string& folder) {
  size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    (void)e;
    ++n;
  }
  return n;
}

TEST(ListingWriter, SameContentLeavesTheFileUntouched) {
  scratch_folder tmp;
  const std::string big(listing_writer::kCompareBlock * 2 + 5, 'x');
  ASSERT_TRUE(tmp.write("list.html", "head" + big + "tail"));
  const struct timespec t = {1000000000, 0};
  const struct timespec times[2] = {t, t};
  ASSERT_EQ(utimensat(AT_FDCWD, tmp.at("list.html").c_str(), times, 0), 0);
  struct stat before;
  ASSERT_EQ(stat(tmp.at("list.html").c_str(), &before), 0);
  // Pieces cut across the comparison blocks.
  written w = write_listing(tmp.path(), "list.html", {"he", "ad" + big, "tail"});
  EXPECT_EQ(w.err, "");
  EXPECT_FALSE(w.changed);
  EXPECT_EQ(w.checksum, sha256_hex("head" + big + "tail"));
  struct stat after;
  ASSERT_EQ(stat(tmp.at("list.html").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(entries_in(tmp.path()), 1u);
}

TEST(ListingWriter, AnyDifferenceReplacesTheFileWhole) {
  scratch_folder tmp;
  const std::string big(listing_writer::kCompareBlock + 17, 'y');
  struct change {
    const char* what;
    std::string old_text;
    std::vector<std::string> pieces;
  };
  const std::vector<change> changes = {
      {"late byte", big + "abc", {big, "abd"}},
      {"first byte", "abc", {"x", "bc"}},
      {"longer", "abc", {"ab", "cd"}},
      {"shorter", big + "abc", {big, "ab"}},
      {"empty now", "abc", {}},
      {"no old file", "", {"new"}},
  };
  for (const change& c : changes) {
    SCOPED_TRACE(c.what);
    scratch_folder dir;
    if (!c.old_text.empty() || std::string(c.what) != "no old file") {
      ASSERT_TRUE(dir.write("list.html", c.old_text));
    }
    written w = write_listing(dir.path(), "list.html", c.pieces);
    EXPECT_EQ(w.err, "");
    EXPECT_TRUE(w.changed);
    std::string expected;
    for (const std::string& p : c.pieces) expected += p;
    EXPECT_EQ(dir.read("list.html"), expected);
    EXPECT_EQ(w.checksum, sha256_hex(expected));
    EXPECT_EQ(entries_in(dir.path()), 1u);
  }
}

// Bytes this process has read from files so far.
int64_t bytes_read() {
  std::ifstream io("/proc/self/io");
  std::string key;
  int64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

TEST(ListingWriter, OldFileIsReadOnceForItsChecksumAndTheComparison) {
  const std::string big(1 << 20, 'o');
  struct change {
    const char* what;
    std::vector<std::string> pieces;
  };
  const std::vector<change> changes = {
      {"same", {big.substr(0, 1000), big.substr(1000)}},
      {"last byte", {big.substr(0, big.size() - 1), "x"}},
      {"longer", {big, "more"}},
      {"shorter", {big.substr(0, 300000)}},
  };
  for (const change& c : changes) {
    SCOPED_TRACE(c.what);
    scratch_folder tmp;
    ASSERT_TRUE(tmp.write("list.html", big));
    const int64_t before = bytes_read();
    ASSERT_GE(before, 0);
    written w = write_listing(tmp.path(), "list.html", c.pieces, true);
    const int64_t read = bytes_read() - before;
    EXPECT_EQ(w.err, "");
    EXPECT_EQ(w.old_checksum, sha256_hex(big));
    EXPECT_EQ(w.changed, std::string(c.what) != "same");
    std::string expected;
    for (const std::string& p : c.pieces) expected += p;
    EXPECT_EQ(tmp.read("list.html"), expected);
    EXPECT_GE(read, static_cast<int64_t>(big.size()));
    EXPECT_LT(read, static_cast<int64_t>(big.size() + big.size() / 4));
  }
}

TEST(ListingWriter, OldFilesTooLargeToHoldAreComparedAllTheSame) {
  scratch_folder tmp;
  const std::string huge(listing_writer::kHeldOld + 3, 'h');
  ASSERT_TRUE(tmp.write("list.html", huge));
  written w = write_listing(tmp.path(), "list.html", {huge}, true);
  EXPECT_EQ(w.err, "");
  EXPECT_FALSE(w.changed);
  EXPECT_EQ(w.old_checksum, sha256_hex(huge));
  w = write_listing(tmp.path(), "list.html", {huge.substr(1), "h!"}, true);
  EXPECT_TRUE(w.changed);
  EXPECT_EQ(w.old_checksum, sha256_hex(huge));
  EXPECT_EQ(tmp.read("list.html"), huge + "!");
  EXPECT_EQ(entries_in(tmp.path()), 1u);
  // Without an old file there is nothing to checksum.
  w = write_listing(tmp.path(), "new.html", {"new"}, true);
  EXPECT_EQ(w.old_checksum, "");
  EXPECT_TRUE(w.changed);
}

TEST(ListingWriter, EmptyListingWithNoOldFileIsCreated) {
  scratch_folder tmp;
  written w = write_listing(tmp.path(), "list.html", {});
  EXPECT_TRUE(w.changed);
  EXPECT_EQ(tmp.read("list.html"), "");
  w = write_listing(tmp.path(), "list.html", {});
  EXPECT_FALSE(w.changed);
}

}  // namespace
