#include "listing/build.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <utility>

#include "listing/archive_reader.h"
#include "listing/filter_tree.h"
#include "listing/kvfile_tree.h"
#include "listing/ordering.h"
#include "listing/scan_folder.h"
#include "listing/variables.h"
#include "markup/files.h"
#include "markup/kvi_run.h"
#include "platform/content_types.h"
#include "project/dirgen_project.h"
#include "text/ascii.h"

namespace {

// Running totals reported to the caller's progress interface.
struct progress_counter {
  build_progress* sink = nullptr;
  int64_t folders = 0;
  int64_t entries = 0;
  int64_t bytes = 0;
  int64_t last_report_ns = 0;
  uint32_t calls = 0;

  // Reports at most ten times a second; the clock is read once every 256
  // calls, since writes of template output call this for every piece.
  void report(bool force) {
    if (!sink) return;
    if (!force && (++calls & 255) != 0) return;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    int64_t now = ts.tv_sec * 1000000000LL + ts.tv_nsec;
    if (!force && now - last_report_ns < 100000000LL) return;  // 10 per s
    last_report_ns = now;
    sink->on_progress(folders, entries, bytes);
  }
};

// One build: the settings as given, plus the derived paths.
class listing_build {
 public:
  listing_build(const build_inputs& in, const dirgen_project& settings,
                progress_counter* progress)
      : in_(in), s_(settings), progress_(progress) {
    filter_.file_include = in.file_include;
    filter_.file_skip = in.file_skip;
    filter_.folder_include = in.folder_include;
    filter_.folder_skip = in.folder_skip;
    filter_.set_time_window(s_.time_filter, s_.time_start, s_.time_end);
    filter_.set_size_window(s_.size_filter, s_.size_start, s_.size_end);
  }

  int run();

 private:
  bool per_folder_mode() const {
    return s_.subfolders.as_bool() && !s_.subfolders_in_one_file.as_bool();
  }
  bool archive_source() const { return s_.source.as_bool(); }

  int read_source(bool* found);
  bool scan_level(const std::string& folder, kvfile_tree* tree);
  void recurse_into_subfolders();
  void attach_subfolder(kvfile_node* folder, const std::string& rel_path);
  void build_subfolder_listing(const std::string& full_path);
  void place_output();
  void split_extensions();
  int write_listing();

  const build_inputs& in_;
  const dirgen_project& s_;
  progress_counter* progress_;
  filter_options filter_;
  std::string path_;
  std::string save_;
  kvfile_tree tree_;
};

// A folder path made absolute against the current directory, so that the
// recursive walk finds every subfolder whatever the process does meanwhile.
std::string absolute_folder(std::string path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  std::string base(cwd);
  if (base.empty() || base.back() != '/') base += '/';
  return base + path;
}

// The code whose message names the archive format that path's extension
// suggests: tar, gzip or zip, else "not a recognized archive".
int code_for_extension(const std::string& path) {
  size_t dot = path.rfind('.');
  std::string ext =
      dot == std::string::npos ? "" : ascii_lower(path.substr(dot));
  if (ext == ".zip") return kBuildCantUnzip;
  if (ext == ".gz" || ext == ".tgz" || ext == ".tar_gz")
    return kBuildCantGunzip;
  if (ext == ".tar") return kBuildNoEntries;
  return kBuildNotArchive;
}

// The code of a failed archive read: its message names the format found
// (tar, zip, or the gzip around an archive), else the one the name
// suggests; damage in any other format is "Archive is damaged.".
int archive_failure_code(const archive_error& err, const std::string& path) {
  switch (err.failure) {
    case archive_failure::unreadable:
      return code_for_extension(path);
    case archive_failure::not_archive:
      // Unpacked well, but what came out is no archive.
      return err.gzip ? kBuildNoEntries : code_for_extension(path);
    case archive_failure::corrupt_data:
      return err.gzip ? kBuildCantGunzip : kBuildDamagedArchive;
    case archive_failure::damaged:
    case archive_failure::truncated:
    case archive_failure::cancelled:  // the progress below never stops it
      break;
  }
  switch (err.family) {
    case archive_family::tar:
      return kBuildNoEntries;
    case archive_family::zip:
      return kBuildCantUnzip;
    case archive_family::other:
      return kBuildDamagedArchive;
    case archive_family::unknown:
      break;
  }
  int code = code_for_extension(path);
  return code == kBuildNotArchive ? kBuildDamagedArchive : code;
}

std::string join(const std::string& folder, const std::string& rest) {
  if (!folder.empty() && folder.back() == '/') return folder + rest;
  return folder + "/" + rest;
}

int listing_build::run() {
  path_ = s_.path.str();
  save_ = s_.save.str();
  if (per_folder_mode()) save_ = save_.substr(save_.rfind('/') + 1);
  bool found = false;
  int code = read_source(&found);
  if (code != kBuildOk) return code;
  if (!found) return kBuildNoEntries;
  if (per_folder_mode() && !archive_source()) {
    // The source's own listing shows its own level; its subfolders got
    // their own listings during the walk.
    tree_.clear();
    scan_level(path_, &tree_);
  }
  place_output();
  split_extensions();
  order_tree(&tree_, s_.order_files, s_.sort_order);
  return write_listing();
}

int listing_build::read_source(bool* found) {
  if (archive_source()) {
    archive_error err;
    auto progress = [this](int64_t entries_read) {
      progress_->entries = entries_read;
      progress_->report(false);
      return true;
    };
    if (!read_archive(path_, &tree_, progress, &err)) {
      return archive_failure_code(err, path_);
    }
    filter_tree(&tree_, filter_);
    *found = true;
    return kBuildOk;
  }
  if (path_.size() > 1 && path_.back() == '/') path_.pop_back();
  path_ = absolute_folder(path_);
  *found = scan_level(path_, &tree_);
  if (*found && s_.subfolders.as_bool()) recurse_into_subfolders();
  return kBuildOk;
}

bool listing_build::scan_level(const std::string& folder, kvfile_tree* tree) {
  bool found =
      scan_folder(kvval(std::string_view(folder)), tree, nullptr, kvval("*"));
  filter_tree(tree, filter_);
  ++progress_->folders;
  progress_->entries += tree->count();
  progress_->report(false);
  return found;
}

// Scans every folder of the tree, at every depth, attaching each one's
// filtered entries as its children. The walk continues into the children
// just attached. Links to folders are listed but never entered.
void listing_build::recurse_into_subfolders() {
  std::string rel_path;
  for (kvfile_node* n = tree_.root(); n; n = kvfile_tree::next_preorder(n)) {
    if (!n->is_folder || n->is_link) continue;
    rel_path.clear();
    for (const kvfile_node* a = n; a; a = a->parent) {
      rel_path.insert(0, a->name.str() + "/");
    }
    attach_subfolder(n, rel_path);
  }
}

void listing_build::attach_subfolder(kvfile_node* folder,
                                     const std::string& rel_path) {
  std::string full_path = join(path_, rel_path);
  kvfile_tree level;
  scan_level(full_path, &level);
  tree_.adopt_children(folder, level);
  if (per_folder_mode()) build_subfolder_listing(full_path);
}

// The listing of one subfolder in per-folder mode: the same settings, one
// level, into the same file name inside that folder. Its result is ignored:
// a subfolder that fails simply has no listing.
void listing_build::build_subfolder_listing(const std::string& full_path) {
  dirgen_project sub = s_;
  sub.path = kvval(std::string_view(full_path));
  sub.save = kvval(std::string_view(save_));
  sub.subfolders = kvval(0);
  sub.subfolders_in_one_file = kvval(0);
  listing_build(in_, sub, progress_).run();
}

// A bare file name goes into the source's folder (for an archive, the
// archive's folder); a relative path with folders resolves against the
// source folder for a folder source.
void listing_build::place_output() {
  if (save_.find('/') == std::string::npos) {
    if (archive_source()) {
      size_t slash = path_.rfind('/');
      save_ = (slash == std::string::npos ? "" : path_.substr(0, slash + 1)) +
              save_;
    } else {
      save_ = join(path_, save_);
    }
  } else if (save_[0] != '/' && !archive_source()) {
    save_ = join(path_, save_);
  }
}

// Splits "name.ext" of every file at its last "." (not a leading one).
void listing_build::split_extensions() {
  for (kvfile_node* n = tree_.root(); n; n = kvfile_tree::next_preorder(n)) {
    if (n->is_folder) continue;
    std::string_view name = n->name.view();
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) continue;
    kvval ext(name.substr(dot));
    kvval stem(name.substr(0, dot));
    n->ext = std::move(ext);
    n->name = std::move(stem);
  }
}

variable_options make_variable_options(const dirgen_project& s,
                                       const dirgen_formatter& f) {
  variable_options o;
  o.is_gmt_date = s.is_gmt_date.as_bool();
  o.date_format = s.date_format.str();
  o.url_html_escape = s.url_html_escape.as_bool();
  o.size_units = s.size_units.as_int();
  o.unit_label = kvval("");
  if (o.size_units != 0) f.unit_names.get(s.size_units, &o.unit_label);
  o.image_dir = s.image_dir.str();
  o.show_folders = s.show_folders.as_int();
  o.show_summary = s.show_summary.as_int();
  o.now = current_utc_seconds();
  o.number_format = &f.number_format;
  o.ext_descriptions = &f.ext_descriptions;
  o.ext_images = &f.ext_images;
  o.type_descriptions = &f.type_descriptions;
  o.type_images = &f.type_images;
  o.types = &shared_content_types();
  return o;
}

int listing_build::write_listing() {
  kvhash_array vars;
  fill_variables(&tree_, make_variable_options(s_, *in_.formatter), &vars);
  tree_.clear();  // the variables hold everything the template needs

  unique_file out(std::fopen(save_.c_str(), "wb"));
  if (!out) return kBuildCantCreateOutput;
  std::string template_path = in_.template_folder + s_.format.str();
  unique_file tmpl(std::fopen(template_path.c_str(), "rb"));
  // A folder opens for reading here (an empty format names the data folder
  // itself): only a regular file is a template.
  struct stat st;
  if (!tmpl || fstat(fileno(tmpl.get()), &st) != 0 || !S_ISREG(st.st_mode))
    return kBuildNoTemplate;

  bool write_failed = false;
  std::string err;
  bool ran = run_template_file(tmpl.get(), &vars, [&](std::string_view chunk) {
    if (std::fwrite(chunk.data(), 1, chunk.size(), out.get()) != chunk.size()) {
      write_failed = true;
      return false;
    }
    progress_->bytes += static_cast<int64_t>(chunk.size());
    progress_->report(false);
    return true;
  }, &err);
  // A full disk must not pass for a successful build.
  if (std::fclose(out.release()) != 0) write_failed = true;
  if (write_failed) return kBuildCantCreateOutput;
  return ran ? kBuildOk : kBuildNoTemplate;
}

}  // namespace

int build_listing(const build_inputs& in) {
  progress_counter progress;
  progress.sink = in.progress;
  int code = listing_build(in, *in.settings, &progress).run();
  progress.report(true);
  return code;
}

int run_build(const dirgen_project& settings, const dirgen_formatter& formatter,
              const std::string& data_folder, build_progress* progress) {
  kvarr patterns[4];
  compile_masks(settings.mask, &patterns[0]);
  compile_masks(settings.skip_files, &patterns[1]);
  compile_masks(settings.folder_include, &patterns[2]);
  compile_masks(settings.folder_skip, &patterns[3]);
  compiled_masks file_include(patterns[0]), file_skip(patterns[1]),
      folder_include(patterns[2]), folder_skip(patterns[3]);
  build_inputs in;
  in.settings = &settings;
  in.formatter = &formatter;
  in.file_include = &file_include;
  in.file_skip = &file_skip;
  in.folder_include = &folder_include;
  in.folder_skip = &folder_skip;
  in.template_folder = data_folder;
  in.progress = progress;
  return build_listing(in);
}

void result_message(int code, kvval* dst, const kvval& source) {
  const char* text = nullptr;
  switch (code) {
    case kBuildOk:
      text = "Build is successful.";
      break;
    case kBuildNoEntries:
      text = source.as_bool() ? "File is not valid tar archive."
                              : "Directory is empty.";
      break;
    case kBuildCantCreateOutput:
      text = "Can't create output file.";
      break;
    case kBuildCantCreateTemp:
      text = "Can't create temporary file.";
      break;
    case kBuildCantGunzip:
      text = "Can't decompress gz file.";
      break;
    case kBuildNoExtension:
      text = "File needs to have an extension to determine its type.";
      break;
    case kBuildUnknownExtension:
      text = "Extension is not recognized.";
      break;
    case kBuildCantUnzip:
      text = "Can't decompress zip file.";
      break;
    case kBuildNotArchive:
      text = "File is not a recognized archive.";
      break;
    case kBuildDamagedArchive:
      text = "Archive is damaged.";
      break;
    default:
      return;
  }
  *dst = kvval(text);
}
