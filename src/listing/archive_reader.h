// archive_reader: the one entry the build uses to read an archive source.
// Picks the reader by the file's extension and turns the outcome into the
// build's result codes.
#ifndef DIRGEN_LISTING_ARCHIVE_READER_H_
#define DIRGEN_LISTING_ARCHIVE_READER_H_

#include "listing/kvfile_tree.h"
#include "value/kvval.h"

// Clears tree and reads the archive at path into it. The extension is the
// text from the last "." of path to its end, in lower case: ".zip" zip;
// ".gz", ".tgz", ".tar_gz" gzip-compressed tar (decompressed as a stream,
// no temporary file); ".tar" tar.
// Returns 0 when the archive was read (the tree may be empty); 100 when a
// tar cannot be opened or is malformed; 310 when a gzip file cannot be
// opened or its compressed data is corrupt or truncated; 700 when path has
// no "."; 701 for any other extension; 710 when the zip reader fails (also
// for a zip with no entries). 300 is never returned. Filtering is left to
// the caller.
int read_archive(const kvval& path, kvfile_tree* tree);

#endif  // DIRGEN_LISTING_ARCHIVE_READER_H_
