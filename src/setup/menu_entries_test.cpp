#include "setup/menu_entries.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/scratch_folder.h"

namespace {

TEST(MenuEntries, ExecArgumentsAreQuotedOnlyWhenNeeded) {
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

TEST(MenuEntries, ProgramAndManualEntriesAreValidDesktopEntries) {
  scratch_folder dir;
  std::string inst = dir.path() + "/my apps $1/DGN2/";
  dir.write("dirgen.desktop", desktop_entry_text(program_entry(inst)));
  dir.write("dirgen-manual.desktop", desktop_entry_text(manual_entry(inst)));
  EXPECT_EQ(dir.read("dirgen.desktop"),
            "[Desktop Entry]\nType=Application\nName=Dirgen\n"
            "Comment=Make a listing of a folder or an archive from a "
            "template\n"
            "Exec=\"" +
                dir.path() +
                "/my apps \\\\$1/DGN2/kdgn20\"\n"
                "Icon=dirgen\nPath=" +
                inst +
                "\n"
                "Categories=Utility;FileTools;\nStartupWMClass=Dirgen\n"
                "Terminal=false\n");
  EXPECT_EQ(dir.read("dirgen-manual.desktop"),
            "[Desktop Entry]\nType=Application\nName=Dirgen Manual\n"
            "Comment=Read how to make listings and write styles with "
            "Dirgen\n"
            "Exec=xdg-open \"" +
                dir.path() +
                "/my apps \\\\$1/DGN2/help.html\"\n"
                "Icon=dirgen\nCategories=Utility;Documentation;\n"
                "Terminal=false\n");
  for (const char* name : {"dirgen.desktop", "dirgen-manual.desktop"}) {
    std::string errors = validation_errors(dir.at(name));
    if (errors == "<absent>") GTEST_SKIP() << "desktop-file-validate absent";
    EXPECT_EQ(errors, "") << name;
  }
}

// The package's entries (installed by cmake --install) say what the
// installer's say; only the program's and the manual's paths differ.
TEST(MenuEntries, PackageEntriesMatchTheInstallersEntries) {
  const char* root = std::getenv("DIRGEN_SOURCE_ROOT");
  ASSERT_NE(root, nullptr);
  auto without_paths = [](std::string text) {
    std::string kept, line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
      if (line.rfind("Exec=", 0) != 0 && line.rfind("Path=", 0) != 0)
        kept += line + "\n";
    }
    return kept;
  };
  struct {
    const char* file;
    desktop_entry entry;
  } cases[] = {{"dirgen.desktop", program_entry("/i/")},
               {"dirgen-manual.desktop.in", manual_entry("/i/")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::ifstream in(std::string(root) + "/packaging/" + c.file);
    std::stringstream package;
    package << in.rdbuf();
    EXPECT_EQ(without_paths(package.str()),
              without_paths(desktop_entry_text(c.entry)));
  }
}

}  // namespace
