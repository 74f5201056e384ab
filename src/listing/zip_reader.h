// zip_reader: lists the entries of a zip archive (its central directory,
// read with minizip) into a kvfile_tree. Nothing is extracted. Used by
// archive_reader.
#ifndef DIRGEN_LISTING_ZIP_READER_H_
#define DIRGEN_LISTING_ZIP_READER_H_

#include "listing/kvfile_tree.h"
#include "value/kvval.h"

// Clears tree and fills it with the archive's entries. Entries of size 0
// (folder entries and empty files) are not listed. Entries are gathered
// under folder nodes by their paths (a leading "/" is dropped); a folder
// that appears only through its files is created with the current time as
// its time. Sizes are kept whole (zip64 sizes of 4 GiB and more too). Entry
// times are the stored local date and time, turned into UTC seconds. Returns 0
// on success; 1 when the archive cannot be opened; 3 when it has no entries or
// its directory cannot be read to the end. On failure the nodes read so far
// stay in the tree.
int read_zip(const kvval& path, kvfile_tree* tree);

#endif  // DIRGEN_LISTING_ZIP_READER_H_
