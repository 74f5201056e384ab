#include "project/data_tables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

std::string name_of(const name_table& table, const char* key) {
  const variant* v = table.find(key);
  return v == nullptr ? "<none>" : v->str();
}

std::vector<std::string> list_texts(const loaded_table& table,
                                    const char* key) {
  std::vector<std::string> out;
  const value_list* list = table.table.list(key);
  if (list == nullptr) return out;
  for (int32_t i = 0; i < list->size(); ++i) out.push_back((*list)[i].str());
  return out;
}

// A kvdata folder with the catalogue and lookup tables written by the test.
class FormatterTables : public ::testing::Test {
 protected:
  void SetUp() override {
    write_file(dir_.at("ext2descr.txt"),
               "<txt>Text file</txt>\r\n<HTML>Page &amp; more</HTML>\r\n");
    write_file(dir_.at("ext2img.txt"), "<txt>text.gif</txt>\r\n");
    write_file(dir_.at("type2descr.txt"),
               "<folder>Folder</folder><other>File</other>");
    write_file(dir_.at("type2img.txt"), "<image>image.gif</image>");
  }
  void write_styles(const std::string& text) {
    write_file(dir_.at("styles.txt"), text);
  }
  void load() { f_.load_tables(variant(dir_.path().c_str())); }

  scratch_folder dir_;
  data_tables f_;
};

TEST(Formatter, NameTablesHoldTheDisplayNames) {
  data_tables f;
  EXPECT_EQ(f.order_names.size(), 5);
  EXPECT_EQ(name_of(f.order_names, "0"), "Unsorted");
  EXPECT_EQ(name_of(f.order_names, "2"), "Extension");
  EXPECT_EQ(name_of(f.order_names, "4"), "Date");
  EXPECT_EQ(name_of(f.direction_names, "1"), "Descending");
  EXPECT_EQ(name_of(f.unit_names, "0"), "Bytes");
  EXPECT_EQ(name_of(f.unit_names, "2"), "Mb");
  EXPECT_EQ(f.number_format.num_digits, 0);
  EXPECT_EQ(f.number_format.grouping, 3);
  EXPECT_EQ(f.styles.table.size(), 0);
}

TEST_F(FormatterTables, LoadsEveryTableWithFoldedNamesAndExpandedText) {
  write_styles(
      "<Style_Name>Plain</Style_Name><style_file>plain.txt</style_file>"
      "<style_description>One link per line.</style_description>\r\n"
      "<style_name>Table</style_name><STYLE_FILE>table.html</STYLE_FILE>"
      "<style_description>Name &lt;and&gt; size</style_description>\r\n"
      "<author>nobody</author>\r\n");
  load();
  EXPECT_EQ(list_texts(f_.ext_descriptions, "html"),
            std::vector<std::string>{"Page & more"});
  EXPECT_EQ(list_texts(f_.ext_images, "txt"),
            std::vector<std::string>{"text.gif"});
  EXPECT_EQ(list_texts(f_.type_descriptions, "other"),
            std::vector<std::string>{"File"});
  EXPECT_EQ(list_texts(f_.type_images, "image"),
            std::vector<std::string>{"image.gif"});
  EXPECT_EQ(f_.style_names(), (std::vector<std::string>{"Plain", "Table"}));
  EXPECT_EQ(f_.style_format(1).str(), "table.html");
  EXPECT_EQ(f_.style_description(1).str(), "Name <and> size");
  EXPECT_EQ(list_texts(f_.styles, "author"),
            std::vector<std::string>{"nobody"});
}

TEST_F(FormatterTables, StyleChoiceEdgeCases) {
  write_styles(
      "<style_name>A</style_name><style_file>same.txt</style_file>"
      "<style_name>B</style_name><style_file>same.txt</style_file>"
      "<style_name>C</style_name>");
  load();
  ASSERT_EQ(f_.style_names().size(), 3u);
  // Nothing chosen gives the empty text.
  EXPECT_TRUE(f_.style_format(-1).is_text());
  EXPECT_EQ(f_.style_format(-1).str(), "");
  // A style without its own file name reads as the integer 0, every time,
  // and the catalogue is not changed by reading it.
  EXPECT_EQ(f_.style_format(2).kind(), VARIANT_INT);
  EXPECT_EQ(f_.style_format(2).str(), "0");
  EXPECT_EQ(f_.style_format(2).str(), "0");
  EXPECT_EQ(list_texts(f_.styles, "style_file").size(), 2u);
  EXPECT_EQ(f_.style_position(variant("0")), -1);
  // Equal file names: the first position wins; comparison is byte for byte.
  EXPECT_EQ(f_.style_position(variant("same.txt")), 0);
  EXPECT_EQ(f_.style_position(variant("SAME.txt")), -1);
  EXPECT_EQ(f_.style_position(variant("")), -1);
  // No description list at all.
  EXPECT_EQ(f_.style_description(0).str(), "");
}

TEST_F(FormatterTables, UnreadableFilesLeaveEmptyTablesWithMessages) {
  write_styles("<style_name>Broken");  // never closed
  std::remove(dir_.at("ext2img.txt").c_str());
  load();
  EXPECT_EQ(f_.styles.table.size(), 0);
  EXPECT_TRUE(f_.style_names().empty());
  EXPECT_EQ(f_.style_format(0).str(), "");
  EXPECT_EQ(f_.style_position(variant("plain.txt")), -1);
  EXPECT_FALSE(f_.styles.message.str().empty());
  EXPECT_EQ(f_.ext_images.table.size(), 0);
  EXPECT_EQ(f_.ext_images.message.str(),
            "Can't open file " + dir_.at("ext2img.txt"));
  EXPECT_EQ(f_.ext_descriptions.table.size(), 2);  // the others still load
}

TEST(Formatter, MissingDataFolderGivesEmptyTables) {
  scratch_folder dir;
  data_tables f;
  const std::string folder = dir.at("kvdata");
  f.load_tables(variant(folder.c_str()));
  for (const loaded_table* t :
       {&f.ext_descriptions, &f.ext_images, &f.type_descriptions,
        &f.type_images, &f.styles}) {
    EXPECT_EQ(t->table.size(), 0);
    EXPECT_EQ(t->message.str().rfind("Can't open file " + folder + "/", 0), 0u);
  }
  EXPECT_TRUE(f.style_names().empty());
}

TEST(Formatter, ShippedDataFolderLoadsACompleteCatalogue) {
  const char* root = std::getenv("DIRGEN_SOURCE_ROOT");
  if (root == nullptr) GTEST_SKIP() << "DIRGEN_SOURCE_ROOT is not set";
  data_tables f;
  f.load_tables(variant((std::string(root) + "/kvdata").c_str()));
  for (const loaded_table* t :
       {&f.ext_descriptions, &f.ext_images, &f.type_descriptions,
        &f.type_images, &f.styles}) {
    EXPECT_GT(t->table.size(), 0) << t->message.str();
  }
  const size_t n = f.style_names().size();
  ASSERT_GT(n, 0u);
  EXPECT_EQ(list_texts(f.styles, "style_file").size(), n);
  EXPECT_EQ(list_texts(f.styles, "style_description").size(), n);
  // The settings default template is in the catalogue.
  EXPECT_GE(f.style_position(variant("download.txt")), 0);
}

TEST(LocalImagesPath, JoinsFolderAndImagesAsFileUrl) {
  const std::pair<const char*, const char*> cases[] = {
      {"/opt/x/", "file:///opt/x/images"},
      {"", "file://images"},
      {"C:\\Tools\\", "file://C:/Tools/images"},
  };
  for (const auto& [folder, url] : cases) {
    variant result(7);
    local_images_path(variant(folder), &result);
    EXPECT_TRUE(result.is_text());
    EXPECT_EQ(result.str(), url) << folder;
  }
}

}  // namespace
