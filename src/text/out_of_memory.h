// The one out-of-memory policy of the program: say so on stderr and abort.
// No interface reports a failed allocation to its caller, and no exception
// for it crosses an interface. Allocations made with malloc call
// out_of_memory() themselves; main() installs it as the new-handler, so a
// failed operator new ends the same way.
#ifndef DIRGEN_TEXT_OUT_OF_MEMORY_H_
#define DIRGEN_TEXT_OUT_OF_MEMORY_H_

// Writes "Fatal Error: out of memory" to stderr and aborts. Safe to call
// from any thread; allocates nothing.
[[noreturn]] void out_of_memory();

#endif  // DIRGEN_TEXT_OUT_OF_MEMORY_H_
