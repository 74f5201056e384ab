#include "listing/tar_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "listing/archive_fixture_test_util.h"

namespace {

// Reads bytes as a tar file; the shape, or "FALSE" when reading fails.
std::string read_shape(const std::string& bytes, kvfile_tree* tree) {
  archive_scratch dir;
  if (!read_tar(kvval(dir.write("a.tar", bytes).c_str()), tree)) {
    return "FALSE";
  }
  return archive_shape(*tree);
}

std::string shape_of_bytes(const std::string& bytes) {
  kvfile_tree tree;
  return read_shape(bytes, &tree);
}

const std::string kPosix(
    "ustar\0"
    "00",
    8);

}  // namespace

TEST(TarReader, PlacesEntriesUnderFoldersReadBefore) {
  struct {
    std::vector<std::string> names;
    std::string want;
  } cases[] = {
      {{"dir/", "dir/f.txt"}, "dir(f.txt)"},
      {{"a/b/c.txt"}, "a/b/c.txt"},  // folders without entries stay in name
      {{"ab/", "abc/x.txt", "ab/y"}, "ab(y),abc/x.txt"},
      {{"a/", "a/b/", "a/b/c", "a/d"}, "a(b(c),d)"},
      // A top-level folder "a/b" read first is the first match.
      {{"a/b/", "a/", "a/b/c"}, "a/b(c),a"},
      {{"./", "./x", "./s/", "./s/y"}, ".(x,s(y))"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shape_of_bytes(tar_of(c.names)), c.want);
  }
}

TEST(TarReader, FillsSizesTimesAndValidity) {
  kvfile_tree tree;
  std::string bytes =
      tar_block({.name = "d/", .type = '5', .mtime = 77}) +
      tar_member({.name = "d/new", .mtime = 4102444800}, "xyz") +
      tar_block({.name = "bad", .bad_checksum = true}) + tar_end();
  ASSERT_EQ(read_shape(bytes, &tree), "d(new),bad!");
  const kvfile_node* d = find_node(tree, "d");
  EXPECT_EQ(d->is_folder, 1);
  EXPECT_EQ(d->time, 0);  // folder times are not read
  const kvfile_node* f = find_node(tree, "new");
  EXPECT_EQ(f->size.kind(), KV_REAL);
  EXPECT_EQ(f->size.as_real(), 3.0);
  EXPECT_EQ(f->time, 4102444800);
  EXPECT_EQ(f->valid, 1);
}

TEST(TarReader, BlockLengthsDecideValidity) {
  std::string one = tar_member({.name = "one"}, "1");  // exactly 2 blocks
  std::string two = tar_member({.name = "two"}, "22");
  struct {
    std::string bytes;
    std::string want;
  } cases[] = {
      {"", ""},                // zero-length file: empty archive
      {one + two, "one,two"},  // a 1-byte entry uses one data block
      {one + tar_block({.name = "two", .size = 2}) + "22", "one,two"},
      {one + tar_block({.name = "two", .size = 3}) + "22", "FALSE"},
      {one.substr(0, 300), "FALSE"},  // short header
      {tar_block({.name = "big", .size = 1 << 20}) + tar_end(), "FALSE"},
      {one + tar_end() + "trailing junk", "one"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shape_of_bytes(c.bytes), c.want) << c.bytes.size();
  }
  kvfile_tree tree;
  EXPECT_FALSE(read_tar(kvval("/nonexistent/x.tar"), &tree));
}

TEST(TarReader, LongNamesPrefixesAndPaxHeadersGiveFullEntries) {
  std::string long_name = std::string(150, 'n') + ".txt";
  std::string pax_path = "p/" + std::string(120, 'q');
  std::string pax =
      "30 mtime=4102444800.123456789\n"
      "12 size=100\n" +
      std::to_string(10 + pax_path.size()) + " path=" + pax_path + "\n";
  std::string bytes =
      tar_block({.name = "p/", .type = '5'}) +
      tar_member({.name = "x.txt", .magic = kPosix, .prefix = "p/deep"}, "x") +
      tar_member({.name = "././@LongLink", .type = 'L'}, long_name + '\0') +
      tar_member({.name = "././@LongLink", .type = 'K'}, "target") +
      tar_member({.name = "cut", .type = '2'}, "") +
      tar_member({.name = "glob", .type = 'g'}, "20 comment=ignored\n") +
      tar_member({.name = "PaxHeader", .type = 'x'}, pax) +
      tar_member({.name = "short"}, std::string(100, 'd')) +
      tar_member({.name = "plain"}, "") + tar_end();
  kvfile_tree tree;
  ASSERT_EQ(read_shape(bytes, &tree), "p(deep/x.txt," + std::string(120, 'q') +
                                          ")," + long_name + ",plain");
  const kvfile_node* q = find_node(tree, std::string(120, 'q'));
  EXPECT_EQ(q->size.as_real(), 100.0);
  EXPECT_EQ(q->time, 4102444800);
  EXPECT_EQ(find_node(tree, "plain")->time, 1000);  // overrides are spent
}

TEST(TarReader, Base256SizeOfHugeEntry) {
  archive_scratch dir;
  const int64_t size = int64_t{5} << 30;
  std::string path =
      dir.write("big.tar",
                tar_block({.name = "big", .size = size, .base256_size = true}));
  // A sparse file: the data blocks read as zeros without taking space.
  ASSERT_EQ(truncate(path.c_str(), 512 + size + 512), 0);
  kvfile_tree tree;
  ASSERT_TRUE(read_tar(kvval(path.c_str()), &tree));
  ASSERT_EQ(archive_shape(tree), "big");
  EXPECT_EQ(tree.root()->size.as_real(), 5368709120.0);
}
