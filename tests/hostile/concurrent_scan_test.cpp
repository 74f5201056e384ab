// Recursive builds whose folders are read by helper threads: the listing
// must be the one a single thread makes, on trees with unreadable folders,
// symbolic links and paths longer than any system call takes; a cancel
// must leave every old listing; and a tree deeper than the open-file limit
// must be listed whole.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "listing/build.h"
#include "project/data_tables.h"
#include "project/settings_record.h"
#include "support/scratch_folder.h"

namespace {

// One line per node: [relative path, name, extension].
const char kTemplate[] =
    "<!--#for var=all-->[<!--#echo var=rel_path_all--><!--#echo "
    "var=name_all--><!--#echo var=ext_all-->|<!--#echo "
    "var=size_all-->]\n<!--#endfor-->"
    "total:<!--#echo var=total_files-->/<!--#echo var=total_folders-->";

// Records what the build could not read and cancels at a given poll.
class recorder : public build_progress {
 public:
  explicit recorder(int cancel_at = -1) : cancel_at_(cancel_at) {}
  void on_progress(int64_t, int64_t, int64_t) override {}
  void on_unreadable(const std::string& path,
                     const std::string& reason) override {
    lines.push_back(path + ": " + reason);
  }
  bool cancel_requested() override {
    return cancel_at_ >= 0 && ++polls_ >= cancel_at_;
  }
  std::vector<std::string> lines;

 private:
  int cancel_at_;
  int polls_ = 0;
};

// Makes depth nested folders named level under dir_path, with a file in
// the deepest; returns false on failure. Works through descriptors, so the
// whole path may be longer than PATH_MAX.
bool make_nested(const std::string& dir_path, const std::string& level,
                 int depth, bool file_in_each) {
  int fd = open(dir_path.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; fd >= 0 && i < depth; ++i) {
    int next = -1;
    if (mkdirat(fd, level.c_str(), 0755) == 0) {
      next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
    }
    close(fd);
    fd = next;
    if (fd >= 0 && (file_in_each || i == depth - 1)) {
      int f = openat(fd, "f.txt", O_CREAT | O_WRONLY, 0644);
      if (f < 0 || write(f, "abc", 3) != 3) return false;
      close(f);
    }
  }
  if (fd < 0) return false;
  close(fd);
  return true;
}

// Every file named name under the folder dir_fd, by relative path, with
// its content; folders that cannot be opened are skipped.
void collect(int dir_fd, const std::string& rel, const std::string& name,
             std::map<std::string, std::string>* out) {
  DIR* d = fdopendir(dir_fd);
  if (!d) return;
  while (const dirent* e = readdir(d)) {
    const std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    if (e->d_type == DT_DIR) {
      int sub = openat(dirfd(d), n.c_str(), O_RDONLY | O_DIRECTORY);
      if (sub >= 0) collect(sub, rel + n + "/", name, out);
    } else if (n == name) {
      int f = openat(dirfd(d), n.c_str(), O_RDONLY);
      std::string bytes;
      char buf[4096];
      for (ssize_t got; f >= 0 && (got = read(f, buf, sizeof buf)) > 0;) {
        bytes.append(buf, static_cast<size_t>(got));
      }
      if (f >= 0) close(f);
      (*out)[rel + n] = bytes;
    }
  }
  closedir(d);
}

std::map<std::string, std::string> listings(const std::string& root,
                                            const std::string& name) {
  std::map<std::string, std::string> out;
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) collect(fd, "", name, &out);
  return out;
}

class ConcurrentScan : public ::testing::Test {
 public:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("TZ", "UTC", 1);
    tzset();
    ASSERT_TRUE(root_.write("kvdata/list.txt", kTemplate));
    ASSERT_TRUE(root_.make_folder("src"));
    // The child builds as "nobody" when the tests run as root: everything
    // it needs is open to anyone.
    for (const std::string& f : {root_.path(), root_.at("src")}) {
      ASSERT_EQ(chmod(f.c_str(), 0777), 0);
    }
    ASSERT_EQ(chmod(root_.at("kvdata").c_str(), 0755), 0);
    settings_.path = variant(std::string_view(root_.at("src")));
    settings_.save = variant(std::string_view(root_.at("out.html")));
    settings_.format = variant("list.txt");
    settings_.order_files = variant(1);
    settings_.subfolders = variant(1);
    settings_.subfolders_in_one_file = variant(1);
    settings_.replace_existing = variant(1);  // over the stand-in old listings
    formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
  }

  // Drops to "nobody" in a child when running as root, so that a folder
  // without permissions cannot be read. False when that fails.
  static bool drop_root() {
    return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
  }

  build_outcome build(int helpers, build_progress* progress) {
    return run_build(settings_, formatter_, root_.at("kvdata/"), progress,
                     nullptr, helpers);
  }

  void per_folder() {
    settings_.subfolders_in_one_file = variant(0);
    settings_.save = variant("list.html");
    settings_.skip_files = variant("list.html");  // the last run's
  }

  scratch_folder root_{"/dev/shm"};
  settings_record settings_;
  data_tables formatter_;
};

// Builds (as the child's user) the tree of the comparison: many folders,
// some unreadable, links of every kind, and a path of more than 8,000
// bytes. Returns "" or what failed.
std::string make_hostile_tree(const std::string& src) {
  auto put = [&](const std::string& rel, const std::string& text) {
    return write_file(src + "/" + rel, text);
  };
  for (int i = 0; i < 150; ++i) {
    const std::string d = src + "/wide/d" + std::to_string(i);
    if (mkdir((src + "/wide").c_str(), 0755) != 0 && errno != EEXIST) {
      return "wide";
    }
    if (mkdir(d.c_str(), 0755) != 0 || mkdir((d + "/s").c_str(), 0755) != 0) {
      return d;
    }
    for (int f = 0; f < i % 5; ++f) {
      if (!put("wide/d" + std::to_string(i) + "/f" + std::to_string(f) +
                   ".txt",
               std::string(static_cast<size_t>(i + f), 'x'))) {
        return "file in " + d;
      }
    }
    if (!put("wide/d" + std::to_string(i) + "/s/inner.c", "int x;")) {
      return "inner of " + d;
    }
  }
  for (const char* locked : {"wide/d7", "wide/d60/s", "wide/d149"}) {
    if (chmod((src + "/" + locked).c_str(), 0) != 0) return locked;
  }
  if (symlink("wide", (src + "/link_to_folder").c_str()) != 0 ||
      symlink("wide/d1/f0.txt", (src + "/link_to_file").c_str()) != 0 ||
      symlink("nowhere", (src + "/dangling").c_str()) != 0 ||
      symlink("loop", (src + "/loop").c_str()) != 0 ||
      symlink("..", (src + "/wide/d3/up").c_str()) != 0) {
    return "links";
  }
  if (!make_nested(src, std::string(250, 'q'), 33, false)) return "nested";
  return "";
}

// Child: the same build with 0, 1 and 3 helpers gives the same listing(s)
// and the same reports. Exits 0 when it does.
int compare_helpers(ConcurrentScan* test, const std::string& src,
                    const std::string& out, bool per_folder) {
  if (!ConcurrentScan::drop_root()) return 2;
  umask(022);
  const std::string made = make_hostile_tree(src);
  if (!made.empty()) {
    fprintf(stderr, "could not make %s\n", made.c_str());
    return 3;
  }
  std::map<std::string, std::string> first;
  std::vector<std::string> first_reports;
  for (int helpers : {0, 1, 3}) {
    recorder log;
    build_outcome outcome = test->build(helpers, &log);
    if (outcome.code != kBuildOk || outcome.unreadable != 3 ||
        log.lines.size() != 3) {
      fprintf(stderr, "%d helpers: code %d, %lld unreadable\n", helpers,
              outcome.code, static_cast<long long>(outcome.unreadable));
      for (const std::string& l : log.lines) fprintf(stderr, "%s\n", l.c_str());
      return 4;
    }
    std::map<std::string, std::string> got =
        per_folder ? listings(src, "list.html")
                   : std::map<std::string, std::string>{{out, read_file(out)}};
    if (helpers == 0) {
      first = got;
      first_reports = log.lines;
      // The top, "wide", its 150 folders but 2 unreadable ones, their "s"
      // but 1 more, 33 nested: one listing per folder read.
      const size_t want = per_folder ? 1 + 1 + 148 + 147 + 33 : 1;
      if (first.size() != want) {
        fprintf(stderr, "%zu listings, not %zu\n", first.size(), want);
        return 5;
      }
      continue;
    }
    if (got != first || log.lines != first_reports) {
      fprintf(stderr, "%d helpers differ from one thread\n", helpers);
      return 6;
    }
  }
  const std::string& top = per_folder ? first["list.html"] : first[out];
  if (top.find("[link_to_folder|") == std::string::npos ||
      top.find("[loop|") == std::string::npos) {
    fprintf(stderr, "links missing:\n%s\n", top.substr(0, 2000).c_str());
    return 7;
  }
  if (!per_folder && top.find(std::string(250, 'q') + "/f.txt|3]") ==
                         std::string::npos) {
    fprintf(stderr, "the deepest file is missing\n");
    return 8;
  }
  return 0;
}

TEST_F(ConcurrentScan, HelpersGiveTheOneThreadListingOfAHostileTree) {
  EXPECT_EXIT(exit(compare_helpers(this, root_.at("src"), root_.at("out.html"),
                                   false)),
              testing::ExitedWithCode(0), "");
}

TEST_F(ConcurrentScan, HelpersGiveTheOneThreadListingsPerFolder) {
  per_folder();
  EXPECT_EXIT(exit(compare_helpers(this, root_.at("src"), root_.at("out.html"),
                                   true)),
              testing::ExitedWithCode(0), "");
}

TEST_F(ConcurrentScan, CancelWhileHelpersReadLeavesEveryOldListing) {
  for (int i = 0; i < 120; ++i) {
    const std::string d = "src/d" + std::to_string(i);
    ASSERT_TRUE(root_.write(d + "/a/f.txt", "x"));
    ASSERT_TRUE(root_.write(d + "/list.html", "old " + std::to_string(i)));
  }
  ASSERT_TRUE(root_.write("src/list.html", "old top"));
  ASSERT_TRUE(root_.write("out.html", "old single"));
  const std::map<std::string, std::string> old =
      listings(root_.at("src"), "list.html");
  for (int cancel_at : {1, 2, 9, 40, 150, 239}) {
    recorder progress(cancel_at);
    EXPECT_EQ(build(3, &progress).code, kBuildCancelled) << cancel_at;
    EXPECT_EQ(read_file(root_.at("out.html")), "old single");
  }
  per_folder();
  for (int cancel_at : {1, 2, 9, 40, 150, 239}) {
    recorder progress(cancel_at);
    EXPECT_EQ(build(3, &progress).code, kBuildCancelled) << cancel_at;
    EXPECT_EQ(listings(root_.at("src"), "list.html"), old) << cancel_at;
  }
  std::map<std::string, std::string> temporary =
      listings(root_.path(), ".list.html");
  EXPECT_TRUE(temporary.empty());
  // Nothing was left beside the outputs either.
  EXPECT_EQ(system(("test -z \"$(find " + root_.path() +
                    " -mindepth 1 -name '*dirgen-*')\"")
                       .c_str()),
            0);
}

// Child: lowers the open-file limit to the common default, lists the tree
// and compares the listing with find's. Exits 0 when they agree.
int list_under_limit(ConcurrentScan* test, const std::string& src,
                     const std::string& out, int depth) {
  struct rlimit limit = {1024, 1024};
  if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 2;
  recorder log;
  build_outcome outcome = test->build(-1, &log);
  if (outcome.code != kBuildOk || outcome.unreadable != 0) {
    fprintf(stderr, "code %d, %lld unreadable\n", outcome.code,
            static_cast<long long>(outcome.unreadable));
    return 3;
  }
  std::set<std::string> listed;
  std::istringstream lines(read_file(out));
  for (std::string line; std::getline(lines, line);) {
    if (line.size() > 2 && line[0] == '[' && line[1] != '|') {
      listed.insert(line.substr(1, line.find('|') - 1));
    }
  }
  std::set<std::string> found;
  FILE* find = popen(("cd '" + src + "' && find . -mindepth 1 -printf '%P\\n'")
                         .c_str(),
                     "r");
  if (!find) return 4;
  std::string path;
  for (int c; (c = fgetc(find)) != EOF;) {
    if (c != '\n') {
      path.push_back(static_cast<char>(c));
    } else {
      found.insert(path);
      path.clear();
    }
  }
  pclose(find);
  if (found.size() != 2u * static_cast<size_t>(depth) || listed != found) {
    fprintf(stderr, "find: %zu entries, listing: %zu\n", found.size(),
            listed.size());
    return 5;
  }
  return 0;
}

TEST_F(ConcurrentScan, TreeDeeperThanTheOpenFileLimitIsListedWhole) {
  const int depth = 1560;
  ASSERT_TRUE(make_nested(root_.at("src"), "d", depth, true));
  EXPECT_EXIT(exit(list_under_limit(this, root_.at("src"), root_.at("out.html"),
                                    depth)),
              testing::ExitedWithCode(0), "");
}

}  // namespace
