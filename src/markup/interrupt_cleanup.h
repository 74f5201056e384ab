// interrupt_cleanup: removes the process's temporary files when it is
// interrupted. A build writes each listing to a temporary file beside its
// destination; SIGINT, SIGTERM or SIGHUP would otherwise leave those files
// behind. Every temporary file is registered while it exists; the signal
// handler unlinks the registered paths and then ends the process by the
// same signal with its default action, so the exit status is the signal's.
//
// Thread safety: register and release may be called from any thread (they
// serialise on a lock the handler never takes). The handler reads only
// slots marked in use, each written completely before it is marked; a slot
// is rewritten only after it was released, and its buffer is never freed,
// so a handler running on another thread at that moment can at worst read
// a path being rewritten, never freed memory.
#ifndef DIRGEN_MARKUP_INTERRUPT_CLEANUP_H_
#define DIRGEN_MARKUP_INTERRUPT_CLEANUP_H_

#include <cstddef>
#include <string>

// Installs the handler for SIGINT, SIGTERM and SIGHUP. A signal the process
// ignores (nohup's SIGHUP) stays ignored. Idempotent.
void install_interrupt_cleanup();

// Registers the temporary file at path (absolute, or relative to the
// current folder, which must not change while it is registered; of any
// length, see long_path.h) for removal on a signal. Returns the
// registration to release, or kNoRegistration when every slot is taken
// (the next build clears such a file should a signal come).
constexpr size_t kNoRegistration = static_cast<size_t>(-1);
size_t register_temporary_file(const std::string& path);

// Forgets a registration once its file was renamed or removed.
// kNoRegistration is ignored.
void release_temporary_file(size_t registration);

// The number of registrations in use (for tests).
size_t registered_temporary_files();

#endif  // DIRGEN_MARKUP_INTERRUPT_CLEANUP_H_
