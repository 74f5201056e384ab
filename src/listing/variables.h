// The template variables of a build: one table of named lists that the
// template loops over. Filled by the build from its final (ordered) tree.
//
// The "_all" lists hold one entry per node in pre-order, folder-end markers
// included; the "_files" and "_folders" lists one entry per file or folder;
// the summary names one value each. Besides the usual columns every entry
// has "ext_html_*", its extension HTML-escaped, so a page can show a name
// and its extension without writing unescaped bytes (show_folders,
// show_summary, image_dir, total_files, total_folders, total_size,
// date_generated).
#ifndef DIRGEN_LISTING_VARIABLES_H_
#define DIRGEN_LISTING_VARIABLES_H_

#include <cstdint>
#include <string>

#include "listing/kvfile_tree.h"
#include "platform/content_types.h"
#include "project/number_format.h"
#include "value/kvhash.h"
#include "value/kvval.h"

// What the variables are computed from besides the tree. Tables are
// borrowed and must outlive the call.
struct variable_options {
  bool is_gmt_date = false;      // dates in UTC instead of local time
  std::string date_format;       // strftime format
  bool url_html_escape = false;  // links HTML-escaped instead of URL-encoded
  int32_t size_units = 0;        // 0 bytes, 1 Kb, 2 Mb (divisions by 1024)
  kvval unit_label;              // "" for bytes, else the unit's name
  std::string image_dir;         // prefix of icon paths (normalised inside)
  int32_t show_folders = 0;
  int32_t show_summary = 0;
  int64_t now = 0;  // the build's time, seconds since 1970 UTC
  const number_format_record* number_format = nullptr;
  const kvcgi* ext_descriptions = nullptr;
  const kvcgi* ext_images = nullptr;
  const kvcgi* type_descriptions = nullptr;
  const kvcgi* type_images = nullptr;
  const content_types* types = nullptr;  // null: no content types known
};

// After every node that has children, links a folder-end marker (a folder
// node with valid 0, no name and no children) as its next sibling.
void insert_folder_end_markers(kvfile_tree* tree);

// Inserts the folder-end markers, then adds every node's entries and the
// summary entries to *vars. The nodes' names and extensions are moved into
// the table: the tree is spent and only fit to be cleared afterwards. Lists are
// created on their first entry, so an empty tree leaves no "_all", "_files" or
// "_folders" list at all. REQUIRES: number_format is set.
void fill_variables(kvfile_tree* tree, const variable_options& options,
                    kvhash_array* vars);

// image_dir with a "/" appended when it is not empty and does not end in one.
std::string normalise_image_dir(std::string image_dir);

// The download-time text of a file of size bytes at 7000 bytes per second:
// "N sec" below a minute, "N min" below an hour, else "H h M min"; the
// counts are rounded up by adding one to the truncated quotient.
kvval download_time(const kvval& size);

// The strftime text of time (UTC or local time by the date's own zone
// rules); the empty text when the result does not fit the formatting room.
std::string format_time(int64_t time, bool is_gmt, const std::string& format);

#endif  // DIRGEN_LISTING_VARIABLES_H_
