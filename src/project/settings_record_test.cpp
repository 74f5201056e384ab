#include "project/settings_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

std::string text_of(settings_record* p, const char* key) {
  variant* field = settings_field(p, key);
  return field == nullptr ? "<no field>" : field->str();
}

TEST(ProjectDefaults, EveryFieldHasItsDefault) {
  const int64_t before = current_utc_seconds();
  settings_record p;
  const int64_t after = current_utc_seconds();
  const std::vector<std::pair<const char*, const char*>> expected = {
      {"source", "0"},
      {"path", ""},
      {"save", "index.html"},
      {"mask", "*"},
      {"skip_files", ""},
      {"folder_include", "*"},
      {"folder_skip", ""},
      {"subfolders", "0"},
      {"subfolders_in_one_file", "0"},
      {"date_format", "%c"},
      {"is_gmt_date", "0"},
      {"order_files", "0"},
      {"sort_order", "0"},
      {"show_summary", "0"},
      {"show_folders", "1"},
      {"image_dir", ""},
      {"size_units", "0"},
      {"format", "download.txt"},
      {"url_html_escape", "0"},
      {"time_filter", "0"},
      {"size_filter", "0"},
      {"size_start", "0"},
      {"size_end", "1048576"},
  };
  for (const auto& [key, value] : expected) {
    EXPECT_EQ(text_of(&p, key), value) << key;
  }
  for (variant* t : {&p.time_start, &p.time_end}) {
    EXPECT_GE(t->as_int64(), before);
    EXPECT_LE(t->as_int64(), after);
    EXPECT_EQ(t->str(), std::to_string(t->as_int64()));
  }
}

TEST(ProjectDefaults, ResetRestoresDefaultsAfterChanges) {
  settings_record p;
  p.mask = variant("*.txt");
  p.show_folders = variant(false);
  p.time_start = time_value(5);
  p.reset_settings();
  EXPECT_EQ(p.mask.str(), "*");
  EXPECT_TRUE(p.show_folders.as_bool());
  EXPECT_GT(p.time_start.as_int64(), 5);
}

TEST(ProjectSave, DefaultsWriteEverySortedLineAndLoadBackUnchanged) {
  std::string err;
  scratch_folder dir;
  settings_record p;
  p.time_start = time_value(4102444800);  // 2100-01-01, beyond 32 bits
  ASSERT_TRUE(p.save_settings(variant(dir.at("a.dgn").c_str()), &err));

  const std::string ts = p.time_start.str();
  const std::string te = p.time_end.str();
  const std::string expected =
      "<base_url></base_url>\r\n"
      "<date_format>%c</date_format>\r\n"
      "<folder_include>*</folder_include>\r\n"
      "<folder_skip></folder_skip>\r\n"
      "<format>download.txt</format>\r\n"
      "<image_dir></image_dir>\r\n"
      "<is_gmt_date>0</is_gmt_date>\r\n"
      "<mask>*</mask>\r\n"
      "<order_files>0</order_files>\r\n"
      "<path></path>\r\n"
      "<replace_existing>0</replace_existing>\r\n"
      "<save>index.html</save>\r\n"
      "<show_folders>1</show_folders>\r\n"
      "<show_summary>0</show_summary>\r\n"
      "<size_end>1048576</size_end>\r\n"
      "<size_filter>0</size_filter>\r\n"
      "<size_start>0</size_start>\r\n"
      "<size_units>0</size_units>\r\n"
      "<skip_files></skip_files>\r\n"
      "<sort_order>0</sort_order>\r\n"
      "<source>0</source>\r\n"
      "<subfolders>0</subfolders>\r\n"
      "<subfolders_in_one_file>0</subfolders_in_one_file>\r\n"
      "<time_end>" +
      te +
      "</time_end>\r\n"
      "<time_filter>0</time_filter>\r\n"
      "<time_start>4102444800</time_start>\r\n"
      "<title></title>\r\n"
      "<url_html_escape>0</url_html_escape>\r\n";
  EXPECT_EQ(read_file(dir.at("a.dgn")), expected);

  settings_record q;
  q.time_end = time_value(1);
  ASSERT_TRUE(q.load_settings(variant(dir.at("a.dgn").c_str()), &err));
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const char* key = settings_field_key(i);
    EXPECT_EQ(text_of(&q, key), text_of(&p, key)) << key;
  }
  EXPECT_EQ(q.time_start.as_int64(), 4102444800LL);
  EXPECT_EQ(q.time_end.str(), te);
}

TEST(ProjectSave, EscapesMarkupAndStrayHighBytes) {
  std::string err;
  scratch_folder dir;
  settings_record p;
  p.path = variant("a&b<c>");
  p.save = variant("\xE9.html");
  ASSERT_TRUE(p.save_settings(variant(dir.at("e.dgn").c_str()), &err));
  const std::string text = read_file(dir.at("e.dgn"));
  EXPECT_NE(text.find("<path>a&amp;b&lt;c&gt;</path>\r\n"), std::string::npos);
  EXPECT_NE(text.find("<save>&#233;.html</save>\r\n"), std::string::npos);

  settings_record q;
  ASSERT_TRUE(q.load_settings(variant(dir.at("e.dgn").c_str()), &err));
  EXPECT_EQ(q.path.str(), "a&b<c>");
  EXPECT_EQ(q.save.str(), "\xE9.html");
}

TEST(ProjectSave, MissingFolderFailsAndExistingFileIsReplaced) {
  std::string err;
  scratch_folder dir;
  settings_record p;
  EXPECT_FALSE(p.save_settings(variant(dir.at("none/x.dgn").c_str()), &err));

  write_file(dir.at("old.dgn"), std::string(5000, 'x'));
  ASSERT_TRUE(p.save_settings(variant(dir.at("old.dgn").c_str()), &err));
  const std::string text = read_file(dir.at("old.dgn"));
  EXPECT_EQ(text.rfind("<base_url>", 0), 0u);
  EXPECT_EQ(text.find("xx"), std::string::npos);
}

struct LoadCase {
  const char* name;
  const char* file;
  const char* key;
  const char* value;
};

TEST(ProjectLoad, FileContentsGiveFieldTexts) {
  std::string err;
  const LoadCase cases[] = {
      {"only mask", "<mask>*.htm</mask>", "mask", "*.htm"},
      {"missing flag keeps its default", "<mask>*.htm</mask>", "show_folders",
       "1"},
      {"missing size keeps its default", "<mask>*.htm</mask>", "size_end",
       "1048576"},
      {"missing text keeps its default", "<mask>*.htm</mask>", "date_format",
       "%c"},
      {"empty element is empty", "<date_format></date_format>", "date_format",
       ""},
      {"self-closed element is empty", "<format/>", "format", ""},
      {"first occurrence wins", "<mask>*.a</mask>\r\n<mask>*.b</mask>", "mask",
       "*.a"},
      {"names fold to lower case", "<Mask>*.htm</Mask>", "mask", "*.htm"},
      {"upper-case name", "<SAVE>out.html</SAVE>", "save", "out.html"},
      {"entity", "<path>C:\\a&amp;b</path>", "path", "C:\\a&b"},
      {"character reference", "<path>&#233;</path>", "path", "\xE9"},
      {"hex character reference", "<path>&#x41;</path>", "path", "A"},
      {"cdata is kept as is", "<path><![CDATA[x &amp; <y>]]></path>", "path",
       "x &amp; <y>"},
      {"nested element", "<project><mask>*.c</mask></project>", "mask", "*.c"},
      {"empty element adds nothing", "<mask></mask><mask>*.d</mask>", "mask",
       "*.d"},
      {"comment ignored", "<!-- <mask>no</mask> --><mask>*.e</mask>", "mask",
       "*.e"},
      {"containers are no keys", "<settings><mask>*.f</mask></settings>",
       "mask", "*.f"},
      {"big time", "<time_end>4102444800</time_end>", "time_end", "4102444800"},
  };
  scratch_folder dir;
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    write_file(dir.at("in.dgn"), c.file);
    settings_record p;
    ASSERT_TRUE(p.load_settings(variant(dir.at("in.dgn").c_str()), &err));
    variant* field = settings_field(&p, c.key);
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->is_text());
    EXPECT_EQ(field->str(), c.value);
  }
}

TEST(ProjectLoad, LoadedNumbersKeepTheirTexts) {
  std::string err;
  scratch_folder dir;
  write_file(dir.at("n.dgn"),
             "<size_end> 12 </size_end><order_files>4</order_files>"
             "<time_end>4102444800</time_end>");
  settings_record p;
  ASSERT_TRUE(p.load_settings(variant(dir.at("n.dgn").c_str()), &err)) << err;
  EXPECT_EQ(p.size_end.as_int(), 12);
  EXPECT_EQ(p.order_files.as_int(), 4);
  EXPECT_TRUE(p.show_folders.as_bool());           // absent: the default
  EXPECT_GT(p.time_start.as_int64(), 1700000000);  // absent: now
  EXPECT_EQ(p.time_end.as_int64(), 4102444800LL);
}

// What a user is told for each file that is refused; the record then keeps
// its defaults.
TEST(ProjectLoad, RefusedFilesSayWhereAndWhy) {
  scratch_folder dir;
  const std::string s = dir.at("site.txt");
  const std::pair<std::string, std::string> cases[] = {
      {"<path>/srv/www</path>\r\n<sav>files.html</sav>\r\n",
       "Unknown key \"sav\" in " + s + " line 2; did you mean \"save\"?"},
      {"<mask>*</mask>\n<subfolder_in_one_file/>",
       "Unknown key \"subfolder_in_one_file\" in " + s +
           " line 2; did you mean \"subfolders_in_one_file\"?"},
      // A later unknown key refuses the file as well.
      {"<mask>*</mask><colour>red</colour>",
       "Unknown key \"colour\" in " + s + " line 1."},
      {"\n\n<subfolders>yes</subfolders>",
       "Bad value \"yes\" for subfolders in " + s +
           " line 3: it is not a number; subfolders takes 0 or 1."},
      {"<size_units>1Kb</size_units>",
       "Bad value \"1Kb\" for size_units in " + s +
           " line 1: it has \"Kb\" after the number; size_units takes 0 "
           "(bytes), 1 (Kb), 2 (Mb), 3 (human, decimal) or 4 (human, "
           "binary)."},
      {"", "Can't read " + s +
               " file. It holds no settings (no <key>value</key> element)."},
      {"<!-- nothing -->\n", "Can't read " + s +
                                 " file. It holds no settings (no "
                                 "<key>value</key> element)."},
      {std::string("\xFF\xFE<\0m\0a\0s\0k\0>\0", 14),
       "Can't read " + s +
           " file. It is UTF-16 text; a settings file is "
           "UTF-8 text."},
      {"<mask>*", "Can't read " + s +
                      " file. The markup is in error: Line: 1, column: "
                      "7; Near by: \"\"; Error: unclosed tag."},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    write_file(s, text);
    settings_record p;
    p.mask = variant("*.changed");
    std::string err;
    EXPECT_FALSE(p.load_settings(variant(s.c_str()), &err));
    EXPECT_EQ(err, message);
    EXPECT_EQ(p.mask.str(), "*");
  }
}

TEST(ProjectLoad, FailuresLeaveDefaults) {
  std::string err;
  scratch_folder dir;
  write_file(dir.at("open.dgn"), "<mask>*");
  const std::vector<std::string> bad = {dir.at("open.dgn"),
                                        dir.at("missing.dgn"), dir.path()};
  for (const std::string& path : bad) {
    SCOPED_TRACE(path);
    settings_record p;
    p.mask = variant("*.changed");
    p.time_start = time_value(7);
    EXPECT_FALSE(p.load_settings(variant(path.c_str()), &err));
    EXPECT_EQ(err.rfind("Can't read " + path + " file. ", 0), 0u) << err;
    EXPECT_EQ(p.mask.str(), "*");
    EXPECT_EQ(p.save.str(), "index.html");
    EXPECT_GT(p.time_start.as_int64(), 7);
  }
}

}  // namespace
