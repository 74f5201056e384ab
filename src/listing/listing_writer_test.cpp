#include "listing/listing_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

struct written {
  std::string err;
  bool changed = false;
  std::string checksum;
};

// Writes pieces as the new version of name in folder.
written write_listing(const std::string& folder, const std::string& name,
                      const std::vector<std::string>& pieces) {
  written w;
  int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  listing_writer out;
  bool ok = out.prepare(fd, folder, name, {}, &w.err);
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

TEST(ListingWriter, EmptyListingWithNoOldFileIsCreated) {
  scratch_folder tmp;
  written w = write_listing(tmp.path(), "list.html", {});
  EXPECT_TRUE(w.changed);
  EXPECT_EQ(tmp.read("list.html"), "");
  w = write_listing(tmp.path(), "list.html", {});
  EXPECT_FALSE(w.changed);
}

}  // namespace
