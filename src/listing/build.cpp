#include "listing/build.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "listing/archive_reader.h"
#include "listing/file_tree.h"
#include "listing/filter_tree.h"
#include "listing/folder_chain.h"
#include "listing/folder_prefetch.h"
#include "listing/listing_place.h"
#include "listing/listing_record.h"
#include "listing/listing_writer.h"
#include "listing/ordering.h"
#include "listing/scan_folder.h"
#include "listing/variables.h"
#include "markup/files.h"
#include "markup/replacement_file.h"
#include "markup/template_check.h"
#include "markup/template_run.h"
#include "platform/checksum.h"
#include "platform/content_types.h"
#include "project/settings_keys.h"
#include "project/settings_record.h"
#include "text/ascii.h"

namespace {

// Whether each listing is flushed to the disk before it replaces the old
// one. It is not: measured with bench/fsync_bench.sh on this machine's ext4
// disk, a flush costs 5.5 to 6.6 ms per listing, 11 to 13 s for a
// one-file-per-folder build of 2,000 folders that otherwise takes 2 to 4 s,
// and one syncfs for the whole batch still 5 s. What the rename protects
// against (a failed, cancelled or interrupted build) needs no flush; only a
// power loss in the seconds after a build could leave a listing empty, on
// file systems that do not order the data of a file renamed over another
// before the rename (ext4 does), and a listing can always be made again.
constexpr bool kSyncBeforeRename = false;

// Bytes of a listing gathered before they are written (hashed, compared
// with the old listing, counted): the template makes a piece per value, a
// few bytes each.
constexpr size_t kOutputBlock = 64 * 1024;

// Why a file that is what (the source archive, the template) cannot be an
// output.
std::string refusal_reason(const std::string& what) {
  return "this is " + what + " itself, which a listing never replaces";
}

// An open descriptor, closed when the holder goes.
class unique_fd {
 public:
  explicit unique_fd(int fd = -1) : fd_(fd) {}
  ~unique_fd() {
    if (fd_ >= 0) close(fd_);
  }
  unique_fd(unique_fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  unique_fd& operator=(unique_fd&& o) noexcept {
    std::swap(fd_, o.fd_);
    return *this;
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// An archive is read from a regular file or a block device (a disc, an
// image). A fifo, a terminal or a socket would make the build wait for a
// writer, or read endless bytes (/dev/zero), so they are refused at once.
bool is_archive_kind(mode_t mode) { return S_ISREG(mode) || S_ISBLK(mode); }

// Why a file of mode cannot be an archive source.
std::string not_archive_kind(mode_t mode) {
  if (S_ISFIFO(mode)) return "it is a fifo (named pipe), not a file";
  if (S_ISCHR(mode)) return "it is a character device, not a file";
  if (S_ISSOCK(mode)) return "it is a socket, not a file";
  return "it is not a regular file";
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
    case archive_failure::too_deep:
    case archive_failure::cancelled:  // handled by the caller
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

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool per_folder_mode(const settings_record& s) {
  return s.subfolders.as_bool() && !s.subfolders_in_one_file.as_bool();
}

// The source path as the user gave it, without a trailing "/".
std::string source_path(const settings_record& s) {
  std::string path = s.path.str();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Running totals reported to the caller's progress interface, the count of
// unreadable entries and the cancel request.
class progress_counter {
 public:
  explicit progress_counter(build_progress* sink) : sink_(sink) {}

  int64_t folders = 0;
  int64_t entries = 0;
  int64_t bytes = 0;
  int64_t unreadable = 0;

  // Reports at most ten times a second; the clock is read once every 256
  // calls, since writes of template output call this for every piece.
  void report(bool force) {
    if (!sink_) return;
    if (!force && (++calls_ & 255) != 0) return;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    int64_t now = ts.tv_sec * 1000000000LL + ts.tv_nsec;
    if (!force && now - last_report_ns_ < 100000000LL) return;  // 10 per s
    last_report_ns_ = now;
    sink_->on_progress(folders, entries, bytes);
  }
  void report_unreadable(const std::string& path, int error) {
    ++unreadable;
    if (sink_) sink_->on_unreadable(path, std::strerror(error));
  }
  bool cancelled() {
    if (!cancelled_ && sink_) cancelled_ = sink_->cancel_requested();
    return cancelled_;
  }

 private:
  build_progress* sink_;
  int64_t last_report_ns_ = 0;
  uint32_t calls_ = 0;
  bool cancelled_ = false;
};

variable_options make_variable_options(const settings_record& s,
                                       const data_tables& f) {
  variable_options o;
  o.is_gmt_date = s.is_gmt_date.as_bool();
  o.date_format = s.date_format.str();
  o.url_html_escape = s.url_html_escape.as_bool();
  o.size_units = s.size_units.as_int();
  o.unit_label = variant("");
  // The table is keyed by the unit's number.
  if (o.size_units != 0) f.unit_names.get(variant(o.size_units), &o.unit_label);
  o.image_dir = s.image_dir.str();
  o.base_url = s.base_url.str();
  o.title = s.title.str();
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

// Splits "name.ext" of every file at its last "." (not a leading one).
void split_extensions(file_tree* tree) {
  for (file_node* n = tree->root(); n; n = file_tree::next_preorder(n)) {
    if (!n->is_folder) n->split_extension();
  }
}

// One build. Every step returns false after recording the outcome; run()
// then lets the staged listings go, which removes their temporary files.
class listing_build {
 public:
  listing_build(const build_inputs& in, progress_counter* progress)
      : in_(in), s_(*in.settings), progress_(progress) {
    filter_.file_include = in.file_include;
    filter_.file_skip = in.file_skip;
    filter_.folder_include = in.folder_include;
    filter_.folder_skip = in.folder_skip;
    filter_.set_time_window(s_.time_filter, s_.time_start, s_.time_end);
    filter_.set_size_window(s_.size_filter, s_.size_start, s_.size_end);
  }

  build_outcome run();

 private:
  bool fail(int code, std::string path, std::string reason) {
    outcome_.code = code;
    outcome_.path = std::move(path);
    outcome_.reason = std::move(reason);
    return false;
  }
  bool fail_errno(int code, std::string path, int error) {
    return fail(code, std::move(path), std::strerror(error));
  }
  bool check_cancel() {
    return !progress_->cancelled() || fail(kBuildCancelled, "", "");
  }

  bool open_template();
  bool template_is_sound();
  bool fail_template(const template_fault& fault);
  bool open_source(unique_fd* root);
  bool claim_output_path();
  bool claim_output(int dir_fd, const std::string& folder_path,
                    const std::string& name, bool may_hold_temporaries,
                    std::unique_ptr<listing_writer>* writer);
  bool is_own_listing(const std::string& folder_path, const std::string& name,
                      const listing_writer& writer);
  std::string relative_to_top(const std::string& folder_path,
                              const std::string& name) const;
  bool refuse_foreign_outputs();
  void remove_own_outputs(int dir_fd, file_tree* level);
  bool build_archive();
  bool build_one_file(const unique_fd& root);
  bool build_per_folder(const unique_fd& root);
  void add_level(const folder_read& read, int dir_fd,
                 const std::function<std::string()>& folder_path,
                 file_tree* level, int64_t* listed);
  bool recurse_into_subfolders(int root_fd);
  int scan_helpers() const;
  std::string folder_path_of(const file_node* folder) const;
  bool write_to_output_path(file_tree* tree);
  void place_listing(const file_tree& tree, const std::string& folder_path,
                     variable_options* options) const;
  bool write_listing(file_tree* tree, std::unique_ptr<listing_writer> out,
                     const std::string& folder_path, const std::string& name);
  bool commit_all();
  bool update_record();
  bool write_stream(std::string_view chunk, std::string* err) {
    if (std::fwrite(chunk.data(), 1, chunk.size(), in_.stream) == chunk.size())
      return true;
    *err = std::strerror(errno);
    return false;
  }

  const build_inputs& in_;
  const settings_record& s_;
  progress_counter* progress_;
  filter_options filter_;
  std::string path_;  // the source, without a trailing "/"
  std::string template_path_;
  unique_file template_;
  std::vector<kept_file> keep_;
  file_tree tree_;
  // The listed top folder's name (an archive's: its file name), and the
  // folder the next listing lists (-1: an archive's members).
  std::string top_name_;
  int listed_fd_ = -1;
  // Listings written completely, waiting for the whole build to succeed,
  // with their paths relative to the record's folder.
  std::vector<std::pair<std::unique_ptr<listing_writer>, std::string>> staged_;
  // The single output, claimed before the source is read.
  std::unique_ptr<listing_writer> claimed_;
  // The folder of the top listing, which holds the record.
  std::string top_folder_;
  std::map<std::string, listing_record> records_;  // read so far, by folder
  // Existing outputs this build may not replace: their number and the
  // first few paths. Once there is one, nothing more is written.
  int64_t refused_count_ = 0;
  std::vector<std::string> refused_;
  // The single output's folder and names (the name given and the file a
  // link there leads to), so that a scan of that folder leaves them out.
  std::vector<std::pair<file_identity, std::string>> output_names_;
  build_outcome outcome_;
};

build_outcome listing_build::run() {
  path_ = source_path(s_);
  top_name_ = last_component(absolute_folder(path_));
  bool ok = open_template();
  unique_fd root;
  if (ok) ok = open_source(&root);
  if (ok && (s_.source.as_bool() || !per_folder_mode(s_))) {
    ok = claim_output_path();
  }
  if (ok) {
    if (s_.source.as_bool()) {
      ok = build_archive();
    } else if (per_folder_mode(s_)) {
      ok = build_per_folder(root);
    } else {
      ok = build_one_file(root);
    }
  }
  if (ok) ok = check_cancel() && commit_all() && update_record();
  staged_.clear();  // after a failure: removes every temporary file
  claimed_.reset();
  outcome_.unreadable = progress_->unreadable;
  return outcome_;
}

// The template is the first thing checked, so a missing or faulty one
// changes nothing. Only a regular file is a template: an empty format names the
// data folder itself.
bool listing_build::open_template() {
  template_path_ = template_file_path(s_, in_.template_folder);
  template_.reset(std::fopen(template_path_.c_str(), "rb"));
  if (!template_) return fail_errno(kBuildNoTemplate, template_path_, errno);
  struct stat st;
  if (fstat(fileno(template_.get()), &st) != 0) {
    return fail_errno(kBuildNoTemplate, template_path_, errno);
  }
  if (!S_ISREG(st.st_mode)) {
    return fail_errno(kBuildNoTemplate, template_path_,
                      S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  }
  keep_.push_back({{st.st_dev, st.st_ino}, refusal_reason("the template")});
  return template_is_sound();
}

// A template the interpreter would write an error message into fails the
// build before anything is read or written.
bool listing_build::template_is_sound() {
  template_fault fault;
  if (check_template_file(template_.get(), listing_variable_names(), &fault)) {
    return true;
  }
  if (fault.line == 0)
    return fail(kBuildNoTemplate, template_path_, fault.what);
  return fail_template(fault);
}

bool listing_build::fail_template(const template_fault& fault) {
  return fail(kBuildTemplateError, template_path_,
              "line " + std::to_string(fault.line) + ", column " +
                  std::to_string(fault.column) + ": " + fault.what);
}

// Checks that the source exists and is of the kind the settings say, and
// opens it: a folder for reading its entries, an archive to know its
// identity (the listing must never replace it).
bool listing_build::open_source(unique_fd* root) {
  const bool archive = s_.source.as_bool();
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) {
    int code = errno == ENOENT || errno == ENOTDIR ? kBuildSourceMissing
                                                   : kBuildCantReadSource;
    return fail_errno(code, path_, errno);
  }
  if (archive == S_ISDIR(st.st_mode)) {
    return fail_errno(kBuildSourceWrongKind, path_, archive ? EISDIR : ENOTDIR);
  }
  if (archive && !is_archive_kind(st.st_mode)) {
    return fail(kBuildSourceWrongKind, path_, not_archive_kind(st.st_mode));
  }
  // Never waits: a fifo put in the file's place meanwhile opens at once
  // and is refused below.
  int flags = archive ? O_RDONLY | O_CLOEXEC | O_NONBLOCK
                      : O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  *root = unique_fd(open(path_.c_str(), flags));
  if (root->get() < 0) return fail_errno(kBuildCantReadSource, path_, errno);
  if (archive) {
    if (fstat(root->get(), &st) != 0) {
      return fail_errno(kBuildCantReadSource, path_, errno);
    }
    if (!is_archive_kind(st.st_mode)) {
      return fail(kBuildSourceWrongKind, path_, not_archive_kind(st.st_mode));
    }
    keep_.push_back(
        {{st.st_dev, st.st_ino}, refusal_reason("the source archive")});
  }
  return true;
}

// Claims the one output of a single-file or archive build before anything
// is read, so that a refusal costs nothing: the source archive, the
// template, a link that may not be followed, or a file Dirgen did not write.
// A listing streamed to standard output claims nothing.
bool listing_build::claim_output_path() {
  if (in_.stream) return true;
  const std::string out = listing_output_path(s_);
  if (out.empty()) {
    return fail(kBuildCantCreateOutput, s_.save.str(),
                "no output file is named");
  }
  std::string name;
  split_path(out, &top_folder_, &name);
  unique_fd dir(open(top_folder_.empty() ? "." : top_folder_.c_str(),
                     O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return fail_errno(kBuildCantCreateOutput, out, errno);
  if (!claim_output(dir.get(), top_folder_, name, true, &claimed_)) {
    return false;
  }
  if (!refuse_foreign_outputs()) return false;
  // What a scan of the output's folder must leave out.
  struct stat st;
  if (fstat(dir.get(), &st) == 0) {
    output_names_.push_back({{st.st_dev, st.st_ino}, name});
  }
  const std::string& target = claimed_->target().target_path();
  const size_t cut = target.rfind('/');
  const std::string folder = cut == std::string::npos ? "."
                             : cut == 0               ? "/"
                                                      : target.substr(0, cut);
  if (stat(folder.c_str(), &st) == 0) {
    output_names_.push_back({{st.st_dev, st.st_ino}, target.substr(cut + 1)});
  }
  return true;
}

// Prepares the listing name in the folder dir_fd and decides whether it may
// replace what is there. False (after fail()) when it may not be written at
// all; true with *writer empty when it is a file Dirgen did not write,
// which is counted for refuse_foreign_outputs(). Clears the stale temporary
// files of killed builds beside it on the way, unless the caller has just
// read the folder and found none (may_hold_temporaries false).
bool listing_build::claim_output(int dir_fd, const std::string& folder_path,
                                 const std::string& name,
                                 bool may_hold_temporaries,
                                 std::unique_ptr<listing_writer>* writer) {
  auto out = std::make_unique<listing_writer>();
  replace_options replacing;
  replacing.sync = kSyncBeforeRename;
  replacing.keep_folder_time = true;
  replacing.keep = &keep_;
  // Proving the old file our own takes its checksum, which the writer
  // reads together with what it compares the new listing with.
  const bool prove = !s_.replace_existing.as_bool();
  std::string err;
  if (!out->prepare(dir_fd, folder_path, name, replacing, prove, &err)) {
    return fail(kBuildCantCreateOutput, join(folder_path, name), err);
  }
  if (may_hold_temporaries) out->target().clear_stale_temporaries();
  if (prove && out->target().target_exists() &&
      !is_own_listing(folder_path, name, *out)) {
    if (refused_.size() < kRefusedNamed) {
      refused_.push_back(join(folder_path, name));
    }
    ++refused_count_;
    staged_.clear();  // nothing more is written; what was staged goes
    return true;
  }
  *writer = std::move(out);
  return true;
}

// Whether the file the listing would replace is one Dirgen wrote and
// nobody changed since.
bool listing_build::is_own_listing(const std::string& folder_path,
                                   const std::string& name,
                                   const listing_writer& writer) {
  const std::string& checksum = writer.old_checksum();
  return !checksum.empty() &&
         is_recorded_listing(top_folder_, folder_path, name, checksum,
                             &records_);
}

std::string listing_build::relative_to_top(const std::string& folder_path,
                                           const std::string& name) const {
  if (folder_path == top_folder_) return name;
  const size_t skip = top_folder_.size() +
                      (top_folder_.empty() || top_folder_.back() == '/' ? 0 : 1);
  return folder_path.substr(skip) + "/" + name;
}

// Ends the build when some output may not be replaced.
bool listing_build::refuse_foreign_outputs() {
  if (refused_count_ == 0) return true;
  outcome_.refused = refused_;
  outcome_.refused_count = refused_count_;
  return fail(kBuildForeignOutput, refused_.front(),
              foreign_output_reason(refused_count_));
}

// A listing does not list what a build writes: the record, temporary files
// (of this build or a killed one), each folder's listing in one file per
// folder, and the single output in its own folder.
void listing_build::remove_own_outputs(int dir_fd, file_tree* level) {
  const bool per_folder = per_folder_mode(s_);
  std::string listing_name = s_.save.str();
  listing_name.erase(0, listing_name.rfind('/') + 1);
  bool have_folder = false;
  file_identity folder{};
  file_node* prev = nullptr;
  for (file_node* n = level->root(); n;) {
    file_node* next = n->next_sibling;
    const std::string_view name = n->full_name();
    bool own = name == kListingRecordName || is_temporary_name(name, nullptr) ||
               (per_folder && name == listing_name);
    for (size_t i = 0; !own && i < output_names_.size(); ++i) {
      if (name != output_names_[i].second) continue;
      struct stat st;
      if (!have_folder && fstat(dir_fd, &st) == 0) {
        folder = {st.st_dev, st.st_ino};
        have_folder = true;
      }
      own = have_folder && folder == output_names_[i].first;
    }
    if (own && !n->is_folder) {
      level->remove_after(prev, n);
    } else {
      prev = n;
    }
    n = next;
  }
}

// An archive always lists all of its levels into one file, whatever the
// recursion settings say.
bool listing_build::build_archive() {
  archive_error err;
  auto progress = [this](int64_t entries_read) {
    progress_->entries = entries_read;
    progress_->report(false);
    return !progress_->cancelled();
  };
  if (!read_archive(path_, &tree_, progress, &err)) {
    if (err.failure == archive_failure::cancelled) return check_cancel();
    return fail(archive_failure_code(err, path_), path_, err.reason);
  }
  filter_tree(&tree_, filter_);
  return check_cancel() && write_to_output_path(&tree_);
}

bool listing_build::build_one_file(const unique_fd& root) {
  folder_read read;
  int error = 0;
  if (!read_folder(root.get(), "*", &read, &error)) {
    return fail_errno(kBuildCantReadSource, path_, error);
  }
  int64_t listed = 0;
  add_level(read, root.get(), [this] { return path_; }, &tree_, &listed);
  if (listed == 0) return fail(kBuildNoEntries, path_, "");
  if (s_.subfolders.as_bool() && !recurse_into_subfolders(root.get())) {
    return false;
  }
  listed_fd_ = root.get();
  return check_cancel() && write_to_output_path(&tree_);
}

// Makes the nodes of one folder read (open as dir_fd) in *level, filters
// them, leaves out the build's own files and counts them. Entries that could not be examined are reported with their paths
// (folder_path is asked only then).
void listing_build::add_level(const folder_read& read, int dir_fd,
                              const std::function<std::string()>& folder_path,
                              file_tree* level, int64_t* listed) {
  for (const auto& [name, error] : read.unreadable) {
    const std::string folder = folder_path();
    progress_->report_unreadable(name.empty() ? folder : join(folder, name),
                                 error);
  }
  *listed = add_folder_read(read, level, nullptr);
  filter_tree(level, filter_);
  remove_own_outputs(dir_fd, level);
  ++progress_->folders;
  progress_->entries += *listed;
  progress_->report(false);
}

int listing_build::scan_helpers() const {
  return in_.scan_helpers < 0 ? folder_prefetch::default_helpers()
                              : in_.scan_helpers;
}

std::string listing_build::folder_path_of(const file_node* folder) const {
  std::vector<std::string_view> names;
  size_t bytes = path_.size();
  for (const file_node* a = folder; a; a = a->parent) {
    names.push_back(a->full_name());
    bytes += 1 + names.back().size();
  }
  std::string path;
  path.reserve(bytes);
  path = path_;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    path.push_back('/');
    path.append(*it);
  }
  return path;
}

// The folders among level's top-level nodes that a recursive build enters:
// links to folders are listed but never entered.
std::vector<std::string> subfolders_to_visit(const file_node* first) {
  std::vector<std::string> names;
  for (const file_node* n = first; n; n = n->next_sibling) {
    if (n->is_folder && !n->is_link) names.emplace_back(n->full_name());
  }
  return names;
}

// Scans every folder of the tree, at every depth, attaching each one's
// filtered entries as its children; the walk continues into the children
// just attached. Each folder is opened relative to its parent, through the
// chain of open folders above the walk (bounded, see folder_chain.h), and
// read ahead by helper threads when there are any. Links to folders are
// listed but never entered; a folder that cannot be read is listed without
// contents and reported.
bool listing_build::recurse_into_subfolders(int root_fd) {
  const int own = fcntl(root_fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return fail_errno(kBuildCantReadSource, path_, errno);
  const folder_handle root = std::make_shared<const open_folder>(own);
  folder_chain chain(root);
  std::vector<const file_node*> chain_nodes = {nullptr};  // one per level
  folder_prefetch prefetch(scan_helpers(), "*");
  prefetch.announce(root, subfolders_to_visit(tree_.root()));
  for (file_node* n = tree_.root(); n; n = file_tree::next_preorder(n)) {
    if (!n->is_folder || n->is_link) continue;
    if (!check_cancel()) return false;
    // n's parent is on the chain: it was read before n.
    while (chain_nodes.back() != n->parent) {
      chain_nodes.pop_back();
      chain.pop();
    }
    prefetched_folder f;
    prefetch.take(n->full_name(), &chain, &f);
    if (!f.folder || !f.read_ok) {
      progress_->report_unreadable(folder_path_of(n), f.error);
      continue;
    }
    file_tree level;
    level.share_storage_of(tree_);
    int64_t listed = 0;
    add_level(f.read, f.folder->fd(), [&] { return folder_path_of(n); },
              &level, &listed);
    tree_.adopt_top_level(&level, n);
    std::vector<std::string> subfolders = subfolders_to_visit(n->first_child);
    if (subfolders.empty()) continue;
    prefetch.announce(f.folder, std::move(subfolders));
    chain.push(n->full_name(), std::move(f.folder));
    chain_nodes.push_back(n);
  }
  return true;
}

// One file per folder: each folder's listing shows its own level (empty
// folders included) and goes into that folder under the name of "save".
// The walk holds a bounded chain of the current folder's ancestors (see
// folder_chain.h); helper threads read the next folders while a listing is
// written.
bool listing_build::build_per_folder(const unique_fd& root) {
  std::string name = s_.save.str();
  name.erase(0, name.rfind('/') + 1);
  if (name.empty()) {
    return fail(kBuildCantCreateOutput, s_.save.str(),
                "no output file is named");
  }
  top_folder_ = path_;
  struct pending_folder {
    std::string path;
    std::vector<std::string> subfolders;  // to visit, in listing order
    size_t next = 0;
  };
  folder_prefetch prefetch(scan_helpers(), "*");
  // Lists the folder read as read (open as folder) into its own listing
  // and announces its subfolders; false only on failure.
  auto list = [&](const folder_read& read, const folder_handle& folder,
                  pending_folder* f, bool top) {
    file_tree level;
    int64_t listed = 0;
    add_level(read, folder->fd(), [&] { return f->path; }, &level, &listed);
    if (top && listed == 0) return fail(kBuildNoEntries, f->path, "");
    f->subfolders = subfolders_to_visit(level.root());
    prefetch.announce(folder, f->subfolders);
    std::unique_ptr<listing_writer> out;
    // Any entry the read could not examine might be one.
    const bool temporaries =
        !read.unreadable.empty() ||
        std::any_of(read.entries.begin(), read.entries.end(),
                    [](const folder_entry& e) {
                      return is_temporary_name(e.name, nullptr);
                    });
    if (!claim_output(folder->fd(), f->path, name, temporaries, &out)) {
      return false;
    }
    if (refused_count_ > 0) return true;  // only counting from now on
    listed_fd_ = folder->fd();
    return write_listing(&level, std::move(out), f->path, name);
  };
  const int own = fcntl(root.get(), F_DUPFD_CLOEXEC, 0);
  if (own < 0) return fail_errno(kBuildCantReadSource, path_, errno);
  const folder_handle top_folder = std::make_shared<const open_folder>(own);
  folder_chain chain(top_folder);
  std::vector<pending_folder> stack;  // one per level of the chain
  stack.push_back({path_, {}, 0});
  {
    folder_read read;
    int error = 0;
    if (!read_folder(own, "*", &read, &error)) {
      return fail_errno(kBuildCantReadSource, path_, error);
    }
    if (!list(read, top_folder, &stack.back(), true)) return false;
  }
  while (!stack.empty()) {
    if (!check_cancel()) return false;
    pending_folder& top = stack.back();
    if (top.next == top.subfolders.size()) {
      stack.pop_back();
      if (!stack.empty()) chain.pop();
      continue;
    }
    const std::string sub = top.subfolders[top.next++];
    pending_folder next{join(top.path, sub), {}, 0};
    prefetched_folder f;
    prefetch.take(sub, &chain, &f);
    if (!f.folder || !f.read_ok) {
      progress_->report_unreadable(next.path, f.error);
      continue;
    }
    if (!list(f.read, f.folder, &next, false)) return false;
    stack.push_back(std::move(next));
    chain.push(sub, std::move(f.folder));
  }
  return refuse_foreign_outputs();
}

// Writes the listing of *tree to the output claimed at the start.
bool listing_build::write_to_output_path(file_tree* tree) {
  if (in_.stream) return write_listing(tree, nullptr, "", "");
  std::string folder, name;
  split_path(listing_output_path(s_), &folder, &name);
  return write_listing(tree, std::move(claimed_), top_folder_, name);
}

// Where the listing written into folder_path stands: the folders from the
// top down to the one it lists, the way from its folder to the listed one,
// and the README of the listed folder.
void listing_build::place_listing(const file_tree& tree,
                                  const std::string& folder_path,
                                  variable_options* options) const {
  options->folder_chain.push_back(top_name_);
  if (options->folder_listings) {
    // folder_path is the listed folder, path_ followed by its subfolders.
    const std::string below = folder_path.substr(path_.size());
    for (size_t start = 0; start < below.size();) {
      size_t slash = below.find('/', start);
      if (slash == std::string::npos) slash = below.size();
      if (slash > start) {
        options->folder_chain.push_back(below.substr(start, slash - start));
      }
      start = slash + 1;
    }
  } else if (!s_.source.as_bool()) {
    options->folder_link = relative_folder_path(absolute_folder(folder_path),
                                                absolute_folder(path_));
  }
  if (listed_fd_ >= 0) {
    read_readme(tree, listed_fd_, &options->readme_name,
                &options->readme_text);
  }
}

// Turns *tree (spent afterwards) into one listing, written through out
// (prepared for name in folder_path) and staged.
bool listing_build::write_listing(file_tree* tree,
                                  std::unique_ptr<listing_writer> out,
                                  const std::string& folder_path,
                                  const std::string& name) {
  const std::string target = join(folder_path, name);
  split_extensions(tree);
  order_tree(tree, s_.order_files, s_.sort_order);
  variable_options options = make_variable_options(s_, *in_.formatter);
  options.listing_name = name;
  options.icon_folder = in_.icon_folder;
  options.folder_listings = per_folder_mode(s_) && !s_.source.as_bool();
  place_listing(*tree, folder_path, &options);
  listing_variables vars(*tree, options);

  std::string err;
  if (std::fseek(template_.get(), 0, SEEK_SET) != 0) {
    return fail_errno(kBuildNoTemplate, template_path_, errno);
  }
  bool write_failed = false;
  // Writes bytes of the listing; false when it failed or was cancelled.
  auto put = [&](std::string_view bytes) {
    if (in_.stream ? !write_stream(bytes, &err) : !out->write(bytes, &err)) {
      write_failed = true;
      return false;
    }
    progress_->bytes += static_cast<int64_t>(bytes.size());
    progress_->report(false);
    return !progress_->cancelled();
  };
  // The template gives a piece per value; they are written in blocks.
  std::string block;
  block.reserve(kOutputBlock);
  std::string run_err;
  template_fault fault;
  bool ran = run_template_file(
      template_.get(), &vars,
      [&](std::string_view chunk) {
        if (block.size() + chunk.size() > kOutputBlock && !block.empty()) {
          const bool go_on = put(block);
          block.clear();
          if (!go_on) return false;
        }
        if (chunk.size() >= kOutputBlock) return put(chunk);
        block.append(chunk);
        return true;
      },
      &run_err, &fault);
  if (!write_failed && !block.empty()) put(block);
  tree->clear();  // the listing is written: its tree is spent
  if (write_failed) return fail(kBuildCantCreateOutput, target, err);
  if (!check_cancel()) return false;
  if (!ran) {
    return fail(kBuildNoTemplate, template_path_,
                "the template could not be read");
  }
  // A loop over a list this listing does not have, for one: the error
  // message is in the staged listing, which is let go (or, on a stream,
  // already written: the status says it failed).
  if (fault.line != 0) return fail_template(fault);
  if (in_.stream) {
    return std::fflush(in_.stream) == 0 ||
           fail_errno(kBuildCantCreateOutput, "-", errno);
  }
  if (!out->finish(&err)) {
    return fail(kBuildCantCreateOutput, target, err);
  }
  staged_.emplace_back(std::move(out), relative_to_top(folder_path, name));
  return true;
}

// Puts every staged listing in place. A rename fails only in rare cases
// (the folder was removed meanwhile); the rest are then discarded.
bool listing_build::commit_all() {
  std::string err;
  for (auto& [file, relative] : staged_) {
    if (!file->commit(&err)) {
      return fail(kBuildCantCreateOutput, file->target().target_path(), err);
    }
    ++(file->changed() ? outcome_.listings_written
                       : outcome_.listings_current);
  }
  return true;
}

// Notes every listing of the build, with its checksum, in the record beside
// the top listing; files no longer there are forgotten. The record is
// written only when this changes it.
bool listing_build::update_record() {
  if (in_.stream) return true;
  listing_record record;
  std::string err;
  if (!record.load(top_folder_, &err)) {
    return fail(kBuildCantCreateOutput, join(top_folder_, kListingRecordName),
                err);
  }
  for (const auto& [file, relative] : staged_) {
    record.set(relative, file->checksum());
  }
  record.forget_missing();
  if (!record.save(&err)) {
    return fail(kBuildCantCreateOutput, join(top_folder_, kListingRecordName),
                err);
  }
  return true;
}

const char* message_of(int code, bool archive) {
  switch (code) {
    case kBuildOk:
      return "Build is successful.";
    case kBuildNoEntries:
      return archive ? "File is not valid tar archive." : "Directory is empty.";
    case kBuildSourceMissing:
      return archive ? "Source file doesn't exist."
                     : "Source directory doesn't exist.";
    case kBuildSourceWrongKind:
      return archive ? "Source must be an archive file."
                     : "Source must be a directory.";
    case kBuildCantReadSource:
      return archive ? "Can't read source file."
                     : "Can't read source directory.";
    case kBuildCantCreateOutput:
      return "Can't create output file.";
    case kBuildForeignOutput:
      return "Can't replace a file Dirgen did not write.";
    case kBuildCantGunzip:
      return "Can't decompress gz file.";
    case kBuildCantUnzip:
      return "Can't decompress zip file.";
    case kBuildNotArchive:
      return "File is not a recognized archive.";
    case kBuildDamagedArchive:
      return "Archive is damaged.";
    case kBuildNoTemplate:
      return "Can't open template file";
    case kBuildTemplateError:
      return "Error occurred while processing KVI directive.";
    case kBuildCancelled:
      return "Build was cancelled.";
    default:
      return nullptr;
  }
}

}  // namespace

build_outcome build_listing(const build_inputs& in) {
  assert(in.settings && in.formatter && in.file_include && in.file_skip &&
         in.folder_include && in.folder_skip);
  progress_counter progress(in.progress);
  build_outcome outcome = listing_build(in, &progress).run();
  progress.report(true);
  return outcome;
}

build_outcome run_build(const settings_record& settings,
                        const data_tables& formatter,
                        const std::string& data_folder,
                        build_progress* progress, std::FILE* stream,
                        int scan_helpers) {
  const variant* fields[4] = {&settings.mask, &settings.skip_files,
                              &settings.folder_include, &settings.folder_skip};
  const char* names[4] = {"mask", "skip_files", "folder_include",
                          "folder_skip"};
  build_outcome refused;
  refused.code = kBuildSettingsRefused;
  if (!check_settings_record(settings, &refused.reason)) return refused;
  value_list patterns[4];
  for (int i = 0; i < 4; ++i) {
    if (!check_mask(names[i], *fields[i], &refused.reason)) return refused;
    compile_masks(*fields[i], &patterns[i]);
  }
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
  in.icon_folder = data_folder + "../images/";
  in.progress = progress;
  in.stream = stream;
  in.scan_helpers = scan_helpers;
  return build_listing(in);
}

std::string template_file_path(const settings_record& settings,
                               const std::string& data_folder) {
  const std::string format = settings.format.str();
  return !format.empty() && format[0] == '/' ? format : data_folder + format;
}

std::string listing_output_path(const settings_record& settings) {
  std::string save = settings.save.str();
  if (per_folder_mode(settings)) save.erase(0, save.rfind('/') + 1);
  if (save.empty() || save[0] == '/') return save;
  std::string base = source_path(settings);
  if (settings.source.as_bool()) {
    size_t slash = base.rfind('/');
    base = slash == std::string::npos ? "" : base.substr(0, slash + 1);
  }
  return join(base, save);
}

std::string result_line(const build_outcome& outcome, bool archive_source) {
  const char* text = message_of(outcome.code, archive_source);
  std::string line =
      text ? text
           : "Build failed with code " + std::to_string(outcome.code) + ".";
  if (outcome.code == kBuildOk && outcome.unreadable > 0) {
    const bool one = outcome.unreadable == 1;
    return "Build is complete; " + std::to_string(outcome.unreadable) +
           (one ? " entry" : " entries") + " could not be read.";
  }
  if (outcome.code == kBuildOk) return line;
  if (outcome.code == kBuildSettingsRefused) return outcome.reason;
  if (!outcome.path.empty()) line += " " + outcome.path;
  if (!outcome.reason.empty()) {
    line += (outcome.path.empty() ? " " : ": ") + outcome.reason;
  }
  return line;
}

std::string foreign_output_reason(int64_t count) {
  return "1 of " + std::to_string(count) +
         (count == 1 ? " such file" : " such files") +
         " (not written by Dirgen, or changed since); "
         "replace_existing 1 or --replace-existing allows it";
}

bool is_foreign_output(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;  // nothing to replace
  std::string checksum, ignored;
  if (!file_sha256(path, &checksum, &ignored)) return true;
  std::string folder, name;
  split_path(path, &folder, &name);
  std::map<std::string, listing_record> records;
  return !is_recorded_listing(folder, folder, name, checksum, &records);
}

std::string listings_line(const build_outcome& outcome) {
  const int64_t n = outcome.listings_written;
  return std::to_string(n) + (n == 1 ? " listing" : " listings") +
         " written, " + std::to_string(outcome.listings_current) +
         " already current.";
}

void result_message(int code, variant* dst, const variant& source) {
  if (code == kBuildNoTemplate) return;
  if (const char* text = message_of(code, source.as_bool()))
    *dst = variant(text);
}
