#include "markup/replacement_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
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

// The content of name in the folder open as dir, or "<missing>".
std::string read_at(int dir, const std::string& name) {
  const int fd = openat(dir, name.c_str(), O_RDONLY);
  if (fd < 0) return "<missing>";
  std::string bytes;
  char buffer[256];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return bytes;
}

TEST(ReplacementFile, StagedReplacementsHoldNoDescriptorWhateverTheirPath) {
  scratch_folder tmp;
  std::string path;
  const int deep =
      make_nested_folders(tmp.path(), std::string(250, 's'), 33, &path);
  ASSERT_GE(deep, 0);
  ASSERT_GT(path.size(), 8000u);
  for (const char* name : {"kept.html", "replaced.html"}) {
    const int fd = openat(deep, name, O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "old", 3), 3);
    close(fd);
  }
  // More than the open-file limit allows descriptors for.
  const int before = open_descriptors();
  const size_t registered = registered_temporary_files();
  constexpr int kStaged = 1100;
  std::vector<std::unique_ptr<replacement_file>> staged;
  std::string err;
  for (int i = 0; i < kStaged; ++i) {
    const std::string name = i == 0   ? "replaced.html"
                             : i == 1 ? "kept.html"
                                      : "new" + std::to_string(i) + ".html";
    staged.push_back(std::make_unique<replacement_file>());
    ASSERT_TRUE(staged.back()->open(deep, path, name, {}, &err)) << err;
    ASSERT_TRUE(staged.back()->write("new", &err) && staged.back()->finish(&err))
        << err;
  }
  EXPECT_EQ(open_descriptors(), before);
  EXPECT_EQ(registered_temporary_files(), registered + kStaged);
  ASSERT_TRUE(staged[0]->commit(&err)) << err;
  staged[1]->discard();
  for (int i = 2; i < kStaged; i += 2) ASSERT_TRUE(staged[i]->commit(&err));
  staged.clear();  // the rest are let go
  EXPECT_EQ(registered_temporary_files(), registered);
  EXPECT_EQ(read_at(deep, "replaced.html"), "new");
  EXPECT_EQ(read_at(deep, "kept.html"), "old");
  EXPECT_EQ(read_at(deep, "new2.html"), "new");
  EXPECT_EQ(read_at(deep, "new3.html"), "<missing>");
  // Nothing else is left: the old files and the committed half.
  DIR* d = fdopendir(deep);
  size_t entries = 0;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") ++entries;
  }
  closedir(d);
  EXPECT_EQ(entries, 2u + (kStaged - 2) / 2);
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
