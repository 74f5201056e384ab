// archive_reader: lists the entries of an archive file into a file_tree
// without extracting anything. The build uses it for an archive source.
//
// The format and its compression are found from the file's content, never
// from its name (libarchive's readers): tar in all its variants (v7, ustar,
// pax, GNU, star), cpio, ar, xar, cab, lha, rar and warc, plain or
// compressed with gzip, bzip2, xz, lzma, zstd, lz4, lzip, compress and
// others; zip, 7-Zip and ISO 9660, which need seeking, plain only. A
// zero-length file and a zip of nothing but its end record are empty
// archives. mtree, a text format that would take any text file for an
// archive, is not read; nor is a zip without its central directory, nor a
// tar that ends before its end-of-archive block (it may have been cut
// anywhere, even between two entries).
//
// Names are listed as the archive holds them, as UTF-8 where the archive
// says its names are UTF-8; a name whose bytes are not in the charset the
// archive declares is listed by its bytes. A zip name without the UTF-8
// flag that is not valid UTF-8 is read as CP437, as unzip does.
//
// The archive is streamed: memory grows with the number of entries, never
// with the size of the data, and no temporary file is made.
#ifndef DIRGEN_LISTING_ARCHIVE_READER_H_
#define DIRGEN_LISTING_ARCHIVE_READER_H_

#include <cstdint>
#include <functional>
#include <string>

#include "listing/file_tree.h"

// Why reading stopped.
enum class archive_failure {
  unreadable,    // the file cannot be opened or read (system error)
  not_archive,   // no known archive format
  damaged,       // a header is damaged (bad checksum, impossible field, ...)
  truncated,     // the archive ends before its last entry or its end block
  too_deep,      // whole, but its folders nest past archive_tree's limit
  corrupt_data,  // the compressed data around the archive cannot be unpacked
  cancelled,     // the progress callback asked to stop
};

// The family of the archive's format, as far as it was recognised.
enum class archive_family { unknown, tar, zip, other };

struct archive_error {
  archive_failure failure = archive_failure::unreadable;
  archive_family family = archive_family::unknown;
  // True when the file is gzip-compressed (whatever is inside).
  bool gzip = false;
  // Says what went wrong, for people: the format and the reader's or the
  // system's reason, e.g. "GNU tar format: Damaged tar archive".
  std::string reason;
};

// Called with the number of entries read so far, after every entry; reading
// stops with archive_failure::cancelled when it returns false.
using archive_progress = std::function<bool(int64_t entries_read)>;

// Clears tree and fills it with the archive's entries, in archive order,
// as archive_tree places them (see archive_tree.h): folder entries become
// folders; every other entry (file, hard or symbolic link, device, fifo)
// becomes a file with the size the archive gives it (the real size of a
// sparse file; 0 for links and devices in tar). Times are modification
// times in seconds since 1970 UTC. Metadata entries (pax headers, GNU long
// names, volume labels) are never listed.
// Returns true when the whole archive was read. On failure returns false
// and fills *err; the tree then holds what was read and must not be listed.
// A warning of the reader on a header counts as damage, except one about a
// name's charset. When the compression around the archive is broken (gzip's
// checksum included), that is the failure reported, not the archive it
// garbled. Only a regular file or a block device is read: anything else is
// refused at once, without waiting for data. progress may be empty.
bool read_archive(const std::string& path, file_tree* tree,
                  const archive_progress& progress, archive_error* err);

#endif  // DIRGEN_LISTING_ARCHIVE_READER_H_
