#include "text/nearest_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(EditDistance, CountsEachKindOfSlipOnce) {
  EXPECT_EQ(edit_distance("save", "save"), 0);
  EXPECT_EQ(edit_distance("sav", "save"), 1);    // dropped
  EXPECT_EQ(edit_distance("saave", "save"), 1);  // doubled
  EXPECT_EQ(edit_distance("sabe", "save"), 1);   // wrong key
  EXPECT_EQ(edit_distance("nmae", "name"), 1);   // swapped neighbours
  EXPECT_EQ(edit_distance("", "mask"), 4);
  EXPECT_EQ(edit_distance("mask", ""), 4);
  EXPECT_EQ(edit_distance("kitten", "sitting"), 3);
  EXPECT_EQ(edit_distance("ab", "ba"), 1);
  EXPECT_EQ(edit_distance("abc", "ca"), 3);  // no edit twice on one place
}

const std::vector<std::string_view> kKeys = {
    "source",     "path",       "save",
    "mask",       "subfolders", "subfolders_in_one_file",
    "size_start", "size_end"};

TEST(NearestName, FindsLikelySlipsAndNothingForOtherWords) {
  EXPECT_EQ(nearest_name("sav", kKeys), "save");
  EXPECT_EQ(nearest_name("Save", kKeys), "save");
  EXPECT_EQ(nearest_name("subfolder_in_one_file", kKeys),
            "subfolders_in_one_file");
  EXPECT_EQ(nearest_name("sub_folders", kKeys), "subfolders");
  EXPECT_EQ(nearest_name("size_stat", kKeys), "size_start");
  EXPECT_EQ(nearest_name("colour", kKeys), "");
  EXPECT_EQ(nearest_name("x", kKeys), "");
  EXPECT_EQ(nearest_name("", kKeys), "");
  EXPECT_EQ(nearest_name("sav", {}), "");
}

TEST(NearestName, ClosestWinsAndTiesGoToTheFirstListed) {
  EXPECT_EQ(nearest_name("pash", kKeys), "path");  // path 1, mask 2
  EXPECT_EQ(nearest_name("cat", {"bat", "cot"}), "bat");
  EXPECT_EQ(nearest_name("cat", {"cot", "bat"}), "cot");
}

}  // namespace
