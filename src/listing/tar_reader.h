// tar_reader: lists the entries of a tar archive into a kvfile_tree without
// extracting anything. Reads plain files and, through archive_stream,
// decompressed gzip streams with the same parser. Used by archive_reader.
//
// Understands POSIX ustar names (prefix field), GNU long names and long link
// names (types 'L' and 'K'), pax extended headers (type 'x': path, size,
// mtime; type 'g' is skipped) and GNU base-256 numbers. Those metadata
// headers are not listed themselves.
#ifndef DIRGEN_LISTING_TAR_READER_H_
#define DIRGEN_LISTING_TAR_READER_H_

#include "listing/archive_stream.h"
#include "listing/kvfile_tree.h"
#include "value/kvval.h"

enum class tar_status {
  ok,            // read to the end (or to the end-of-archive block)
  malformed,     // short header, data shorter than its size, bad size
  source_error,  // the stream failed (read or decompression error)
};

// Clears tree and fills it with the archive's entries read from in.
// Folder entries (type '5') become folder nodes with time 0; every other
// entry becomes a file node with its size in bytes. Entries are placed
// under the folder nodes already read that lead their path; entries whose
// folders have no entries of their own keep the rest of their path ("a/b/c")
// as their name. A header with a wrong checksum still gives its node, with
// valid 0. On failure the nodes read so far stay in the tree.
tar_status read_tar_stream(archive_stream* in, kvfile_tree* tree);

// Clears tree and reads the tar file at path into it. Returns true when the
// file was read as a tar archive (a zero-length file is a valid, empty
// archive); false when it cannot be opened or is malformed.
bool read_tar(const kvval& path, kvfile_tree* tree);

#endif  // DIRGEN_LISTING_TAR_READER_H_
