#include "listing/folder_chain.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "listing/folder_prefetch.h"
#include "support/scratch_folder.h"

namespace {

// Descriptors this process has open.
int open_descriptors() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (!d) return -1;
  while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
  closedir(d);
  return n - 1;  // the one opendir holds
}

folder_handle open_path(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd < 0 ? nullptr : std::make_shared<const open_folder>(fd);
}

ino_t inode_of(const folder_handle& f) {
  struct stat st;
  return fstat(f->fd(), &st) == 0 ? st.st_ino : 0;
}

// Makes a chain of depth folders named "l" under root.
void make_deep(const std::string& root, int depth) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < depth; ++i) {
    ASSERT_EQ(mkdirat(fd, "l", 0700), 0);
    int next = openat(fd, "l", O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  close(fd);
}

TEST(FolderChain, HoldsBoundedDescriptorsAndFindsEveryLevelOnTheWayBack) {
  scratch_folder tmp;
  const int depth = 150;
  make_deep(tmp.path(), depth);
  const int before = open_descriptors();
  std::vector<ino_t> inodes;
  {
    folder_chain chain(open_path(tmp.path()));
    int error = 0;
    inodes.push_back(inode_of(chain.deepest(&error)));
    for (int i = 0; i < depth; ++i) {
      folder_handle f = open_subfolder(chain.deepest(&error)->fd(), "l", &error);
      ASSERT_TRUE(f) << i;
      inodes.push_back(inode_of(f));
      chain.push("l", std::move(f));
      ASSERT_LE(chain.open_levels(), folder_chain::kMaxOpen + 1);
      ASSERT_LE(open_descriptors() - before, int(folder_chain::kMaxOpen) + 1);
    }
    EXPECT_EQ(chain.depth(), size_t(depth));
    for (int i = depth; i > 0; --i) {
      folder_handle f = chain.deepest(&error);
      ASSERT_TRUE(f) << "level " << i << ": " << error;
      EXPECT_EQ(inode_of(f), inodes[i]) << i;
      f.reset();
      ASSERT_LE(open_descriptors() - before, int(folder_chain::kMaxOpen) + 1);
      chain.pop();
    }
    EXPECT_EQ(inode_of(chain.deepest(&error)), inodes[0]);
  }
  EXPECT_EQ(open_descriptors(), before);
}

TEST(FolderChain, FolderReplacedWhileLetGoIsNotTakenForTheOldOne) {
  scratch_folder tmp;
  make_deep(tmp.path(), 1);
  folder_chain chain(open_path(tmp.path()));
  int error = 0;
  chain.push("l", open_subfolder(chain.deepest(&error)->fd(), "l", &error));
  const std::string below = tmp.path() + "/l";
  // Push until that level is let go, then swap it for another folder.
  std::string path = below;
  for (size_t i = 0; i < folder_chain::kMaxOpen; ++i) {
    ASSERT_EQ(chain.open_levels(), i + 2);
    path += "/l";
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0) << i;
    chain.push("l", open_subfolder(chain.deepest(&error)->fd(), "l", &error));
  }
  ASSERT_EQ(chain.open_levels(), folder_chain::kMaxOpen + 1);
  ASSERT_EQ(rename(below.c_str(), (tmp.path() + "/old").c_str()), 0);
  ASSERT_EQ(mkdir(below.c_str(), 0700), 0);
  while (chain.depth() > 1) chain.pop();
  EXPECT_FALSE(chain.deepest(&error));
  EXPECT_EQ(error, ESTALE);
}

// How a test walk goes besides its helpers: where it stops, how long it
// works on each folder before taking the next, and where it tells how many
// folders it had to read itself.
struct walk_options {
  size_t stop_after = SIZE_MAX;
  std::chrono::milliseconds pause{0};
  int64_t* read_by_walk = nullptr;
};

// Walks the tree under root depth-first through a prefetch with helpers
// threads, as the build does; returns one line per folder taken: its path
// and its entries, or its error.
std::vector<std::string> walk(const std::string& root, int helpers,
                              const walk_options& o = {}) {
  std::vector<std::string> lines;
  folder_handle top = open_path(root);
  folder_chain chain(top);
  folder_prefetch prefetch(helpers, "*");
  struct level {
    std::string path;
    std::vector<std::string> subfolders;
    size_t next = 0;
  };
  std::vector<level> stack;
  auto list = [&](const folder_read& read, const folder_handle& folder,
                  level* l) {
    std::string line = l->path + ":";
    for (const folder_entry& e : read.entries) {
      line += " " + e.name;
      if (S_ISDIR(e.mode) && !e.is_link) l->subfolders.push_back(e.name);
    }
    for (const auto& [name, error] : read.unreadable) {
      line += " !" + name + "=" + std::to_string(error);
    }
    lines.push_back(line);
    prefetch.announce(folder, l->subfolders);
  };
  stack.push_back({".", {}, 0});
  folder_read read;
  int error = 0;
  EXPECT_TRUE(read_folder(top->fd(), "*", &read, &error));
  list(read, top, &stack.back());
  while (!stack.empty() && lines.size() < o.stop_after) {
    level& l = stack.back();
    if (l.next == l.subfolders.size()) {
      stack.pop_back();
      if (!stack.empty()) chain.pop();
      continue;
    }
    const std::string sub = l.subfolders[l.next++];
    level next{l.path + "/" + sub, {}, 0};
    std::this_thread::sleep_for(o.pause);
    prefetched_folder f;
    prefetch.take(sub, &chain, &f);
    if (!f.folder || !f.read_ok) {
      lines.push_back(next.path + ": error " + std::to_string(f.error));
      continue;
    }
    list(f.read, f.folder, &next);
    stack.push_back(std::move(next));
    chain.push(sub, std::move(f.folder));
  }
  if (o.read_by_walk) *o.read_by_walk = prefetch.read_by_walk();
  return lines;
}

TEST(FolderPrefetch, HelpersReadTheSameFoldersInTheSameOrderAsOneThread) {
  scratch_folder tmp;
  // Wide and deep: more subfolders than the read-ahead window, and a
  // branch deeper than the chain keeps open.
  static_assert(48 > 2 * folder_prefetch::kWindow);
  for (int i = 0; i < 48; ++i) {
    const std::string d = "wide/d" + std::to_string(i);
    ASSERT_TRUE(tmp.write(d + "/f" + std::to_string(i % 7)));
    ASSERT_TRUE(tmp.make_folder(d + "/sub/x"));
  }
  std::string deep = "deep";
  for (size_t i = 0; i < folder_chain::kMaxOpen + 10; ++i) {
    deep += "/n" + std::to_string(i % 3);
    ASSERT_TRUE(tmp.write(deep + "/f.txt"));
    ASSERT_TRUE(tmp.make_folder(deep + "/side"));
  }
  ASSERT_EQ(symlink("wide", tmp.at("link").c_str()), 0);
  const int before = open_descriptors();
  const std::vector<std::string> one = walk(tmp.path(), 0);
  EXPECT_EQ(one.size(), 1 + 1 + 48 * 3 + 1 + 42 * 2u);
  for (int helpers : {1, 2, 4}) {
    EXPECT_EQ(walk(tmp.path(), helpers), one) << helpers << " helpers";
  }
  EXPECT_EQ(open_descriptors(), before);
}

TEST(FolderPrefetch, StoppingHalfWayEndsTheHelpersAndClosesEverything) {
  scratch_folder tmp;
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(tmp.write("d" + std::to_string(i) + "/a/b/f"));
  }
  const int before = open_descriptors();
  const std::vector<std::string> all = walk(tmp.path(), 0);
  for (size_t stop : {size_t{1}, size_t{2}, size_t{37}, size_t{400}}) {
    std::vector<std::string> part = walk(tmp.path(), 2, {.stop_after = stop});
    ASSERT_EQ(part.size(), stop);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), all.begin()));
  }
  EXPECT_EQ(open_descriptors(), before);
}

// Folders read ahead wait while the walk is below them; however many
// levels hold some, the helpers still read what the walk takes next. Here
// every level on the walk's way holds more subfolders than the window.
TEST(FolderPrefetch, HelpersKeepAheadOfASlowWalkAtEveryLevel) {
  scratch_folder tmp;
  std::string level = "";
  for (int depth = 0; depth < 4; ++depth) {
    for (int i = 0; i < 10; ++i) {
      ASSERT_TRUE(tmp.write(level + "d" + std::to_string(i) + "/f"));
    }
    level += "d0/";
  }
  int64_t read_by_walk = -1;
  const std::vector<std::string> lines = walk(
      tmp.path(), 2,
      {.pause = std::chrono::milliseconds(10), .read_by_walk = &read_by_walk});
  ASSERT_EQ(lines.size(), 41u);
  // A helper that is late now and then leaves a folder to the walk; one
  // that has no room to read ahead leaves it every folder below the third
  // level.
  EXPECT_LE(read_by_walk, 8);
}

}  // namespace
