// Reads one archive the way a build does and prints its node count and the
// time taken. Used by archive_bench.sh to compare with bsdtar -tvzf.
#include <chrono>
#include <cstdio>

#include "listing/archive_reader.h"
#include "listing/file_tree.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_archive ARCHIVE\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  file_tree tree;
  archive_error err;
  bool ok = read_archive(argv[1], &tree, nullptr, &err);
  long nodes = 0;
  for (file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    ++nodes;
  }
  double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  std::printf("%s, %ld nodes, %.3f s\n", ok ? "read" : err.reason.c_str(),
              nodes, secs);
  return ok ? 0 : 1;
}
