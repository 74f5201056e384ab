#include "listing/variables.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "listing/embedded_icons.h"
#include "text/ascii.h"
#include "text/encoders.h"

namespace {

// The columns every group has, under the names stem + group name.
enum column : int {
  kMark,  // "all" / "files" / "folders": one empty text per entry
  kCounter,
  kMod2,
  kDir,
  kName,
  kExt,
  kDirDir,
  kTime,
  kRelPath,
  kUrl,
  kNameHtml,
  kRelPathHtml,
  kSize,
  kSizeUnits,
  kDwldTime,
  kMedia,
  kImage,
  kExtHtml,
  kMtime,
  kIsotime,
  kBytes,
  kListingUrl,
  kSizeText,
  kIconClass,
  kColumnCount,
  kChildren = kColumnCount,  // "children_all", in the "_all" group only
};

constexpr std::array<std::string_view, kColumnCount> kColumnStems = {
    "",           "counter_",       "mod2_",     "dir_",        "name_",
    "ext_",       "dir_dir_",       "time_",     "rel_path_",   "url_",
    "name_html_", "rel_path_html_", "size_",     "size_units_", "dwld_time_",
    "media_",     "image_",         "ext_html_", "mtime_",      "isotime_",
    "bytes_",     "listing_url_",   "size_text_", "icon_class_"};

enum group : int { kAll, kFiles, kFolders, kGroupCount };
constexpr std::array<std::string_view, kGroupCount> kGroupNames = {
    "all", "files", "folders"};

// The names of one value each.
constexpr std::string_view kSummaryNames[] = {
    "show_folders",       "show_summary",    "image_dir",
    "total_files",        "total_folders",   "total_size",
    "date_generated",     "parent_listing",  "listing_name",
    "title",              "folder_path",     "readme_name",
    "readme_text",        "icon_css",        "total_files_text",
    "total_folders_text", "total_size_text",  "size_units",
    "date_format",        "is_gmt_date",      "large_listing"};

// From this many entries on (files and folders together) "large_listing"
// is 1, and the shipped HTML styles write their entries as one compact
// data block that a script draws as the reader scrolls, instead of as
// markup. Below it every entry is plain markup, which any browser shows at
// once and which find-in-page searches; at a few thousand entries of the
// heaviest style (the download page, about 400 bytes of markup each) a page
// still lays out in a fraction of a second, while at hundreds of thousands
// markup costs gigabytes of renderer memory and minutes of layout.
constexpr size_t kLargeListingEntries = 2001;

// The lists of the way from the top listing to this one.
constexpr std::string_view kTrailNames[] = {"name_trail", "url_trail"};

// One entry of a group: a node, or (in "_all" only) the folder-end marker
// of a node that has children, which follows that node's last descendant.
// The marker flag sits in the low bit of the node's address.
class row {
 public:
  static row entry(const file_node* node) {
    return row(reinterpret_cast<uintptr_t>(node));
  }
  static row end_of(const file_node* node) {
    return row(reinterpret_cast<uintptr_t>(node) | 1);
  }
  bool is_marker() const { return (bits_ & 1) != 0; }
  const file_node* node() const {
    return reinterpret_cast<const file_node*>(bits_ & ~uintptr_t{1});
  }

 private:
  static_assert(alignof(file_node) >= 2, "the marker bit needs alignment");
  explicit row(uintptr_t bits) : bits_(bits) {}
  uintptr_t bits_;
};

// value becomes the text bytes, reusing its buffer. REQUIRES: the buffer
// is not shared (each column's value is its own) and bytes do not point
// into it.
void set_text(variant* value, std::string_view bytes) {
  if (!value->is_text()) *value = variant("");
  byte_string& text = value->mutable_text();
  text.set_length(static_cast<int32_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(text.data(), bytes.data(), bytes.size());
}

std::string escape_html(std::string_view text) {
  std::string out;
  append_html_name(text, &out);
  return out;
}

// Appends a link piece to *link: HTML-escaped, or URL-encoded with every
// "/" kept (an archive's names may hold one). Both encodings work byte by
// byte, so pieces encode independently.
void append_link(std::string_view text, bool html, std::string* link) {
  if (html) {
    link->append(escape_html(text));
    return;
  }
  for (size_t slash; (slash = text.find('/')) != std::string_view::npos;) {
    url_encode_append(text.substr(0, slash), link);
    link->push_back('/');
    text.remove_prefix(slash + 1);
  }
  url_encode_append(text, link);
}

// A relative link whose first component holds a ":" would read as a scheme
// ("javascript:x"); "./" in front keeps it a path. Only HTML-escaped links
// keep a ":" (URL encoding writes "%3A").
void keep_relative(std::string* link) {
  const size_t colon = link->find(':');
  if (colon != std::string::npos && colon < link->find('/')) {
    link->insert(0, "./");
  }
}

std::string encode_link(std::string_view text, bool html) {
  std::string link;
  append_link(text, html, &link);
  return link;
}

// First value of key's list in table, or false when there is none.
bool first_of(const loaded_table* table, std::string_view key, variant* out) {
  if (!table) return false;
  value_list* list = table->table.list(key);
  if (!list || list->empty()) return false;
  *out = (*list)[0];
  return true;
}

// Room for the strftime text of format: its length, 15 bytes for every
// "%", and 128 more.
size_t time_room(const std::string& format) {
  return format.size() + 128 +
         15 *
             static_cast<size_t>(std::count(format.begin(), format.end(), '%'));
}

// *out := the strftime text of time in *room (sized by time_room); false
// when the time cannot be broken down or the text does not fit.
bool format_time_into(int64_t time, bool is_gmt, const std::string& format,
                      std::string* room, std::string_view* out) {
  struct tm parts {};
  time_t t = static_cast<time_t>(time);
  bool ok = is_gmt ? gmtime_r(&t, &parts) != nullptr
                   : localtime_r(&t, &parts) != nullptr;
  if (!ok || format.empty()) return false;
  size_t n = strftime(room->data(), room->size(), format.c_str(), &parts);
  *out = std::string_view(room->data(), n);
  return true;
}

// What an entry shows of its kind: description, icon (a path or a data:
// URI), the icon's CSS class and the icon's file name.
struct media {
  variant description{""};
  variant image{""};
  variant icon_class{""};
  std::string icon;
};

// Description and icon of files by lower-case extension, looked up once per
// distinct extension.
class media_lookup {
 public:
  explicit media_lookup(const variable_options& o)
      : o_(o), icons_(o.image_dir.empty() ? o.icon_folder : "") {}

  const media& for_file(std::string_view ext) {
    key_.assign(ext.empty() ? ext : ext.substr(1));
    for (char& c : key_) c = ascii_lower(c);
    auto it = cache_.find(key_);
    if (it != cache_.end()) return it->second;
    std::string major = major_type(ext);
    media m = made(chain(o_.ext_descriptions, o_.type_descriptions, key_, major),
                   chain(o_.ext_images, o_.type_images, key_, major));
    return cache_.emplace(key_, std::move(m)).first->second;
  }

  const media& for_folder() {
    if (!folder_) {
      variant descr(""), image("");
      first_of(o_.type_descriptions, "folder", &descr);
      first_of(o_.type_images, "folder", &image);
      folder_ = std::make_unique<media>(made(descr, image));
    }
    return *folder_;
  }

 private:
  // Where the icon called name is found: its data: URI when the icons are
  // embedded, else image_dir followed by name.
  std::string icon_url(const std::string& name) {
    if (!o_.image_dir.empty()) return o_.image_dir + name;
    return icons_.data_uri(name);
  }
  media made(const variant& description, const variant& image) {
    media m;
    m.description = description;
    m.icon = image.str();
    if (!m.icon.empty()) {
      m.image = variant(std::string_view(icon_url(m.icon)));
      if (!m.image.view().empty()) {
        m.icon_class = variant(std::string_view(icon_class(m.icon)));
      }
    }
    return m;
  }
  std::string major_type(std::string_view ext) const {
    std::string type;
    if (!o_.types || !content_type_for(*o_.types, ext, &type)) return "";
    return type.substr(0, type.find('/'));
  }
  // The first value found by extension, then by major content type, then
  // under "other"; the empty text when none exists.
  static variant chain(const loaded_table* by_ext, const loaded_table* by_type,
                       const std::string& key, const std::string& major) {
    variant out("");
    if (first_of(by_ext, key, &out)) return out;
    if (!major.empty() && first_of(by_type, major, &out)) return out;
    if (first_of(by_type, "other", &out)) return out;
    return variant("");
  }

  const variable_options& o_;
  icon_files icons_;
  std::unordered_map<std::string, media> cache_;
  std::unique_ptr<media> folder_;
  std::string key_;
};

// A folder's path relative to the listing's top, plain and HTML-escaped,
// and its link (encoded, without the listing's link prefix, ending in "/"
// unless empty), where a ".." takes back the component before it and is
// dropped at the top.
struct folder_paths {
  const file_node* folder = nullptr;  // null: the top level
  variant rel_path{""};
  variant rel_path_html{""};
  std::string url_prefix;
  std::vector<size_t> url_cuts;  // where each component of url_prefix starts
};

// base_url made safe to write into a double-quoted attribute or a Markdown
// link without changing what it addresses: HTML-escaped, or with blanks,
// quotes, angle brackets, controls and bytes from 0x80 up as "%XX"; a "/"
// is added when it does not end in one.
std::string encode_base_url(std::string_view base, bool html) {
  std::string out;
  if (html) {
    out = escape_html(base);
  } else {
    for (char ch : base) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' ||
          c == '`' || c == '\\') {
        url_encode_append(std::string_view(&ch, 1), &out);
      } else {
        out.push_back(ch);
      }
    }
  }
  if (!out.empty() && out.back() != '/') out.push_back('/');
  return out;
}

}  // namespace

// What the lists of one listing share: the rows of each group, the folder
// paths, the media lookups and the summary values.
class listing_variables::state {
 public:
  state(const file_tree& tree, const variable_options& options)
      : tree_(tree), o_(normalised(options)), media_(o_) {
    time_room_.resize(time_room(o_.date_format));
    make_link_prefix();
  }

  const template_list* find(std::string_view name);
  int64_t values_computed(std::string_view name) const {
    auto it = lists_.find(name);
    return it == lists_.end() || !it->second ? 0 : it->second->computed;
  }

  // The number of rows of group g.
  int32_t row_count(group g);
  // The value of column c for entry index of group g, made in *out or
  // returned from a cache.
  const variant& value(group g, int c, int32_t index, variant* out);

 private:
  // A list of the variables: a column of a group, or one summary value.
  struct list_base : template_list {
    mutable int64_t computed = 0;
  };
  struct column_list;
  struct summary_list;
  struct trail_list;

  static variable_options normalised(variable_options o) {
    o.image_dir = normalise_image_dir(o.image_dir);
    if (o.folder_chain.empty()) o.folder_chain.emplace_back();
    return o;
  }
  std::string encoded_below_top(size_t levels) const;
  void make_link_prefix();
  const std::vector<variant>& trail_names();
  const std::vector<variant>& trail_urls();
  void make_trail();
  std::string icon_css();
  std::string size_text(int64_t bytes);
  row row_at(group g, int32_t index);
  int32_t all_counter(int32_t index);
  void make_rows(group g);
  const std::vector<int32_t>& all_counters();
  const variant& marker_value(int c, variant* out);
  const variant& node_value(const file_node* n, int c, int32_t counter,
                            variant* out);
  const folder_paths& paths_of(const file_node* folder);
  void url_of(const file_node* n, std::string* link);
  const variant& time_text(int64_t time);
  void tally();
  std::unique_ptr<list_base> make_list(std::string_view name);
  variant summary_value(std::string_view name);

  const file_tree& tree_;
  variable_options o_;
  media_lookup media_;
  std::map<std::string, std::unique_ptr<list_base>, std::less<>> lists_;

  // Each group's rows are counted when a list of it is first named, and
  // read through a cursor that walks the tree: templates read a group front
  // to back (every for loop does), which takes no memory per entry. Read in
  // any other order, a group's rows are made once in one block of their
  // exact size, 8 bytes per entry, and read from there.
  struct row_cursor {
    int32_t index = -1;  // the row it is on; -1: before the first
    row at = row::entry(nullptr);
    int32_t nodes = 0;  // nodes (rows that are no marker) up to index
  };
  std::array<int32_t, kGroupCount> row_counts_ = {-1, -1, -1};
  std::array<row_cursor, kGroupCount> cursors_;
  std::array<bool, kGroupCount> rows_made_ = {};
  std::array<std::vector<row>, kGroupCount> rows_;
  std::vector<int32_t> all_counters_;  // counter_all per "_all" row, made
                                       // with the rows of "_all"

  // The paths of the folders from the top down to the one asked for last.
  std::vector<folder_paths> paths_;
  std::vector<const file_node*> chain_;  // scratch for paths_of

  bool tallied_ = false;
  int64_t total_bytes_ = 0;

  std::string time_room_;
  // The last time formatted and its text: entries of a folder often share
  // their modification time.
  int64_t last_time_ = 0;
  variant last_time_text_;
  std::string link_;
  const variant empty_{""};

  // What every entry's link starts with: base_url and the listed folder's
  // path below the top, or the way from the listing to the listed folder.
  std::string link_prefix_;
  // One value per folder of folder_chain: its name, and the link to its
  // listing. Made when a template first names them: the links of a folder
  // n levels deep take n * n bytes.
  bool trail_made_ = false;
  std::vector<variant> trail_names_;
  std::vector<variant> trail_urls_;
};

struct listing_variables::state::column_list : list_base {
  column_list(state* s, group g, int c) : s_(s), g_(g), c_(c) {}
  int32_t size() const override {
    return s_->row_count(g_);
  }
  const variant& at(int32_t index, variant* /*scratch*/) const override {
    assert(index >= 0 && index < size());
    ++computed;
    return s_->value(g_, c_, index, &value_);
  }

  state* s_;
  group g_;
  int c_;
  // This column's own value, so that its text buffer is reused from entry
  // to entry.
  mutable variant value_;
};

struct listing_variables::state::summary_list : list_base {
  explicit summary_list(variant v) : value_(std::move(v)) {}
  int32_t size() const override { return 1; }
  const variant& at(int32_t index, variant* /*scratch*/) const override {
    assert(index == 0);
    ++computed;
    return value_;
  }
  variant value_;
};

struct listing_variables::state::trail_list : list_base {
  explicit trail_list(const std::vector<variant>* values) : values_(values) {}
  int32_t size() const override {
    return static_cast<int32_t>(values_->size());
  }
  const variant& at(int32_t index, variant* /*scratch*/) const override {
    assert(index >= 0 && index < size());
    ++computed;
    return (*values_)[static_cast<size_t>(index)];
  }
  const std::vector<variant>* values_;
};

// The link prefix and the trail. With a base_url, folder i's listing is at
// base_url + the path of folder i below the top; without, it lies as many
// folders up as the listed folder is below it. The listed folder's own
// listing is the listing itself.
// The encoded path of the first levels folders of folder_chain below the
// top, each followed by "/".
std::string listing_variables::state::encoded_below_top(size_t levels) const {
  std::string below_top;
  for (size_t i = 1; i < levels; ++i) {
    below_top += encode_link(o_.folder_chain[i], o_.url_html_escape) + "/";
  }
  return below_top;
}

void listing_variables::state::make_link_prefix() {
  const bool html = o_.url_html_escape;
  link_prefix_ = o_.base_url.empty()
                     ? encode_link(o_.folder_link, html)
                     : encode_base_url(o_.base_url, html) +
                           encoded_below_top(o_.folder_chain.size());
}

const std::vector<variant>& listing_variables::state::trail_names() {
  if (!trail_made_) make_trail();
  return trail_names_;
}

const std::vector<variant>& listing_variables::state::trail_urls() {
  if (!trail_made_) make_trail();
  return trail_urls_;
}

void listing_variables::state::make_trail() {
  trail_made_ = true;
  const bool html = o_.url_html_escape;
  const std::vector<std::string>& chain = o_.folder_chain;
  const std::string listing = encode_link(o_.listing_name, html);
  std::string below_top;  // encoded path of folder i below the top
  for (size_t i = 0; i < chain.size(); ++i) {
    if (i > 0) below_top += encode_link(chain[i], html) + "/";
    trail_names_.emplace_back(std::string_view(chain[i]));
    std::string url;
    if (i + 1 == chain.size()) {
      url = listing;
      keep_relative(&url);
    } else if (!o_.base_url.empty()) {
      url = encode_base_url(o_.base_url, html) + below_top + listing;
    } else {
      for (size_t up = i + 1; up < chain.size(); ++up) url += "../";
      url += listing;
    }
    trail_urls_.emplace_back(std::string_view(url));
  }
}

const template_list* listing_variables::state::find(std::string_view name) {
  auto it = lists_.find(name);
  if (it == lists_.end()) {
    it = lists_.emplace(std::string(name), make_list(name)).first;
  }
  return it->second.get();
}

std::unique_ptr<listing_variables::state::list_base>
listing_variables::state::make_list(std::string_view name) {
  auto column_of = [&](group g, int c) -> std::unique_ptr<list_base> {
    if (row_count(g) == 0) return nullptr;  // a group without entries
    return std::make_unique<column_list>(this, g, c);
  };
  if (name == "children_all") return column_of(kAll, kChildren);
  if (name == "name_trail") return std::make_unique<trail_list>(&trail_names());
  if (name == "url_trail") return std::make_unique<trail_list>(&trail_urls());
  for (int g = 0; g < kGroupCount; ++g) {
    const std::string_view suffix = kGroupNames[g];
    if (name.size() < suffix.size() || !name.ends_with(suffix)) continue;
    const std::string_view stem = name.substr(0, name.size() - suffix.size());
    for (int c = 0; c < kColumnCount; ++c) {
      if (stem == kColumnStems[c]) return column_of(static_cast<group>(g), c);
    }
  }
  for (std::string_view summary : kSummaryNames) {
    if (name == summary) {
      return std::make_unique<summary_list>(summary_value(name));
    }
  }
  return nullptr;
}

variant listing_variables::state::summary_value(std::string_view name) {
  if (name == "show_folders") return variant(o_.show_folders);
  if (name == "show_summary") return variant(o_.show_summary);
  if (name == "size_units") return variant(o_.size_units);
  if (name == "date_format") return variant(std::string_view(o_.date_format));
  if (name == "is_gmt_date") return variant(int32_t{o_.is_gmt_date ? 1 : 0});
  if (name == "image_dir") return variant(std::string_view(o_.image_dir));
  if (name == "total_files") {
    return variant(row_count(kFiles));
  }
  if (name == "total_folders") {
    return variant(row_count(kFolders));
  }
  if (name == "total_size") {
    tally();
    return variant(
        std::string_view(format_integer(*o_.number_format, total_bytes_)));
  }
  if (name == "date_generated") {
    return variant(
        std::string_view(format_time(o_.now, o_.is_gmt_date, o_.date_format)));
  }
  if (name == "parent_listing") {
    const std::vector<variant>& urls = trail_urls();
    if (urls.size() < 2) return variant("");
    return urls[urls.size() - 2];
  }
  if (name == "listing_name") return variant(std::string_view(o_.listing_name));
  if (name == "title") {
    return variant(std::string_view(o_.title.empty() ? o_.folder_chain.back()
                                                     : o_.title));
  }
  if (name == "folder_path") {
    std::string path;
    for (const std::string& folder : o_.folder_chain) {
      if (!path.empty() && path.back() != '/') path += '/';
      path += folder;
    }
    return variant(std::string_view(path));
  }
  if (name == "readme_name") return variant(std::string_view(o_.readme_name));
  if (name == "readme_text") {
    std::string text;
    append_html_text(o_.readme_text, &text);
    return variant(std::string_view(text));
  }
  if (name == "icon_css") return variant(std::string_view(icon_css()));
  if (name == "total_files_text") {
    return variant(std::string_view(counted(
        *o_.number_format, int64_t{row_count(kFiles)}, "file",
        "files")));
  }
  if (name == "total_folders_text") {
    return variant(std::string_view(
        counted(*o_.number_format, int64_t{row_count(kFolders)},
                "folder", "folders")));
  }
  if (name == "large_listing") {
    const size_t entries =
        static_cast<size_t>(row_count(kFiles)) + static_cast<size_t>(row_count(kFolders));
    return variant(static_cast<int32_t>(entries >= kLargeListingEntries));
  }
  assert(name == "total_size_text");
  tally();
  return variant(std::string_view(size_text(total_bytes_)));
}

namespace {

bool is_human(int32_t size_units) { return size_units == 3 || size_units == 4; }

}  // namespace

// bytes with its unit, in the listing's size unit.
std::string listing_variables::state::size_text(int64_t bytes) {
  const number_format_record& fmt = *o_.number_format;
  if (is_human(o_.size_units)) {
    human_size h = human_size_of(fmt, bytes, o_.size_units == 4);
    return h.number + " " + h.unit;
  }
  if (o_.size_units == 0) return counted(fmt, bytes, "byte", "bytes");
  return shown_size(fmt, bytes, o_.size_units) + " " + o_.unit_label.str();
}

// One rule per icon that an entry of the listing shows, in name order.
std::string listing_variables::state::icon_css() {
  std::map<std::string, const media*> used;
  for (const file_node* n = tree_.root(); n; n = file_tree::next_preorder(n)) {
    const media& m =
        n->is_folder ? media_.for_folder() : media_.for_file(n->ext());
    if (!m.icon_class.view().empty()) used.emplace(m.icon, &m);
  }
  std::string css;
  for (const auto& [icon, m] : used) css += icon_rule(icon, m->image.view());
  return css;
}

// The row of group g after r in pre-order: the first row when r is the
// null row (row::entry(nullptr)), the null row after the last. In "_all"
// each node that has children is followed, after its last descendant, by
// its marker.
static row next_row(const file_tree& tree, group g, row r) {
  const file_node* n = r.node();
  if (g != kAll) {
    n = n ? file_tree::next_preorder(n) : tree.root();
    while (n && (g == kFolders) != (n->is_folder != 0)) {
      n = file_tree::next_preorder(n);
    }
    return row::entry(n);
  }
  if (!n) return row::entry(tree.root());
  if (!r.is_marker() && n->first_child) return row::entry(n->first_child);
  if (n->next_sibling) return row::entry(n->next_sibling);
  return n->parent ? row::end_of(n->parent) : row::entry(nullptr);
}

// Calls add(row) for every row of group g in order.
template <typename Add>
static void for_each_row(const file_tree& tree, group g, Add add) {
  for (row r = next_row(tree, g, row::entry(nullptr)); r.node();
       r = next_row(tree, g, r)) {
    add(r);
  }
}

int32_t listing_variables::state::row_count(group g) {
  if (row_counts_[g] < 0) {
    int32_t count = 0;
    for_each_row(tree_, g, [&](row) { ++count; });
    row_counts_[g] = count;
  }
  return row_counts_[g];
}

// Row index of group g: from the cursor when it is on that row or the one
// before (or index is 0), else from the group's rows, made on the way.
row listing_variables::state::row_at(group g, int32_t index) {
  if (rows_made_[g]) return rows_[g][static_cast<size_t>(index)];
  row_cursor& c = cursors_[g];
  if (index == 0 && c.index != 0) c = row_cursor{};
  if (index == c.index + 1) {
    c.at = next_row(tree_, g, c.at);
    c.index = index;
    if (!c.at.is_marker()) ++c.nodes;
  }
  if (index == c.index) return c.at;
  make_rows(g);
  return rows_[g][static_cast<size_t>(index)];
}

void listing_variables::state::make_rows(group g) {
  rows_made_[g] = true;
  std::vector<row>& rows = rows_[g];
  rows.reserve(static_cast<size_t>(row_count(g)));
  for_each_row(tree_, g, [&](row r) { rows.push_back(r); });
}

// counter_all of "_all" row index, just read by row_at.
int32_t listing_variables::state::all_counter(int32_t index) {
  if (!rows_made_[kAll]) return cursors_[kAll].nodes;
  return all_counters()[static_cast<size_t>(index)];
}

// counter_all of every "_all" entry: the running number of nodes, from 1;
// a marker holds the number of the node before it.
const std::vector<int32_t>& listing_variables::state::all_counters() {
  if (all_counters_.empty()) {
    const std::vector<row>& all = rows_[kAll];
    all_counters_.reserve(all.size());
    int32_t counter = 0;
    for (const row& r : all) {
      if (!r.is_marker()) ++counter;
      all_counters_.push_back(counter);
    }
  }
  return all_counters_;
}

void listing_variables::state::tally() {
  if (tallied_) return;
  tallied_ = true;
  for (const file_node* n = tree_.root(); n; n = file_tree::next_preorder(n)) {
    if (!n->is_folder) total_bytes_ += n->size;
  }
}

const variant& listing_variables::state::value(group g, int c, int32_t index,
                                               variant* out) {
  const row r = row_at(g, index);
  if (c == kChildren) {
    *out = variant(!r.is_marker() && r.node()->first_child != nullptr);
    return *out;
  }
  if (r.is_marker()) return marker_value(c, out);
  int32_t counter = index + 1;
  if (g == kAll && (c == kCounter || c == kMod2)) {
    counter = all_counter(index);
  }
  return node_value(r.node(), c, counter, out);
}

const variant& listing_variables::state::marker_value(int c, variant* out) {
  switch (c) {
    case kCounter:
    case kMod2:
      *out = variant(false);
      return *out;
    case kDir:
      *out = variant(1);
      return *out;
    case kDirDir:
      *out = variant(0);
      return *out;
    default:
      return empty_;
  }
}

const variant& listing_variables::state::node_value(const file_node* n, int c,
                                                    int32_t counter,
                                                    variant* out) {
  const bool file = !n->is_folder;
  switch (c) {
    case kMark:
      return empty_;
    case kCounter:
      *out = variant(counter);
      return *out;
    case kMod2:
      *out = variant(counter % 2);
      return *out;
    case kDir:
      *out = variant(n->is_folder ? 1 : 0);
      return *out;
    case kDirDir:
      *out = variant(1);
      return *out;
    case kName:
      set_text(out, n->name());
      return *out;
    case kExt:
      set_text(out, n->ext());
      return *out;
    case kNameHtml:
      link_.clear();
      append_html_name(n->name(), &link_);
      set_text(out, link_);
      return *out;
    case kExtHtml:
      link_.clear();
      append_html_name(n->ext(), &link_);
      set_text(out, link_);
      return *out;
    case kTime:
      return time_text(n->time);
    case kRelPath:
      return paths_of(n->parent).rel_path;
    case kRelPathHtml:
      return paths_of(n->parent).rel_path_html;
    case kUrl:
      url_of(n, &link_);
      set_text(out, link_);
      return *out;
    case kListingUrl:
      url_of(n, &link_);
      if (n->is_folder && o_.folder_listings && !n->is_link) {
        append_link(o_.listing_name, o_.url_html_escape, &link_);
      }
      set_text(out, link_);
      return *out;
    case kSize:
      if (!file) return empty_;
      set_text(out, shown_size(*o_.number_format, n->size, o_.size_units));
      return *out;
    case kSizeUnits:
      if (!file) return empty_;
      if (!is_human(o_.size_units)) return o_.unit_label;
      set_text(out, human_size_of(*o_.number_format, n->size,
                                  o_.size_units == 4)
                        .unit);
      return *out;
    case kSizeText:
      if (!file) return empty_;
      set_text(out, size_text(n->size));
      return *out;
    case kIconClass:
      return file ? media_.for_file(n->ext()).icon_class
                  : media_.for_folder().icon_class;
    case kDwldTime:
      if (!file) return empty_;
      set_text(out, download_time(n->size));
      return *out;
    case kMedia:
      return file ? media_.for_file(n->ext()).description
                  : media_.for_folder().description;
    case kImage:
      return file ? media_.for_file(n->ext()).image
                  : media_.for_folder().image;
    case kMtime:
      set_text(out, std::to_string(n->time));
      return *out;
    case kIsotime: {
      struct tm t {};
      const time_t seconds = static_cast<time_t>(n->time);
      if (!gmtime_r(&seconds, &t)) return empty_;
      char text[64];
      int size = std::snprintf(
          text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.tm_year + 1900,
          t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
      set_text(out, std::string_view(text, static_cast<size_t>(size)));
      return *out;
    }
    case kBytes:
      if (!file) return empty_;
      set_text(out, std::to_string(n->size));
      return *out;
    default:
      assert(false);
      return empty_;
  }
}

// The paths of folder (null: the top level). The folders from the top
// down to the last one asked for are kept, so the entries of one folder, and
// of its neighbours, share the work.
const folder_paths& listing_variables::state::paths_of(
    const file_node* folder) {
  if (paths_.empty()) paths_.emplace_back();  // the top level
  if (paths_.back().folder == folder) return paths_.back();
  chain_.clear();
  for (const file_node* a = folder; a; a = a->parent) chain_.push_back(a);
  std::reverse(chain_.begin(), chain_.end());
  // Keep the leading folders that are still ancestors, then add the rest.
  size_t keep = 1;
  while (keep < paths_.size() && keep - 1 < chain_.size() &&
         paths_[keep].folder == chain_[keep - 1]) {
    ++keep;
  }
  paths_.resize(keep);
  for (size_t i = keep - 1; i < chain_.size(); ++i) {
    const folder_paths& parent = paths_.back();
    const std::string_view name = chain_[i]->name();
    folder_paths p;
    p.folder = chain_[i];
    std::string rel(parent.rel_path.view());
    rel.append(name).push_back('/');
    std::string rel_html(parent.rel_path_html.view());
    rel_html.append(escape_html(name)).push_back('/');
    p.rel_path = variant(std::string_view(rel));
    p.rel_path_html = variant(std::string_view(rel_html));
    p.url_prefix = parent.url_prefix;
    p.url_cuts = parent.url_cuts;
    if (name == "..") {
      if (!p.url_cuts.empty()) {
        p.url_prefix.resize(p.url_cuts.back());
        p.url_cuts.pop_back();
      }
    } else if (name != "." && !name.empty()) {
      p.url_cuts.push_back(p.url_prefix.size());
      append_link(name, o_.url_html_escape, &p.url_prefix);
      p.url_prefix += '/';
    }
    paths_.push_back(std::move(p));
  }
  return paths_.back();
}

const variant& listing_variables::state::time_text(int64_t time) {
  if (last_time_text_.is_text() && time == last_time_) return last_time_text_;
  std::string_view text;
  if (!format_time_into(time, o_.is_gmt_date, o_.date_format, &time_room_,
                        &text)) {
    text = {};
  }
  set_text(&last_time_text_, text);
  last_time_ = time;
  return last_time_text_;
}

// *link := the link prefix, then the folder's own link path, or the
// file's folder's link path and the file's name and extension, encoded;
// kept relative (keep_relative) when nothing comes before it.
void listing_variables::state::url_of(const file_node* n, std::string* link) {
  *link = link_prefix_;
  if (n->is_folder) {
    *link += paths_of(n).url_prefix;
  } else {
    *link += paths_of(n->parent).url_prefix;
    append_link(n->full_name(), o_.url_html_escape, link);
  }
  if (link_prefix_.empty()) keep_relative(link);
}

listing_variables::listing_variables(const file_tree& tree,
                                     const variable_options& options)
    : state_(std::make_unique<state>(tree, options)) {}

listing_variables::~listing_variables() = default;

const template_list* listing_variables::find(std::string_view name) const {
  return state_->find(name);
}

int64_t listing_variables::values_computed(std::string_view name) const {
  return state_->values_computed(name);
}

std::string normalise_image_dir(std::string image_dir) {
  std::replace(image_dir.begin(), image_dir.end(), '\\', '/');
  if (!image_dir.empty() && image_dir.back() != '/') image_dir += '/';
  return image_dir;
}

std::string download_time(int64_t bytes) {
  const int64_t t = bytes / 7000;
  if (t < 60) return std::to_string(t + 1) + " sec";
  if (t < 3600) return std::to_string(t / 60 + 1) + " min";
  return std::to_string(t / 3600) + " h " + std::to_string(t % 3600 / 60 + 1) +
         " min";
}

std::string shown_size(const number_format_record& fmt, int64_t bytes,
                       int32_t size_units) {
  if (is_human(size_units)) {
    return human_size_of(fmt, bytes, size_units == 4).number;
  }
  int64_t size = bytes;
  for (int32_t i = 0; i < size_units; ++i) size /= 1024;
  if (size_units != 0) ++size;
  return format_integer(fmt, size);
}

std::string format_time(int64_t time, bool is_gmt, const std::string& format) {
  std::string room(time_room(format), '\0');
  std::string_view text;
  if (!format_time_into(time, is_gmt, format, &room, &text)) return "";
  return std::string(text);
}

std::vector<std::string_view> listing_variable_names() {
  // The column names, made once, live as long as the program.
  static const std::vector<std::string> kColumnNames = [] {
    std::vector<std::string> made;
    for (std::string_view stem : kColumnStems) {
      for (std::string_view group : kGroupNames) {
        made.push_back(std::string(stem) + std::string(group));
      }
    }
    return made;
  }();
  std::vector<std::string_view> names = {"children_all"};
  names.insert(names.end(), kColumnNames.begin(), kColumnNames.end());
  names.insert(names.end(), std::begin(kSummaryNames), std::end(kSummaryNames));
  names.insert(names.end(), std::begin(kTrailNames), std::end(kTrailNames));
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}
