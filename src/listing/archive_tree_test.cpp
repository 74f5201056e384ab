#include "listing/archive_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/archive_fixture_test_util.h"

namespace {

// Adds each path ("name/" a folder) at time 1000; returns the shape.
std::string shape_of_paths(const std::vector<std::string>& paths) {
  file_tree tree;
  archive_tree places(&tree);
  for (const std::string& p : paths) {
    if (!p.empty() && p.back() == '/') {
      places.add_folder(p, 1000);
    } else {
      places.add_file(p, 1, 1000);
    }
  }
  places.finish();
  return archive_shape(tree);
}

}  // namespace

TEST(ArchiveTree, PathsArePlacedUnderOneFolderPerName) {
  struct {
    std::vector<std::string> paths;
    std::string want;
  } cases[] = {
      {{"./", "./x", "./s/", "./s/y"}, "x,s(y)"},
      {{"/abs/f.txt", "//abs//g"}, "abs(f.txt,g)"},
      {{"a//b", "a/./c", "a/./", "./"}, "a(b,c)"},
      {{"a/b/c.txt"}, "a(b(c.txt))"},
      {{"ab/", "abc/x.txt", "ab/y"}, "ab(y),abc(x.txt)"},
      {{"d/", "d/f", "d/", "e/g", "d/h"}, "d(f,h),e(g)"},
      {{"d/f", "d/"}, "d(f)"},
      // A file and a folder may share a name; files are never merged.
      {{"f", "f/g", "x", "x"}, "f,f(g),x,x"},
      // ".." is a name like any other: nothing climbs out or moves.
      {{"../up/x", "a/../b"}, "..(up(x)),a(..(b))"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shape_of_paths(c.paths), c.want) << c.want;
  }
}

TEST(ArchiveTree, FoldersKeepTheirStoredTimeElseTheNewestBelowThem) {
  file_tree tree;
  archive_tree places(&tree);
  places.add_file("a/b/old", 0, 100);
  places.add_file("a/b/new", 0, 300);
  places.add_folder("a/c/", 500);  // a stored folder time counts too
  places.add_folder("e/", 50);     // stored: kept though older
  places.add_file("e/f", 0, 900);
  places.add_file("g/h", 0, 700);
  places.add_folder("g", 40);  // stored after its contents
  places.finish();
  ASSERT_EQ(archive_shape(tree), "a(b(old,new),c),e(f),g(h)");
  EXPECT_EQ(find_node(tree, "a")->time, 500);
  EXPECT_EQ(find_node(tree, "b")->time, 300);
  EXPECT_EQ(find_node(tree, "e")->time, 50);
  EXPECT_EQ(find_node(tree, "g")->time, 40);
}

TEST(ArchiveTree, SizesOfFourGiBAndMoreAreKept) {
  file_tree tree;
  archive_tree places(&tree);
  places.add_file("small", 2147483647, 0);
  places.add_file("big", int64_t{5} << 30, 0);
  places.finish();
  EXPECT_EQ(find_node(tree, "small")->size, 2147483647);
  EXPECT_EQ(find_node(tree, "big")->size, 5368709120);
}

TEST(ArchiveTree, FoldersNestedBeyondTheLimitAreRefused) {
  file_tree tree;
  archive_tree places(&tree);
  std::string deep;
  for (int i = 0; i < 20000; ++i) deep += "a/";  // 20,000 levels: 400 MB
  EXPECT_TRUE(places.add_file(deep.substr(0, 2000) + "f", 1, 0));
  EXPECT_FALSE(places.add_file(deep + "f", 1, 0));
}
