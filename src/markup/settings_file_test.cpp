#include "markup/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "markup/kvparser.h"

namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "dgset.XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  std::string read(const std::string& name) {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // "key=v1|v2;key2=..." in table order.
  static std::string dump(kvhash_array& table) {
    std::string out;
    table.begin_iteration();
    kvval key;
    kvarr* list;
    while (table.next(&key, &list)) {
      out += key.str() + "=";
      for (int32_t i = 0; i < list->size(); ++i) {
        out += (i ? "|" : "") + (*list)[i].str();
      }
      out += ";";
    }
    return out;
  }
  std::string load(const std::string& text, bool* ok = nullptr) {
    write("in.txt", text);
    kvhash_array table;
    std::string err;
    bool loaded = load_settings_file(kvval(path("in.txt").c_str()), &table, &err);
    if (ok) *ok = loaded;
    return loaded ? dump(table) : err;
  }

  fs::path dir_;
};

TEST_F(SettingsFile, LoadsKeyShapedElements) {
  const std::pair<const char*, const char*> cases[] = {
      {"<source>C:\\data</source>\r\n<Mask>*.htm</Mask>\r\n",
       "mask=*.htm;source=C:\\data;"},
      {"<a>x &amp; y</a>", "a=x & y;"},
      {"<a><![CDATA[x &amp; y]]></a>", "a=x &amp; y;"},
      {"<a></a><b/>", ""},
      {"<list>\r\n<a>x</a>\r\n</list>", "a=x;"},
      {"<a>1</a><a>2</a><c><b>3</b>\n</c>", "a=1|2;b=3;"},
      {"<a>x<b>y</b></a>", "b=y;"},
      {"<k>line1\r\nline2\rline3</k>", "k=line1\nline2\nline3;"},
      {"<k>&#233;&#xE9;</k>", "k=\xE9\xE9;"},
  };
  for (const auto& [text, table] : cases) {
    bool ok = false;
    EXPECT_EQ(load(text, &ok), table) << text;
    EXPECT_TRUE(ok) << text;
  }
}

TEST_F(SettingsFile, ReportsMarkupErrorsWithLineAndColumn) {
  const std::pair<const char*, const char*> cases[] = {
      {"<a>x</a>\r\n<b>y",
       "Line: 2, column: 5\r\nNear by: \"\"\r\n"
       "Error: unclosed tag.\r\n"},
      {"<a>x</a>\n<b>y</c>\n",
       "Line: 2, column: 9\r\nNear by: \"</c>\"\r\n"
       "Error: misplaced end tag.\r\n"},
  };
  for (const auto& [text, report] : cases) {
    bool ok = true;
    EXPECT_EQ(load(text, &ok), report) << text;
    EXPECT_FALSE(ok);
  }
}

TEST_F(SettingsFile, FailedLoadKeepsTheTable) {
  write("bad.txt", "<a>1</a><b>");
  kvhash_array table;
  table.add("old", "v");
  std::string err;
  EXPECT_FALSE(load_settings_file(kvval(path("bad.txt").c_str()), &table, &err));
  EXPECT_EQ(dump(table), "old=v;");
}

TEST_F(SettingsFile, MissingFileNamesThePath) {
  kvhash_array table;
  std::string err;
  std::string missing = path("missing.txt");
  EXPECT_FALSE(load_settings_file(kvval(missing.c_str()), &table, &err));
  EXPECT_EQ(err, "Can't open file " + missing);
}

TEST_F(SettingsFile, LargeFileHitsTheSizeLimit) {
  std::string big = "<a>" + std::string(kMaxQueuedMarkup, 'x') + "</a>";
  std::string report = load(big);
  EXPECT_NE(report.find("Error: size exceeded.\r\n"), std::string::npos);
}

TEST_F(SettingsFile, SavesKeysInOrderEscaped) {
  kvhash_array table;
  table.add("b", "1");
  table.add("a", "x<y & \"z\"");
  table.add("a", kvval(7));
  table.add("B", "\xE9\xC3\xA9");
  std::string err;
  ASSERT_TRUE(save_settings_file(kvval(path("out.txt").c_str()), table, &err));
  EXPECT_EQ(read("out.txt"),
            "<B>&#233;\xC3\xA9</B>\r\n"
            "<a>x&lt;y &amp; &quot;z&quot;</a>\r\n<a>7</a>\r\n"
            "<b>1</b>\r\n");
  kvhash_array back;
  ASSERT_TRUE(load_settings_file(kvval(path("out.txt").c_str()), &back, &err));
  EXPECT_EQ(dump(back),
            "a=x<y & \"z\"|7;b=\xE9\xC3\xA9|1;");  // names fold
}

TEST_F(SettingsFile, FailedSaveLeavesTheOldFile) {
  kvhash_array table;
  table.add("k", "new");
  std::string err;
  std::string missing = path("no/such/folder/out.txt");
  EXPECT_FALSE(save_settings_file(kvval(missing.c_str()), table, &err));
  EXPECT_EQ(err, "Can't write " + missing + ": No such file or directory");
  // A target that cannot be replaced (a folder) fails and leaves no
  // temporary file behind.
  fs::create_directory(path("sub"));
  EXPECT_FALSE(save_settings_file(kvval(path("sub").c_str()), table, &err));
  EXPECT_EQ(err, "Can't write " + path("sub") + ": Is a directory");
  EXPECT_EQ(
      std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
  if (geteuid() != 0) {  // root writes into read-only folders
    write("old.txt", "<k>old</k>\r\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(
        save_settings_file(kvval(path("old.txt").c_str()), table, &err));
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(read("old.txt"), "<k>old</k>\r\n");
  }
}

TEST_F(SettingsFile, SaveReplacesAndKeepsPermissions) {
  write("s.txt", "<k>old</k>\r\n<z>gone</z>\r\n");
  chmod(path("s.txt").c_str(), 0640);
  kvhash_array table;
  table.add("k", "new");
  std::string err;
  ASSERT_TRUE(save_settings_file(kvval(path("s.txt").c_str()), table, &err));
  EXPECT_EQ(read("s.txt"), "<k>new</k>\r\n");
  struct stat st;
  ASSERT_EQ(stat(path("s.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
