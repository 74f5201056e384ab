// The template variables of a listing: named lists that the template loops
// over, computed from the build's final (filtered, ordered, split) tree.
//
// The "_all" lists hold one entry per node in pre-order, with a folder-end
// marker after the last descendant of every node that has children; the
// "_files" and "_folders" lists one entry per file or folder; the summary
// names one value each (show_folders, show_summary, image_dir, total_files,
// total_folders, total_size, date_generated, parent_listing, listing_name,
// title, folder_path, readme_name, readme_text, icon_css, total_files_text,
// total_folders_text, total_size_text, the settings a page's script
// needs to show sizes and dates as the other values do: size_units,
// date_format, is_gmt_date, and large_listing: 1 from a few thousand
// entries on, when the shipped HTML styles draw their entries by script);
// the trail lists (name_trail,
// url_trail) one entry per folder from the listed top down to the folder
// this listing lists.
//
// Besides the usual columns (counter, mod2, dir, name, ext, dir_dir, time,
// rel_path, url, name_html, rel_path_html, size, size_units, dwld_time,
// media, image, and "all"/"files"/"folders" themselves, plus
// "children_all"), every entry has:
//   ext_html_*     its extension HTML-escaped;
//   mtime_*        its modification time, whole seconds since 1970 UTC;
//   isotime_*      the same as ISO 8601 UTC ("2026-12-09T04:25:51Z");
//   bytes_*        a file's size in bytes, a plain decimal (folders: "");
//   listing_url_*  for a folder whose own listing a per-folder build wrote,
//                  the link to that listing (url_* plus the listing's name,
//                  encoded like url_*); else the same as url_*;
//   size_text_*    a file's size with its unit, "1 byte", "341 Kb",
//                  "4.7 MB" (folders: "");
//   icon_class_*   the CSS class of its icon (icon_class(), defined by
//                  icon_css), or "" when it has none.
// A folder-end marker has the empty text in each of these.
//
// Names in the *_html_* values are written by append_html_name: control and
// direction characters and bytes that are not UTF-8 show as their codes.
// Links (url_*, listing_url_*, parent_listing, url_trail) lead from the
// listing's own folder: with a base_url, from base_url, which stands for the
// listed top folder. A ".." that an archive's member names never leads
// above the top: it stays in the names but not in the links.
//
// Nothing is computed up front: a list is made when a template first names
// it, and a value when the template reads it. Only what many entries share
// is kept (a folder's path texts, one description and icon per extension),
// so a list no template names costs nothing. A list read front to back, as
// a for loop reads it, takes no memory per entry; one read in another
// order keeps its group's pre-order rows, 8 bytes per entry.
#ifndef DIRGEN_LISTING_VARIABLES_H_
#define DIRGEN_LISTING_VARIABLES_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "listing/file_tree.h"
#include "markup/template_variables.h"
#include "platform/content_types.h"
#include "project/number_format.h"
#include "value/name_table.h"
#include "value/variant.h"

// What the variables are computed from besides the tree. Tables are
// borrowed and must outlive the variables.
struct variable_options {
  bool is_gmt_date = false;      // dates in UTC instead of local time
  std::string date_format;       // strftime format
  bool url_html_escape = false;  // links HTML-escaped instead of URL-encoded
  // 0 bytes, 1 Kb, 2 Mb (divisions by 1024), 3 human decimal, 4 human
  // binary (human_size_of)
  int32_t size_units = 0;
  variant unit_label;     // "" for bytes, else the unit's name (0 to 2)
  std::string image_dir;  // prefix of icon paths (normalised inside)
  // With an empty image_dir: where the icon files lie, ending in "/"; the
  // icons are then data: URIs of these files (empty: no icons).
  std::string icon_folder;
  int32_t show_folders = 0;
  int32_t show_summary = 0;
  int64_t now = 0;  // the build's time, seconds since 1970 UTC
  const number_format_record* number_format = nullptr;
  const loaded_table* ext_descriptions = nullptr;
  const loaded_table* ext_images = nullptr;
  const loaded_table* type_descriptions = nullptr;
  const loaded_table* type_images = nullptr;
  const content_types* types = nullptr;  // null: no content types known
  // The listing file's own name (no folder part).
  std::string listing_name;
  // True when every listed folder that is not a link has a listing of its
  // own, named listing_name (a per-folder build of a folder source).
  bool folder_listings = false;
  // The names of the folders from the listed top (its own name: the
  // folder's or the archive's file name) down to the folder this listing
  // lists; more than one only for a subfolder's listing in a per-folder
  // build, which then links to each of their listings. Empty: one unnamed
  // folder.
  std::vector<std::string> folder_chain;
  // The path from the listing's own folder to the folder it lists, ending
  // in "/" ("../photos/"), not encoded; empty when the listing lies in it.
  std::string folder_link;
  // When not empty, links start here instead: the published address of
  // the listed top folder (a "/" is added when it does not end in one).
  std::string base_url;
  std::string title;  // the "title" setting; empty: the folder's name
  // The README shown under the listing: its file name and text (both
  // empty when there is none).
  std::string readme_name;
  std::string readme_text;
};

// The variables of one listing. Reads the tree on demand.
// REQUIRES: the tree outlives the variables and does not change while they
// are read; options.number_format is set.
// Threading: one thread at a time (values are computed into caches).
class listing_variables : public template_variables {
 public:
  listing_variables(const file_tree& tree, const variable_options& options);
  ~listing_variables() override;
  listing_variables(const listing_variables&) = delete;
  listing_variables& operator=(const listing_variables&) = delete;

  // The list called name, made on the first call; null for unknown names
  // and for the "_all", "_files" and "_folders" lists of a listing without
  // such entries. A value returned by at() stays valid until the next at()
  // on any list of these variables.
  const template_list* find(std::string_view name) const override;

  // For tests: how many values of the list called name were computed so
  // far (0 when the list was never made).
  int64_t values_computed(std::string_view name) const;

 private:
  class state;
  std::unique_ptr<state> state_;
};

// Every variable name a listing's template may use, each once, in byte
// order (the texts are static). The build checks templates against it.
std::vector<std::string_view> listing_variable_names();

// image_dir with a "/" appended when it is not empty and does not end in one.
std::string normalise_image_dir(std::string image_dir);

// The download-time text of a file of bytes at 7000 bytes per second:
// "N sec" below a minute, "N min" below an hour, else "H h M min"; the
// counts are rounded up by adding one to the truncated quotient.
std::string download_time(int64_t bytes);

// A file's size as shown: bytes divided by 1024 size_units times, plus one
// when size_units is 1 or 2 (the whole quotient plus one, so 1024 bytes are
// 2 Kb), formatted with fmt; for 3 and 4 the number of human_size_of.
std::string shown_size(const number_format_record& fmt, int64_t bytes,
                       int32_t size_units);

// The strftime text of time (UTC or local time by the date's own zone
// rules); the empty text when the result does not fit the formatting room.
std::string format_time(int64_t time, bool is_gmt, const std::string& format);

#endif  // DIRGEN_LISTING_VARIABLES_H_
