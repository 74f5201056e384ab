// archive_temp: unique temporary files for archive sources that must be
// decompressed to disk. The gzip path streams instead and does not need
// one; kept for callers that want the decompressed file.
#ifndef DIRGEN_LISTING_ARCHIVE_TEMP_H_
#define DIRGEN_LISTING_ARCHIVE_TEMP_H_

#include "value/kvval.h"

// Creates a new empty file with a unique name in the temporary folder
// ($TMPDIR when set and not empty, else /tmp). Returns true with its path
// in *destination; false with *destination the empty text. The caller
// deletes the file.
bool make_temp_file(kvval* destination);

#endif  // DIRGEN_LISTING_ARCHIVE_TEMP_H_
