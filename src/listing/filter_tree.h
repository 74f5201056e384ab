// Pruning a file tree by the user's masks and windows. The build runs it on
// every freshly scanned folder level and once on a whole archive tree.
#ifndef DIRGEN_LISTING_FILTER_TREE_H_
#define DIRGEN_LISTING_FILTER_TREE_H_

#include <cstdint>

#include "listing/file_tree.h"
#include "listing/masks.h"
#include "value/variant.h"

// Everything filter_tree needs: the four compiled mask lists (borrowed; they
// must outlive every filter_tree call; null counts as an empty list) and the
// two windows. Fill it once per build and reuse it for every level.
struct filter_options {
  const compiled_masks* file_include = nullptr;    // settings "mask"
  const compiled_masks* file_skip = nullptr;       // settings "skip_files"
  const compiled_masks* folder_include = nullptr;  // settings "folder_include"
  const compiled_masks* folder_skip = nullptr;     // settings "folder_skip"

  bool time_filter = false;
  int64_t time_start = 0;  // seconds since 1970 UTC, inclusive
  int64_t time_end = 0;    // inclusive

  bool size_filter = false;
  // Bytes, inclusive: integer, real or decimal text. A text bound (as loaded
  // from a settings file) is read as a real number, so a bound of 2^31 bytes
  // or more is never wrapped to a negative integer; sizes and bounds compare
  // by value.
  variant size_start;
  variant size_end;

  // Sets the time window from settings values: the flag is on when it reads
  // as true; the bounds are read as 64-bit integers (decimal text works), so
  // times after 2038 are kept exact.
  void set_time_window(const variant& flag, const variant& start,
                       const variant& end);
  // Sets the size window from settings values (the flag is on when it reads
  // as true).
  void set_size_window(const variant& flag, const variant& start,
                       const variant& end);
};

// Removes from *tree every folder that no folder include pattern matches or
// that a folder skip pattern matches, with everything below it (never
// visited), and every file outside an active time or size window (both
// inclusive) or failing the file include or skip patterns. Names are matched
// as they are (files with their extension, folders without their path). An
// empty include list removes every node of its kind.
void filter_tree(file_tree* tree, const filter_options& options);

#endif  // DIRGEN_LISTING_FILTER_TREE_H_
