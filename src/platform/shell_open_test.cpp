#include "platform/shell_open.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/scratch_folder.h"

namespace {

using Args = std::vector<std::string>;

TEST(DocumentCommand, ExecuteCutsAtTheFirstBlankOnly) {
  struct Case {
    const char* operation;
    const char* target;
    Args argv;
  };
  const Case cases[] = {
      {"execute", "notepad /a b.txt", {"notepad", "/a b.txt"}},
      {"execute", "prog  two  blanks ", {"prog", " two  blanks "}},
      {"execute", "prog \"quoted\" 'x'", {"prog", "\"quoted\" 'x'"}},
      {"execute", "prog", {"prog"}},
      {"execute", "prog ", {"prog"}},
      {"execute", "/my docs/run", {"/my", "docs/run"}},
      {"open", "/my docs/a b.html", {"xdg-open", "/my docs/a b.html"}},
      {"Execute", "prog x", {"xdg-open", "prog x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.operation) + " " + c.target);
    EXPECT_EQ(document_command(c.operation, c.target), c.argv);
  }
}

// A program that writes its arguments, one a line, to a file named "args"
// beside it (renamed into place once complete).
std::string recorder(const scratch_folder& dir, const std::string& name) {
  dir.write(name,
            "#!/bin/sh\n"
            "out=\"$(dirname \"$0\")/args\"\n"
            "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
            "mv \"$out.tmp\" \"$out\"\n",
            0755);
  return dir.at(name);
}

// The recorded arguments, once the started program has written them (the
// program runs on its own, so this waits for the file, at most ~30 s).
std::string recorded_args(const scratch_folder& dir) {
  for (int i = 0; i < 3000; ++i) {
    if (std::filesystem::exists(dir.at("args"))) return dir.read("args");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "<never written>";
}

TEST(OpenDocument, ExecuteStartsTheProgramWithTheParameterTextAsOneArgument) {
  std::string err;
  scratch_folder dir;
  std::string program = recorder(dir, "record");
  ASSERT_TRUE(open_document(
      kvval("execute"), kvval((program + " a b.txt; $HOME 'q'").c_str()), &err))
      << err;
  EXPECT_EQ(recorded_args(dir), "a b.txt; $HOME 'q'\n");
}

TEST(OpenDocument, OpenHandsTheWholeTargetToXdgOpen) {
  std::string err;
  scratch_folder dir;
  recorder(dir, "xdg-open");
  std::string path = dir.path() + ":" + (getenv("PATH") ? getenv("PATH") : "");
  scoped_env env("PATH", path.c_str());
  ASSERT_TRUE(
      open_document(kvval("open"), kvval("/my docs/list ing.html"), &err))
      << err;
  EXPECT_EQ(recorded_args(dir), "/my docs/list ing.html\n");
}

TEST(OpenDocument, FailsWhenNothingCanBeStarted) {
  std::string err;
  scratch_folder dir;
  dir.write("not-executable", "#!/bin/sh\n", 0644);
  EXPECT_FALSE(open_document(kvval("execute"), kvval(""), &err));
  EXPECT_FALSE(open_document(kvval("open"), kvval(""), &err));
  EXPECT_EQ(err, "nothing to open");
  EXPECT_FALSE(open_document(
      kvval("execute"), kvval((dir.at("missing") + " x").c_str()), &err));
  EXPECT_FALSE(open_document(
      kvval("execute"), kvval(dir.at("not-executable").c_str()), &err));
  EXPECT_EQ(err, "cannot start " + dir.at("not-executable") +
                     ": Permission denied");
  scoped_env env("PATH", dir.path().c_str());  // no xdg-open on it
  EXPECT_FALSE(open_document(kvval("open"), kvval("/tmp"), &err));
}

}  // namespace
