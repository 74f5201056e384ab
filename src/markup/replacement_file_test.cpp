#include "markup/replacement_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace {

size_t entries_in(const std::string& folder) {
  size_t n = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    (void)e;
    ++n;
  }
  return n;
}

// Replaces name in folder with bytes; "" on success, else the reason.
std::string replace(const std::string& folder, const std::string& name,
                    const std::string& bytes) {
  int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
  replacement_file out;
  std::string err;
  bool ok = out.open(fd, folder, name, {}, &err) && out.write(bytes, &err) &&
            out.finish(&err) && out.commit(&err);
  close(fd);
  return ok ? "" : err;
}

TEST(ReplacementFile, FollowsLinksToTheFileTheyNameWhereverItIs) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.make_folder("site"));
  ASSERT_TRUE(tmp.make_folder("real"));
  ASSERT_TRUE(tmp.write("real/page.html", "old"));
  ASSERT_EQ(symlink("../real/page.html", tmp.at("site/index.html").c_str()), 0);
  ASSERT_EQ(symlink("nothing-yet.html", tmp.at("site/new.html").c_str()), 0);
  EXPECT_EQ(replace(tmp.at("site"), "index.html", "new"), "");
  EXPECT_EQ(read_file(tmp.at("real/page.html")), "new");
  EXPECT_EQ(replace(tmp.at("site"), "new.html", "made"), "");  // dangling
  EXPECT_EQ(read_file(tmp.at("site/nothing-yet.html")), "made");
  struct stat st;
  ASSERT_EQ(lstat(tmp.at("site/index.html").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(entries_in(tmp.at("site")), 3u);
  EXPECT_EQ(entries_in(tmp.at("real")), 1u);
}

TEST(ReplacementFile, RefusesLoopsFoldersAndKeptFilesLeavingNothing) {
  scratch_folder tmp;
  ASSERT_EQ(symlink("b", tmp.at("a").c_str()), 0);
  ASSERT_EQ(symlink("a", tmp.at("b").c_str()), 0);
  ASSERT_TRUE(tmp.make_folder("dir"));
  ASSERT_TRUE(tmp.write("archive.tar", "data"));
  EXPECT_EQ(replace(tmp.path(), "a", "x"), "Too many levels of symbolic links");
  EXPECT_EQ(replace(tmp.path(), "dir", "x"), "Is a directory");

  struct stat st;
  ASSERT_EQ(stat(tmp.at("archive.tar").c_str(), &st), 0);
  std::string err;
  int dir = open(tmp.path().c_str(), O_PATH | O_DIRECTORY);
  replacement_file out;
  const std::vector<kept_file> keep = {
      {{st.st_dev, st.st_ino}, "the source archive"}};
  replace_options options;
  options.keep = &keep;
  EXPECT_FALSE(out.open(dir, tmp.path(), "archive.tar", options, &err));
  close(dir);
  EXPECT_EQ(err, "the source archive");
  EXPECT_EQ(read_file(tmp.at("archive.tar")), "data");
  EXPECT_EQ(entries_in(tmp.path()), 4u);
}

TEST(ReplacementFile, LongestNamesAndLargeWritesWork) {
  scratch_folder tmp;
  const std::string name(255, 'n');
  const std::string big(replacement_file::kBlockSize * 2 + 7, 'b');
  std::string bytes = "small,";
  EXPECT_EQ(replace(tmp.path(), name, bytes + big + "end"), "");
  EXPECT_EQ(read_file(tmp.at(name)), bytes + big + "end");
  EXPECT_EQ(entries_in(tmp.path()), 1u);
}

TEST(ReplacementFile, DiscardedOrDestroyedReplacementLeavesTheOldFile) {
  scratch_folder tmp;
  ASSERT_TRUE(tmp.write("out.html", "old"));
  int dir = open(tmp.path().c_str(), O_PATH | O_DIRECTORY);
  std::string err;
  {
    replacement_file out;
    ASSERT_TRUE(out.open(dir, tmp.path(), "out.html", {}, &err));
    ASSERT_TRUE(out.write("new", &err));
    ASSERT_TRUE(out.finish(&err));
  }
  close(dir);
  EXPECT_EQ(read_file(tmp.at("out.html")), "old");
  EXPECT_EQ(entries_in(tmp.path()), 1u);
}

}  // namespace

namespace {

TEST(ReplacementFile, TemporaryNamesCarryTheTargetAndTheProcess) {
  pid_t pid = 0;
  EXPECT_TRUE(is_temporary_name(".index.html.dirgen-1234-aB3xY9", &pid));
  EXPECT_EQ(pid, 1234);
  EXPECT_TRUE(is_temporary_name("..dirgen-listings.dirgen-7-zzzzzz", &pid));
  EXPECT_EQ(pid, 7);
  for (const char* name :
       {"index.html.dirgen-1234-aB3xY9", ".index.html.dirgen--aB3xY9",
        ".index.html.dirgen-1234-aB3x", ".index.html.dirgen-12a4-aB3xY9",
        ".index.html.dirgen-1234-aB3x!9", ".dirgen-listings",
        ".index.html.dirgen-aB3xY9", ".x.dirgen-1234567890123-abcdef"}) {
    EXPECT_FALSE(is_temporary_name(name, nullptr)) << name;
  }
}

// A pid that no process has: a child that has ended and been reaped.
pid_t ended_pid() {
  pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

TEST(ReplacementFile, StaleTemporaryFilesOfEndedProcessesAreCleared) {
  scratch_folder tmp;
  const std::string dead = std::to_string(ended_pid());
  const std::string alive = std::to_string(getppid());
  const std::vector<std::string> stale = {".list.html.dirgen-" + dead +
                                          "-abcdef"};
  const std::vector<std::string> kept = {
      ".list.html.dirgen-" + alive + "-abcdef",    // its process runs
      ".other.html.dirgen-" + dead + "-abcdef",    // another target's
      ".list.html.dirgen-" + dead + "-abc",        // not the pattern
      "list.html.dirgen-" + dead + "-abcdef",      // no leading dot
      ".list.html.x.dirgen-" + dead + "-abcdef"};  // another name
  for (const auto& n : stale) ASSERT_TRUE(tmp.write(n, "x"));
  for (const auto& n : kept) ASSERT_TRUE(tmp.write(n, "x"));
  replacement_file out;
  std::string err;
  ASSERT_TRUE(out.prepare(tmp.at("list.html"), {}, &err)) << err;
  EXPECT_EQ(out.clear_stale_temporaries(), 1);
  EXPECT_EQ(read_file(tmp.at(stale[0])), "<missing>");
  for (const auto& n : kept) EXPECT_EQ(read_file(tmp.at(n)), "x") << n;
}

TEST(ReplacementFile, TemporaryFileIsNamedForTheTargetAndThisProcess) {
  scratch_folder tmp;
  replacement_file out;
  std::string err;
  ASSERT_TRUE(out.open(tmp.at("list.html"), {}, &err)) << err;
  std::string found;
  for (const auto& e : std::filesystem::directory_iterator(tmp.path())) {
    found = e.path().filename().string();
  }
  pid_t pid = 0;
  EXPECT_TRUE(is_temporary_name(found, &pid)) << found;
  EXPECT_EQ(pid, getpid());
  EXPECT_EQ(found.rfind(".list.html.dirgen-", 0), 0u) << found;
}

// Runs command as the unprivileged user nobody.
int as_nobody(const std::string& command) {
  const std::string cmd =
      "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c '" + command +
      "'";
  return std::system(cmd.c_str());
}

TEST(ReplacementFile, LinksOfOtherUsersAreFollowedOnlyInTheirOwnFolders) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  scratch_folder tmp;
  ASSERT_EQ(chmod(tmp.path().c_str(), 0755), 0);
  // A shared folder like /tmp, and a folder that belongs to nobody.
  ASSERT_TRUE(tmp.make_folder("shared"));
  ASSERT_EQ(chmod(tmp.at("shared").c_str(), 01777), 0);
  ASSERT_TRUE(tmp.make_folder("theirs"));
  ASSERT_EQ(chown(tmp.at("theirs").c_str(), 65534, 65534), 0);
  ASSERT_TRUE(tmp.write("notes.txt", "root's notes"));
  ASSERT_EQ(chmod(tmp.at("notes.txt").c_str(), 0666), 0);
  ASSERT_EQ(as_nobody("ln -s " + tmp.at("notes.txt") + " " +
                      tmp.at("shared/list.html") + " && ln -s " +
                      tmp.at("notes.txt") + " " + tmp.at("theirs/list.html")),
            0);

  std::string err;
  {
    replacement_file out;
    EXPECT_FALSE(out.open(tmp.at("shared/list.html"), {}, &err));
  }
  EXPECT_NE(err.find("symbolic link of another user (uid 65534)"),
            std::string::npos)
      << err;
  EXPECT_EQ(read_file(tmp.at("notes.txt")), "root's notes");
  EXPECT_EQ(entries_in(tmp.at("shared")), 1u);

  // The folder's owner may point their links where they like.
  {
    replacement_file out;
    ASSERT_TRUE(out.open(tmp.at("theirs/list.html"), {}, &err)) << err;
    ASSERT_TRUE(out.write("listing", &err) && out.finish(&err) &&
                out.commit(&err));
  }
  EXPECT_EQ(read_file(tmp.at("notes.txt")), "listing");
  // So may the user writing; not following a link replaces it anyway.
  ASSERT_EQ(symlink(tmp.at("notes.txt").c_str(), tmp.at("shared/mine").c_str()),
            0);
  {
    replacement_file out;
    EXPECT_TRUE(out.open(tmp.at("shared/mine"), {}, &err)) << err;
  }
  replace_options no_follow;
  no_follow.follow_links = false;
  replacement_file out;
  EXPECT_TRUE(out.open(tmp.at("shared/list.html"), no_follow, &err)) << err;
}

}  // namespace
