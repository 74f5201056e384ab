// long_path: folders and files reached by a path of any length. One system
// call takes a path of fewer than PATH_MAX bytes; a longer one is walked in
// pieces, each shorter than that and ending before a "/", each opened
// relative to the folder the piece before it opened. At most two
// descriptors are open at a time, whatever the length, and the path
// resolves as one call with the whole path would: names, "..", and
// symbolic links alike.
//
// Async-signal-safe (openat, unlinkat, close and byte copies; nothing is
// allocated): the interrupt handler removes temporary files through it.
//
// Thread safety: may be called from any thread, and from a signal handler.
#ifndef DIRGEN_MARKUP_LONG_PATH_H_
#define DIRGEN_MARKUP_LONG_PATH_H_

#include <cstddef>

// Opens the folder named by the size bytes at path (absolute, or relative
// to the current folder; empty names the current folder) with flags |
// O_DIRECTORY | O_CLOEXEC. The descriptor (the caller closes it), or -1
// with errno set.
int open_folder_path(const char* path, size_t size, int flags);

// Removes the file at path (a C string of any length) as unlink(2) does.
// 0, or -1 with errno set.
int unlink_path(const char* path);

#endif  // DIRGEN_MARKUP_LONG_PATH_H_
