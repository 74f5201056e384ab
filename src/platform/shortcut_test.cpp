#include "platform/shortcut.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "support/scratch_folder.h"

namespace {

TEST(Shortcut, LnkNamesBecomeDesktopFiles) {
  EXPECT_EQ(desktop_file_path("/m/Kovix Dirgen 2.0.lnk"),
            "/m/Kovix Dirgen 2.0.desktop");
  EXPECT_EQ(desktop_file_path("/m/Help.LNK"), "/m/Help.desktop");
  EXPECT_EQ(desktop_file_path("/m/a.desktop"), "/m/a.desktop");
  EXPECT_EQ(desktop_file_path("/m/plain"), "/m/plain.desktop");
}

TEST(Shortcut, ExecArgumentsAreQuotedOnlyWhenNeeded) {
  struct Case {
    const char* arg;
    const char* quoted;
  };
  const Case cases[] = {
      {"/opt/Kovix/kdgn20", "/opt/Kovix/kdgn20"},
      {"", "\"\""},
      {"/my dir/prog", "\"/my dir/prog\""},
      {"50%", "50%%"},
      {"a\"b", "\"a\\\"b\""},
      {"$HOME`x`", "\"\\$HOME\\`x\\`\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"it's;(1)", "\"it's;(1)\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    EXPECT_EQ(desktop_exec_argument(c.arg), c.quoted);
  }
  // String escaping comes on top: one backslash in a quoted argument is
  // four in the file.
  EXPECT_EQ(desktop_string_escape(desktop_exec_argument("a\\b")),
            "\"a\\\\\\\\b\"");
  EXPECT_EQ(desktop_string_escape("two\nlines\t"), "two\\nlines\\t");
}

// desktop-file-validate's verdict on file ("" when it accepts it), or
// "<absent>" when the tool is not installed.
std::string validation_errors(const std::string& file) {
  if (system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
    return "<absent>";
  std::string command = "desktop-file-validate '" + file + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  int status = pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    output += "(exit status " + std::to_string(status) + ")";
  return output;
}

TEST(Shortcut, ProgramShortcutIsAValidDesktopEntry) {
  scratch_folder dir;
  std::filesystem::create_directories(dir.at("Kovix Dirgen"));
  dir.write("kdgn20", "#!/bin/sh\n", 0755);
  std::string link = dir.at("Kovix Dirgen/Kovix Dirgen 2.0.lnk");
  ASSERT_TRUE(
      create_shortcut(kvval(link.c_str()), kvval(dir.at("kdgn20").c_str()),
                      kvval("my list.dgn"), kvval(dir.at("kdgn20").c_str()),
                      0, 5, kvval(dir.path().c_str())));
  std::string file = dir.at("Kovix Dirgen/Kovix Dirgen 2.0.desktop");
  EXPECT_EQ(dir.read("Kovix Dirgen/Kovix Dirgen 2.0.desktop"),
            "[Desktop Entry]\nType=Application\nName=Kovix Dirgen 2.0\n"
            "Exec=" +
                dir.at("kdgn20") +
                " \"my list.dgn\"\n"
                "Icon=" +
                dir.at("kdgn20") + "\nPath=" + dir.path() +
                "\n"
                "Terminal=false\n");
  std::string errors = validation_errors(file);
  if (errors == "<absent>") GTEST_SKIP() << "desktop-file-validate absent";
  EXPECT_EQ(errors, "");
}

TEST(Shortcut, DocumentShortcutOpensWithXdgOpen) {
  scratch_folder dir;
  dir.write("help.html", "<html></html>");
  std::filesystem::create_directories(dir.at("install dir $1"));
  dir.write("install dir $1/help.html", "<html></html>");
  ASSERT_TRUE(
      create_shortcut(kvval(dir.at("Help.lnk").c_str()),
                      kvval(dir.at("install dir $1/help.html").c_str()),
                      kvval(""), kvval(""), 0, 5, kvval("")));
  EXPECT_EQ(dir.read("Help.desktop"),
            "[Desktop Entry]\nType=Application\nName=Help\n"
            "Exec=xdg-open \"" +
                dir.at("install dir \\\\$1/help.html") +
                "\"\nTerminal=false\n");
  std::string errors = validation_errors(dir.at("Help.desktop"));
  if (errors == "<absent>") GTEST_SKIP() << "desktop-file-validate absent";
  EXPECT_EQ(errors, "");
}

TEST(Shortcut, FailsWhenTheFileCannotBeWritten) {
  scratch_folder dir;
  EXPECT_FALSE(create_shortcut(kvval(dir.at("no/such/folder/x.lnk").c_str()),
                               kvval("/bin/true"), kvval(""), kvval(""), 0, 5,
                               kvval("")));
  EXPECT_FALSE(create_shortcut(kvval(dir.at("x.lnk").c_str()), kvval(""),
                               kvval(""), kvval(""), 0, 5, kvval("")));
}

}  // namespace
