// archive_libs: start-up check of the compression libraries (zlib and
// minizip, linked directly). Start-up calls load_zlib_library once before
// any build and stops with its fatal message when it fails.
#ifndef DIRGEN_LISTING_ARCHIVE_LIBS_H_
#define DIRGEN_LISTING_ARCHIVE_LIBS_H_

// Returns true when the zlib found at run time reports a version with the
// same major number as the one the program was built against and a small
// compress and uncompress round trip works; false otherwise. minizip is
// linked directly, so its entry points exist once the program runs. Safe to
// call more than once.
bool load_zlib_library();

// Marks the libraries as released. Nothing is unloaded: they are linked.
void unload_zlib_library();

// True between a successful load_zlib_library and unload_zlib_library.
bool zlib_library_loaded();

#endif  // DIRGEN_LISTING_ARCHIVE_LIBS_H_
