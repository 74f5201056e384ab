#include "listing/variables.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "text/ascii.h"
#include "value/kvtext.h"

namespace {

// Every list a node entry goes to. The _all, _files and _folders groups
// share their suffix-less column names, in this order.
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
  kExtHtml,  // the extension HTML-escaped, for pages that show it
  kColumnCount,
};

constexpr std::array<const char*, kColumnCount> kColumnStems = {
    "",           "counter_",       "mod2_",    "dir_",        "name_",
    "ext_",       "dir_dir_",       "time_",    "rel_path_",   "url_",
    "name_html_", "rel_path_html_", "size_",    "size_units_", "dwld_time_",
    "media_",     "image_",         "ext_html_"};

enum group : int { kAll, kFiles, kFolders, kGroupCount };
constexpr std::array<const char*, kGroupCount> kGroupNames = {"all", "files",
                                                              "folders"};

// The lists of the table, created on their first entry and reserved for
// the number of entries they will get.
class list_writer {
 public:
  list_writer(kvhash_array* vars, std::array<int32_t, kGroupCount> sizes)
      : vars_(vars), sizes_(sizes) {}

  void add(group g, column c, kvval value) {
    kvarr*& list = lists_[g][c];
    if (!list) list = create(name_of(g, c), sizes_[g]);
    list->push(std::move(value));
  }
  void add_children_flag(bool has_children) {
    if (!children_) children_ = create("children_all", sizes_[kAll]);
    children_->push(kvval(has_children));
  }

 private:
  static std::string name_of(group g, column c) {
    if (c == kMark) return kGroupNames[g];
    return std::string(kColumnStems[c]) + kGroupNames[g];
  }
  kvarr* create(const std::string& name, int32_t reserve) {
    auto list = std::make_unique<kvarr>();
    list->reserve(reserve);
    kvarr* raw = list.get();
    vars_->insert_list(kvval(name), std::move(list));
    return raw;
  }

  kvhash_array* vars_;
  std::array<int32_t, kGroupCount> sizes_;
  std::array<std::array<kvarr*, kColumnCount>, kGroupCount> lists_{};
  kvarr* children_ = nullptr;
};

// A folder's path relative to the listing's top, plain and HTML-escaped,
// and its link prefix, computed once per folder.
// The path texts are values made to their exact size, so that every
// entry of the folder shares their buffers instead of copying them.
struct folder_paths {
  const kvfile_node* folder = nullptr;
  std::string rel_path;
  std::string rel_path_html;
  std::string url_prefix;
  kvval rel_path_value{""};
  kvval rel_path_html_value{""};
};

// A value holding text in a buffer of exactly the size a copy would get,
// which copies of it then share.
kvval exact(std::string_view text) { return kvval(text); }

std::string escape_html(std::string_view text) {
  kvval v(text);
  html_escape(&v);
  return v.str();
}

// A link piece: HTML-escaped, or URL-encoded with "%2F" back to "/". Both
// encodings work byte by byte, so pieces encode independently.
std::string encode_link(std::string_view text, bool html) {
  if (html) return escape_html(text);
  kvval encoded;
  url_encode(kvval(text), &encoded);
  encoded.replace(kvval("%2F"), kvval('/'));
  return encoded.str();
}

// First value of key's list in table, or false when there is none.
bool first_of(const kvcgi* table, std::string_view key, kvval* out) {
  if (!table) return false;
  kvarr* list = table->table.list(key);
  if (!list || list->empty()) return false;
  *out = (*list)[0];
  return true;
}

// Description and icon of files by lower-case extension, looked up once per
// distinct extension in a build.
class media_lookup {
 public:
  explicit media_lookup(const variable_options& o) : o_(o) {}

  const std::pair<kvval, kvval>& for_file(std::string_view ext) {
    std::string key = ascii_lower(ext.empty() ? ext : ext.substr(1));
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    std::string major = major_type(ext);
    std::pair<kvval, kvval> media(
        chain(o_.ext_descriptions, o_.type_descriptions, key, major),
        chain(o_.ext_images, o_.type_images, key, major));
    if (!media.second.view().empty()) media.second = prefixed(media.second);
    media = {exact(media.first.view()), exact(media.second.view())};
    return cache_.emplace(std::move(key), std::move(media)).first->second;
  }

  std::pair<kvval, kvval> for_folder() const {
    kvval descr(""), image("");
    first_of(o_.type_descriptions, "folder", &descr);
    if (first_of(o_.type_images, "folder", &image)) image = prefixed(image);
    return {descr, image};
  }

 private:
  std::string major_type(std::string_view ext) const {
    std::string type;
    if (!o_.types || !content_type_for(*o_.types, ext, &type)) return "";
    return type.substr(0, type.find('/'));
  }
  // The first value found by extension, then by major content type, then
  // under "other"; the empty text when none exists.
  static kvval chain(const kvcgi* by_ext, const kvcgi* by_type,
                     const std::string& key, const std::string& major) {
    kvval out("");
    if (first_of(by_ext, key, &out)) return out;
    if (!major.empty() && first_of(by_type, major, &out)) return out;
    if (first_of(by_type, "other", &out)) return out;
    return kvval("");
  }
  kvval prefixed(const kvval& image) const {
    kvval out(std::string_view(o_.image_dir));
    out.append(image);
    return out;
  }

  const variable_options& o_;
  std::unordered_map<std::string, std::pair<kvval, kvval>> cache_;
};

// Walks the tree and writes every node's entries.
class entry_writer {
 public:
  entry_writer(const variable_options& o, list_writer* lists)
      : o_(o), lists_(lists), media_(o) {}

  // Adds node's entries. The node's name and extension are moved into the
  // lists they end in (the tree is not read again), so they are not held
  // twice while the table fills.
  void add_node(kvfile_node* node) {
    lists_->add(kAll, kMark, kvval(""));
    lists_->add_children_flag(node->first_child != nullptr);
    if (node->is_marker) {
      add_marker();
      return;
    }
    const folder_paths& paths = paths_for(node);
    entry_values values = values_of(node, paths);
    ++all_count_;
    add_entry(kAll, all_count_, values, false);
    if (node->is_folder) {
      add_entry(kFolders, ++folder_count_, values, true);
    } else {
      add_to_total(node->size);
      add_entry(kFiles, ++file_count_, values, true);
    }
  }

  int32_t file_count() const { return file_count_; }
  int32_t folder_count() const { return folder_count_; }
  int64_t total_bytes() const { return total_bytes_; }

 private:
  // The values of one node's columns (the counter columns excepted), which
  // its "_all" entry and its "_files" or "_folders" entry share.
  using entry_values = std::array<kvval, kColumnCount>;

  void add_marker() {
    lists_->add(kAll, kCounter, kvval(false));
    lists_->add(kAll, kMod2, kvval(false));
    lists_->add(kAll, kDir, kvval(1));
    lists_->add(kAll, kDirDir, kvval(0));
    for (column c :
         {kName, kExt, kTime, kRelPath, kUrl, kNameHtml, kRelPathHtml, kSize,
          kSizeUnits, kDwldTime, kMedia, kImage, kExtHtml}) {
      lists_->add(kAll, c, kvval(""));
    }
  }

  // Adds one entry to group g; the values are moved in on their last use.
  void add_entry(group g, int32_t counter, entry_values& values, bool last) {
    kvval count(counter);
    if (g != kAll) lists_->add(g, kMark, kvval(""));  // "all" is per node
    lists_->add(g, kMod2, count.remainder(kvval(2)));
    lists_->add(g, kCounter, std::move(count));
    for (int c = kDir; c < kColumnCount; ++c) {
      lists_->add(g, static_cast<column>(c),
                  last ? std::move(values[c]) : kvval(values[c]));
    }
  }

  entry_values values_of(kvfile_node* node, const folder_paths& paths) {
    entry_values v;
    v[kDir] = kvval(node->is_folder ? 1 : 0);
    v[kDirDir] = kvval(node->valid);
    v[kTime] = kvval(std::string_view(
        format_time(node->time, o_.is_gmt_date, o_.date_format)));
    v[kRelPath] = paths.rel_path_value;
    v[kUrl] = kvval(std::string_view(link_of(node, paths)));
    v[kNameHtml] = node->name;  // shared unless escaping changes it
    html_escape(&v[kNameHtml]);
    v[kRelPathHtml] = paths.rel_path_html_value;
    if (node->is_folder) {
      for (column c : {kSize, kSizeUnits, kDwldTime}) v[c] = kvval("");
      std::pair<kvval, kvval> media = media_.for_folder();
      v[kMedia] = std::move(media.first);
      v[kImage] = std::move(media.second);
    } else {
      v[kSize] = shown_size(node->size);
      v[kSizeUnits] = o_.unit_label;
      v[kDwldTime] = download_time(node->size);
      const std::pair<kvval, kvval>& media = media_.for_file(node->ext.view());
      v[kMedia] = media.first;
      v[kImage] = media.second;
    }
    // The tree is not read again: its name and extension move over.
    v[kExtHtml] = node->ext;  // shares the buffer unless escaping changes it
    html_escape(&v[kExtHtml]);
    v[kName] = std::move(node->name);
    v[kExt] = std::move(node->ext);
    return v;
  }

  // The size divided by 1024 size_units times, plus one in Kb and Mb,
  // formatted with the user's number format.
  kvval shown_size(const kvval& bytes) const {
    kvval size = bytes;
    for (int32_t i = 0; i < o_.size_units; ++i) {
      if (size.as_real() == 0.0) break;  // further divisions keep 0
      size.divide(kvval(1024));
    }
    if (o_.size_units != 0) size.increment();
    return format_number_value(*o_.number_format, size);
  }

  std::string link_of(const kvfile_node* node, const folder_paths& paths) {
    std::string link = paths.url_prefix;
    std::string leaf = node->name.str();
    leaf.append(node->ext.view());
    link += encode_link(leaf, o_.url_html_escape);
    if (node->is_folder) link += '/';
    return link;
  }

  // The paths of node's parent, from a stack that follows the pre-order
  // walk: entries of folders whose subtree has ended are popped.
  const folder_paths& paths_for(const kvfile_node* node) {
    if (stack_.empty()) stack_.push_back(folder_paths{});  // the top level
    while (stack_.size() > 1 && stack_.back().folder != node->parent) {
      stack_.pop_back();
    }
    const folder_paths& parent = stack_.back();
    if (node->first_child) push_folder(node, parent);
    // push_folder may reallocate: the parent's entry sits below the top.
    return node->first_child ? stack_[stack_.size() - 2] : stack_.back();
  }

  void push_folder(const kvfile_node* node, folder_paths parent) {
    folder_paths paths;
    paths.folder = node;
    std::string name = node->name.str();
    paths.rel_path = parent.rel_path + name + "/";
    paths.rel_path_html = parent.rel_path_html + escape_html(name) + "/";
    paths.url_prefix =
        parent.url_prefix + encode_link(name, o_.url_html_escape) + "/";
    paths.rel_path_value = exact(paths.rel_path);
    paths.rel_path_html_value = exact(paths.rel_path_html);
    stack_.push_back(std::move(paths));
  }

  void add_to_total(const kvval& size) {
    if (size.kind() == KV_REAL) {
      total_bytes_ += static_cast<int64_t>(size.as_real());
    } else {
      total_bytes_ += size.as_int64();
    }
  }

  const variable_options& o_;
  list_writer* lists_;
  media_lookup media_;
  std::vector<folder_paths> stack_;
  int32_t all_count_ = 0;
  int32_t file_count_ = 0;
  int32_t folder_count_ = 0;
  int64_t total_bytes_ = 0;
};

// Numbers of entries each group will get, so lists are sized once.
std::array<int32_t, kGroupCount> count_entries(const kvfile_tree& tree) {
  std::array<int32_t, kGroupCount> sizes{};
  for (const kvfile_node* n = tree.root(); n; n = kvfile_tree::next_preorder(n)) {
    ++sizes[kAll];
    ++sizes[n->is_folder ? kFolders : kFiles];
  }
  return sizes;
}

void add_summary(const variable_options& o, const entry_writer& entries,
                 kvhash_array* vars) {
  vars->add(kvval("show_folders"), kvval(o.show_folders));
  vars->add(kvval("show_summary"), kvval(o.show_summary));
  vars->add(kvval("image_dir"), kvval(std::string_view(o.image_dir)));
  vars->add(kvval("total_files"), kvval(entries.file_count()));
  vars->add(kvval("total_folders"), kvval(entries.folder_count()));
  vars->add(kvval("total_size"),
            kvval(std::string_view(
                format_integer(*o.number_format, entries.total_bytes()))));
  vars->add(kvval("date_generated"),
            kvval(std::string_view(
                format_time(o.now, o.is_gmt_date, o.date_format))));
}

}  // namespace

void insert_folder_end_markers(kvfile_tree* tree) {
  for (kvfile_node* n = tree->root(); n; n = kvfile_tree::next_preorder(n)) {
    if (!n->first_child) continue;
    auto marker = std::make_unique<kvfile_node>();
    marker->is_folder = 1;
    marker->valid = 0;
    marker->is_marker = true;
    tree->insert_after(marker.release(), n);
  }
}

void fill_variables(kvfile_tree* tree, const variable_options& options,
                    kvhash_array* vars) {
  variable_options o = options;
  o.image_dir = normalise_image_dir(o.image_dir);
  o.unit_label = exact(o.unit_label.view());

  insert_folder_end_markers(tree);
  list_writer lists(vars, count_entries(*tree));
  entry_writer entries(o, &lists);
  for (kvfile_node* n = tree->root(); n; n = kvfile_tree::next_preorder(n))
    entries.add_node(n);
  add_summary(o, entries, vars);
}

std::string normalise_image_dir(std::string image_dir) {
  std::replace(image_dir.begin(), image_dir.end(), '\\', '/');
  if (!image_dir.empty() && image_dir.back() != '/') image_dir += '/';
  return image_dir;
}

kvval download_time(const kvval& size) {
  kvval t = size.quotient(kvval(7000));
  kvval text("");
  if (t.as_int() < 60) {
    t.increment();
    text.append(t);
    text.append_cstr(" sec");
  } else if (t.as_int() < 3600) {
    text.append(t.quotient(kvval(60)).plus(kvval(1)));
    text.append_cstr(" min");
  } else {
    text.append(t.quotient(kvval(3600)));
    text.append_cstr(" h ");
    text.append(t.remainder(kvval(3600)).quotient(kvval(60)).plus(kvval(1)));
    text.append_cstr(" min");
  }
  return text;
}

std::string format_time(int64_t time, bool is_gmt, const std::string& format) {
  struct tm parts {};
  time_t t = static_cast<time_t>(time);
  bool ok = is_gmt ? gmtime_r(&t, &parts) != nullptr
                   : localtime_r(&t, &parts) != nullptr;
  if (!ok || format.empty()) return "";
  size_t room =
      format.size() + 128 +
      15 * static_cast<size_t>(std::count(format.begin(), format.end(), '%'));
  std::string out(room, '\0');
  size_t n = strftime(out.data(), room, format.c_str(), &parts);
  out.resize(n);
  return out;
}
