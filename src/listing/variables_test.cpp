#include "listing/variables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "listing/listing_test_util.h"

namespace {

std::vector<std::string> list_of(kvhash_array& vars, const char* name) {
  std::vector<std::string> out;
  kvarr* list = vars.list(name);
  if (!list) return out;
  for (int32_t i = 0; i < list->size(); ++i) out.push_back((*list)[i].str());
  return out;
}

std::string first(kvhash_array& vars, const char* name) {
  std::vector<std::string> values = list_of(vars, name);
  return values.empty() ? "<none>" : values[0];
}

class Variables : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    format_.thousand_sep = ".";
    options_.number_format = &format_;
    options_.date_format = "%Y-%m-%d";
    options_.ext_descriptions = &ext_descr_;
    options_.ext_images = &ext_img_;
    options_.type_descriptions = &type_descr_;
    options_.type_images = &type_img_;
    types_.add_listing("image/gif gif\ntext/plain txt\n");
    options_.types = &types_;
  }

  kvfile_node* add_file(const char* name, const char* ext, kvval size,
                        kvfile_node* parent = nullptr) {
    kvfile_node* n = new_node(name, 0, size, 86400, ext);
    if (parent) {
      tree_.append_child(n, parent);
    } else {
      tree_.append_top(n);
    }
    return n;
  }

  void fill() { fill_variables(&tree_, options_, &vars_); }

  number_format_record format_;
  variable_options options_;
  kvcgi ext_descr_, ext_img_, type_descr_, type_img_;
  content_types types_;
  kvfile_tree tree_;
  kvhash_array vars_;
};

TEST_F(Variables, EmptyTreeHasOnlyTheSummary) {
  fill();
  EXPECT_EQ(vars_.list("all"), nullptr);
  EXPECT_EQ(vars_.list("name_files"), nullptr);
  EXPECT_EQ(vars_.list("counter_folders"), nullptr);
  EXPECT_EQ(first(vars_, "total_files"), "0");
  EXPECT_EQ(first(vars_, "total_folders"), "0");
  EXPECT_EQ(first(vars_, "total_size"), "0");
}

TEST_F(Variables, SizesAreDividedPlusOneAndGrouped) {
  add_file("zero", ".bin", kvval(0));
  add_file("kb", ".bin", kvval(1024));
  add_file("big", ".bin", kvval(1536000));
  options_.size_units = 1;
  options_.unit_label = kvval("Kb");
  fill();
  EXPECT_EQ(list_of(vars_, "size_files"),
            (std::vector<std::string>{"1", "2", "1.501"}));
  EXPECT_EQ(first(vars_, "size_units_files"), "Kb");
  EXPECT_EQ(first(vars_, "total_size"), "1.537.024");
}

TEST_F(Variables, BytesAboveTheIntegerRangeKeepTheirValue) {
  add_file("huge", ".iso", kvval(3221225472.0));
  add_file("more", ".iso", kvval(3221225472.0));
  fill();
  EXPECT_EQ(first(vars_, "size_files"), "3.221.225.472");
  EXPECT_EQ(first(vars_, "total_size"), "6.442.450.944");
}

TEST_F(Variables, DownloadTimesAtTheirBoundaries) {
  struct {
    double bytes;
    const char* shown;
  } cases[] = {{0, "1 sec"},
               {6999, "1 sec"},
               {7000, "2 sec"},
               {419999, "60 sec"},
               {420000, "2 min"},
               {3145728, "8 min"},
               {25200000, "1 h 1 min"},
               {62914560, "2 h 30 min"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(download_time(kvval(static_cast<int>(c.bytes))).str(), c.shown);
  }
}

TEST_F(Variables, DescriptionsFallBackFromExtensionToTypeToOther) {
  ext_descr_.table.add(kvval("gif"), kvval("GIF picture"));
  type_descr_.table.add(kvval("image"), kvval("Some image"));
  type_descr_.table.add(kvval("other"), kvval("Some file"));
  type_img_.table.add(kvval("image"), kvval("image.svg"));
  options_.image_dir = "\\icons";
  // Filling consumes the tree's names, so every case lists a fresh one.
  auto media_of_gif = [&](const char* column) {
    kvfile_tree tree;
    tree.append_top(new_node("a", 0, kvval(1), 0, ".GIF"));
    kvhash_array vars;
    fill_variables(&tree, options_, &vars);
    return first(vars, column);
  };
  EXPECT_EQ(media_of_gif("media_files"), "GIF picture");
  EXPECT_EQ(media_of_gif("image_files"), "/icons/image.svg");
  EXPECT_EQ(media_of_gif("image_dir"), "/icons/");

  ext_descr_.table.clear();
  EXPECT_EQ(media_of_gif("media_files"), "Some image");

  type_descr_.table.clear();
  type_descr_.table.add(kvval("other"), kvval("Some file"));
  EXPECT_EQ(media_of_gif("media_files"), "Some file");

  type_descr_.table.clear();
  type_img_.table.clear();
  EXPECT_EQ(media_of_gif("media_files"), "");
  EXPECT_EQ(media_of_gif("image_files"), "");
}

TEST_F(Variables, FoldersUseTheFolderEntriesOfTheTypeTables) {
  type_descr_.table.add(kvval("folder"), kvval("Folder"));
  type_img_.table.add(kvval("folder"), kvval("folder.svg"));
  options_.image_dir = "img";
  kvfile_node* dir = new_node("docs", 1, kvval(0), 0);
  tree_.append_top(dir);
  add_file("x", ".txt", kvval(5), dir);
  fill();
  EXPECT_EQ(list_of(vars_, "media_all"),
            (std::vector<std::string>{"Folder", "", ""}));
  EXPECT_EQ(list_of(vars_, "image_folders"),
            (std::vector<std::string>{"img/folder.svg"}));
  EXPECT_EQ(list_of(vars_, "size_folders"), (std::vector<std::string>{""}));
  EXPECT_EQ(list_of(vars_, "rel_path_all"),
            (std::vector<std::string>{"", "docs/", ""}));
  EXPECT_EQ(list_of(vars_, "mod2_all"),
            (std::vector<std::string>{"1", "0", "0"}));
}

TEST_F(Variables, TimesFollowTheFormatInGmtOrLocalTime) {
  options_.date_format = "%Y-%m-%d %H:%M";
  auto time_shown = [&](bool gmt) {
    kvfile_tree tree;
    tree.append_top(new_node("a", 0, kvval(1), 86400, ".txt"));
    kvhash_array vars;
    options_.is_gmt_date = gmt;
    fill_variables(&tree, options_, &vars);
    return first(vars, "time_files");
  };
  EXPECT_EQ(time_shown(true), "1970-01-02 00:00");
  setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
  tzset();
  EXPECT_EQ(time_shown(false), "1970-01-01 19:00");
}

TEST_F(Variables, DeepPathsEncodeEveryLevel) {
  kvfile_node* a = new_node("a b", 1);
  tree_.append_top(a);
  kvfile_node* b = new_node("<b>", 1);
  tree_.append_child(b, a);
  add_file("c", ".txt", kvval(1), b);
  fill();
  EXPECT_EQ(first(vars_, "rel_path_files"), "a b/<b>/");
  EXPECT_EQ(first(vars_, "rel_path_html_files"), "a b/&lt;b&gt;/");
  EXPECT_EQ(first(vars_, "url_files"), "a%20b/%3Cb%3E/c.txt");
}

TEST(VariablesHelpers, FormatTimeGivesEmptyTextWhenTheResultDoesNotFit) {
  EXPECT_EQ(format_time(0, true, ""), "");
  EXPECT_EQ(format_time(0, true, "%Y"), "1970");
  EXPECT_EQ(format_time(4102444800LL, true, "%Y"), "2100");  // past 2038
  EXPECT_EQ(normalise_image_dir(""), "");
  EXPECT_EQ(normalise_image_dir("a\\b"), "a/b/");
}

}  // namespace
