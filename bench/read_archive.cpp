// Reads one archive the way a build does and prints its entry count and the
// time taken. Used by archive_bench.sh to compare with tar -tzvf.
#include <chrono>
#include <cstdio>

#include "listing/archive_reader.h"
#include "listing/kvfile_tree.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: read_archive ARCHIVE\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  kvfile_tree tree;
  int code = read_archive(kvval(argv[1]), &tree);
  long nodes = 0;
  for (kvfile_node* n = tree.root(); n; n = kvfile_tree::next_preorder(n)) {
    ++nodes;
  }
  double secs =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  printf("code %d, %ld nodes, %.3f s\n", code, nodes, secs);
  return code == 0 ? 0 : 1;
}
