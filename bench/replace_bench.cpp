// Times the replacement of many listings the way a one-file-per-folder
// build does it: one file per folder, written through replacement_file and
// renamed over the old one, with and without a flush to the disk first, and
// with one flush of the whole file system for the batch (syncfs) before
// all the renames.
// Usage: replace_bench FOLDER COUNT BYTES
// Prints the seconds for each way. Used by bench/fsync_bench.sh.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "markup/replacement_file.h"

namespace {

double replace_all(const std::string& root, int count, const std::string& data,
                   bool sync) {
  auto start = std::chrono::steady_clock::now();
  std::string err;
  for (int i = 0; i < count; ++i) {
    std::string folder = root + "/d" + std::to_string(i);
    int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
    replacement_file out;
    replace_options options;
    options.sync = sync;
    if (fd < 0 || !out.open(fd, folder, "index.html", options, &err) ||
        !out.write(data, &err) || !out.finish(&err) || !out.commit(&err)) {
      std::fprintf(stderr, "%s: %s\n", folder.c_str(), err.c_str());
      std::exit(1);
    }
    close(fd);
  }
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

// Writes every listing, flushes the file system once, then renames all.
double replace_batch(const std::string& root, int count,
                     const std::string& data) {
  auto start = std::chrono::steady_clock::now();
  std::string err;
  std::vector<std::unique_ptr<replacement_file>> staged;
  for (int i = 0; i < count; ++i) {
    std::string folder = root + "/d" + std::to_string(i);
    int fd = open(folder.c_str(), O_PATH | O_DIRECTORY);
    auto out = std::make_unique<replacement_file>();
    if (fd < 0 || !out->open(fd, folder, "index.html", {}, &err) ||
        !out->write(data, &err) || !out->finish(&err)) {
      std::fprintf(stderr, "%s: %s\n", folder.c_str(), err.c_str());
      std::exit(1);
    }
    close(fd);
    staged.push_back(std::move(out));
  }
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  syncfs(fd);
  close(fd);
  for (auto& out : staged) {
    if (!out->commit(&err)) std::exit(1);
  }
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: replace_bench FOLDER COUNT BYTES\n");
    return 2;
  }
  std::string root = argv[1];
  int count = std::atoi(argv[2]);
  std::string data(static_cast<size_t>(std::atol(argv[3])), 'x');
  for (int i = 0; i < count; ++i) {
    mkdir((root + "/d" + std::to_string(i)).c_str(), 0755);
  }
  replace_all(root, count, data, false);  // every old file exists from here
  sync();
  double plain = replace_all(root, count, data, false);
  sync();
  double flushed = replace_all(root, count, data, true);
  sync();
  double batch = replace_batch(root, count, data);
  std::printf(
      "%d listings of %s bytes: rename only %.3f s, fsync then rename "
      "%.3f s (%.2f ms per listing more), one syncfs for all %.3f s\n",
      count, argv[3], plain, flushed, (flushed - plain) * 1000.0 / count,
      batch);
  return 0;
}
