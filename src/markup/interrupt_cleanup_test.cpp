#include "markup/interrupt_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "markup/replacement_file.h"
#include "support/scratch_folder.h"

namespace {

// In a child: starts replacing three files, then receives sig while they
// are being written.
void interrupted_child(const scratch_folder& tmp, int sig) {
  install_interrupt_cleanup();
  replacement_file out[3];
  std::string err;
  for (int i = 0; i < 3; ++i) {
    if (!out[i].open(tmp.at("list" + std::to_string(i) + ".html"), {}, &err) ||
        !out[i].write("partial", &err)) {
      _exit(3);
    }
  }
  // One is finished and put in place before the signal: it stays.
  if (!out[0].finish(&err) || !out[0].commit(&err)) _exit(4);
  if (registered_temporary_files() != 2) _exit(5);
  raise(sig);
  _exit(6);  // not reached: the signal ends the process
}

TEST(InterruptCleanup, SignalRemovesTemporaryFilesAndEndsByTheSignal) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig);
    scratch_folder tmp;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) interrupted_child(tmp, sig);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(tmp.read("list0.html"), "partial");
    const std::string ls = "ls -A '" + tmp.path() + "' | wc -l";
    FILE* p = popen(ls.c_str(), "r");
    int count = -1;
    ASSERT_EQ(fscanf(p, "%d", &count), 1);
    pclose(p);
    EXPECT_EQ(count, 1);
  }
}

TEST(InterruptCleanup, AnIgnoredSignalStaysIgnored) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGHUP, SIG_IGN);
    install_interrupt_cleanup();
    raise(SIGHUP);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
}

TEST(InterruptCleanup, RegistrationsAreReusedAfterRelease) {
  const size_t before = registered_temporary_files();
  size_t a = register_temporary_file("/nowhere/a");
  size_t b = register_temporary_file("/nowhere/b");
  EXPECT_EQ(registered_temporary_files(), before + 2);
  release_temporary_file(a);
  size_t c = register_temporary_file(std::string(1000, 'c'));
  EXPECT_EQ(c, a);
  release_temporary_file(b);
  release_temporary_file(c);
  EXPECT_EQ(registered_temporary_files(), before);
  // Of any length: the handler walks a long path piece by piece.
  size_t d = register_temporary_file(std::string(9000, 'x'));
  EXPECT_NE(d, kNoRegistration);
  release_temporary_file(d);
}

// Entries in the folder open as fd, "." and ".." left out.
int entries_in(int fd) {
  DIR* d = fdopendir(dup(fd));
  if (d) rewinddir(d);  // the offset is shared with fd, and with a child's
  int n = 0;
  while (const dirent* e = d ? readdir(d) : nullptr) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") ++n;
  }
  if (d) closedir(d);
  return n;
}

TEST(InterruptCleanup, TemporaryFilesOfPathsBeyondOneCallAreRemovedToo) {
  scratch_folder tmp;
  std::string path;
  const int deep =
      make_nested_folders(tmp.path(), std::string(250, 'L'), 20, &path);
  ASSERT_GE(deep, 0);
  ASSERT_GT(path.size(), 5000u);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    install_interrupt_cleanup();
    replacement_file out;
    std::string err;
    if (!out.open(deep, path, "list.html", {}, &err)) _exit(3);
    if (registered_temporary_files() != 1 || entries_in(deep) != 1) _exit(4);
    raise(SIGTERM);
    _exit(5);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
  EXPECT_EQ(entries_in(deep), 0);
  close(deep);
}

}  // namespace
