#include "text/out_of_memory.h"

#include <unistd.h>

#include <cstdlib>

void out_of_memory() {
  // write(2) rather than stdio: stdio may need the memory that ran out.
  static const char kMessage[] = "Fatal Error: out of memory\n";
  ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  (void)ignored;
  std::abort();
}
