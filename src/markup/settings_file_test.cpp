#include "markup/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// The unprivileged account a root test run drops to, where a read-only
// folder must stop a save as it stops any user's.
constexpr uid_t kNobody = 65534;

class SettingsFile : public ::testing::Test {
 protected:
  std::string path(const std::string& name) { return dir_.at(name); }
  void write(const std::string& name, const std::string& text) {
    ASSERT_TRUE(dir_.write(name, text));
  }
  std::string read(const std::string& name) { return dir_.read(name); }
  // "key=v1|v2;key2=..." in table order.
  static std::string dump(list_table& table) {
    std::string out;
    table.begin_iteration();
    variant key;
    value_list* list;
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
    list_table table;
    std::string err;
    bool loaded =
        load_settings_file(variant(path("in.txt").c_str()), &table, &err);
    if (ok) *ok = loaded;
    return loaded ? dump(table) : err;
  }

  // Saves table over name while the folder is read-only and the file itself
  // writable, so only the replacement can fail. Root writes into read-only
  // folders, so as root the save runs in a child that has become kNobody
  // (the folder and file handed to it) first. True when the save failed.
  bool save_fails_in_read_only_folder(const std::string& name,
                                      list_table& table) {
    bool as_root = geteuid() == 0;
    if (as_root && (chown(dir_.path().c_str(), kNobody, kNobody) != 0 ||
                    chown(path(name).c_str(), kNobody, kNobody) != 0)) {
      ADD_FAILURE() << "cannot hand the folder to uid " << kNobody;
      return false;
    }
    chmod(dir_.path().c_str(), 0500);
    bool failed;
    std::string err;
    if (!as_root) {
      failed = !save_settings_file(variant(path(name).c_str()), table, &err);
    } else {
      pid_t child = fork();
      if (child == 0) {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
        _exit(save_settings_file(variant(path(name).c_str()), table, &err) ? 0
                                                                           : 1);
      }
      int status = 0;
      failed = child > 0 && waitpid(child, &status, 0) == child &&
               WIFEXITED(status) && WEXITSTATUS(status) == 1;
    }
    chmod(dir_.path().c_str(), 0700);
    return failed;
  }

  scratch_folder dir_;
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
  list_table table;
  table.add("old", "v");
  std::string err;
  EXPECT_FALSE(
      load_settings_file(variant(path("bad.txt").c_str()), &table, &err));
  EXPECT_EQ(dump(table), "old=v;");
}

TEST_F(SettingsFile, MissingFileNamesThePath) {
  list_table table;
  std::string err;
  std::string missing = path("missing.txt");
  EXPECT_FALSE(load_settings_file(variant(missing.c_str()), &table, &err));
  EXPECT_EQ(err, "Can't open file " + missing);
}

TEST_F(SettingsFile, SavesKeysInOrderEscaped) {
  list_table table;
  table.add("b", "1");
  table.add("a", "x<y & \"z\"");
  table.add("a", variant(7));
  table.add("B", "\xE9\xC3\xA9");
  std::string err;
  ASSERT_TRUE(
      save_settings_file(variant(path("out.txt").c_str()), table, &err));
  EXPECT_EQ(read("out.txt"),
            "<B>&#233;\xC3\xA9</B>\r\n"
            "<a>x&lt;y &amp; &quot;z&quot;</a>\r\n<a>7</a>\r\n"
            "<b>1</b>\r\n");
  list_table back;
  ASSERT_TRUE(
      load_settings_file(variant(path("out.txt").c_str()), &back, &err));
  EXPECT_EQ(dump(back),
            "a=x<y & \"z\"|7;b=\xE9\xC3\xA9|1;");  // names fold
}

TEST_F(SettingsFile, FailedSaveLeavesTheOldFile) {
  list_table table;
  table.add("k", "new");
  std::string err;
  std::string missing = path("no/such/folder/out.txt");
  EXPECT_FALSE(save_settings_file(variant(missing.c_str()), table, &err));
  EXPECT_NE(err.find("no/such/folder"), std::string::npos) << err;
  // A target that cannot be replaced (a folder) fails and leaves no
  // temporary file behind.
  fs::create_directory(path("sub"));
  EXPECT_FALSE(save_settings_file(variant(path("sub").c_str()), table, &err));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()),
                          fs::directory_iterator()),
            1);
  // A folder where no replacement can be made leaves the old file as it was.
  write("old.txt", "<k>old</k>\r\n");
  EXPECT_TRUE(save_fails_in_read_only_folder("old.txt", table));
  EXPECT_EQ(read("old.txt"), "<k>old</k>\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()),
                          fs::directory_iterator()),
            2);
}

TEST_F(SettingsFile, SaveReplacesAndKeepsPermissionsAndLinks) {
  write("s.txt", "<k>old</k>\r\n<z>gone</z>\r\n");
  chmod(path("s.txt").c_str(), 0640);
  list_table table;
  table.add("k", "new");
  std::string err;
  ASSERT_TRUE(save_settings_file(variant(path("s.txt").c_str()), table, &err));
  EXPECT_EQ(read("s.txt"), "<k>new</k>\r\n");
  struct stat st;
  ASSERT_EQ(stat(path("s.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Saved through a link (a dotfile kept elsewhere), the file it names is
  // replaced and the link still leads to it.
  ASSERT_EQ(symlink("s.txt", path("link.txt").c_str()), 0);
  table.add("k", "again");
  ASSERT_TRUE(
      save_settings_file(variant(path("link.txt").c_str()), table, &err))
      << err;
  EXPECT_EQ(read("s.txt"), "<k>new</k>\r\n<k>again</k>\r\n");
  ASSERT_EQ(lstat(path("link.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

}  // namespace
