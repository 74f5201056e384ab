// build_listing: turns one set of settings into listing files. Reads the
// source (a folder tree or an archive) into a file tree, filters and orders
// it, fills the template variables and runs the template over them. Called
// by the command-line mode and by the main window's build thread.
//
// Where to start reading: run_build() below is the whole path from a loaded
// settings record to the listing file(s); build.cpp walks it step by step.
//
// A build never leaves a listing half written: every listing goes to a
// temporary file beside its destination and replaces the old file only when
// the whole build has succeeded. After a failure or a cancel every old
// listing is as it was and no temporary file remains. A listing whose
// content did not change is left untouched (listing_writer.h).
//
// A listing never replaces a file Dirgen did not write: an existing output
// is replaced only when the listing record (listing_record.h) names it with
// its current checksum, or when replace_existing is set. Otherwise the
// build ends with kBuildForeignOutput, naming the first such file and
// their number, before any listing is put in place. The record, updated
// after every successful build, is never listed; neither are the build's
// own outputs (its listing, each folder's listing of the same name,
// temporary files of any build). Temporary files left by a killed build
// are removed by the next build that writes beside them.
#ifndef DIRGEN_LISTING_BUILD_H_
#define DIRGEN_LISTING_BUILD_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "listing/masks.h"
#include "project/data_tables.h"
#include "project/settings_record.h"
#include "value/value_list.h"
#include "value/variant.h"

// Result codes of a build. Each has its text for the user (result_line).
enum build_result : int {
  kBuildOk = 0,
  kBuildNoEntries = 100,         // the source folder holds nothing; bad tar
  kBuildSourceMissing = 110,     // the source does not exist
  kBuildSourceWrongKind = 111,   // a file given as folder or the reverse
  kBuildCantReadSource = 112,    // the source exists but cannot be read
  kBuildSettingsRefused = 120,   // a value or a pattern no build can use
  kBuildCantCreateOutput = 200,  // also: output is the archive or template
  kBuildForeignOutput = 210,     // would replace files Dirgen did not write
  kBuildCantGunzip = 310,
  kBuildCantUnzip = 710,
  kBuildNotArchive = 720,      // no known archive format
  kBuildDamagedArchive = 730,  // damaged, in a format of no code above
  kBuildNoTemplate = 800,
  kBuildTemplateError = 810,  // a directive in error, an unknown variable
  kBuildCancelled = 900,
};

// Receives progress from a running build. Every call comes on the build's
// thread; an implementation that shares state with another thread guards it
// itself.
class build_progress {
 public:
  virtual ~build_progress() = default;
  // Running totals of the whole build. While an archive is read,
  // entries_found counts the entries read.
  virtual void on_progress(int64_t folders_scanned, int64_t entries_found,
                           int64_t bytes_written) = 0;
  // One call per entry or folder that could not be read: its full path and
  // the system's reason. The listing leaves it out (a folder that cannot be
  // opened is listed without its contents) and the build goes on.
  virtual void on_unreadable(const std::string& path,
                             const std::string& reason) {}
  // Polled between entries and between pieces of output; true stops the
  // build with kBuildCancelled, every previous listing untouched.
  virtual bool cancel_requested() { return false; }
};

// Everything one build reads. The settings keep the names of the settings
// record; the formatter and the compiled masks are borrowed, not owned, and
// must outlive the build.
struct build_inputs {
  const settings_record* settings = nullptr;
  const data_tables* formatter = nullptr;
  const compiled_masks* file_include = nullptr;
  const compiled_masks* file_skip = nullptr;
  const compiled_masks* folder_include = nullptr;
  const compiled_masks* folder_skip = nullptr;
  // Folder of the template files, ending in "/" (the data folder).
  std::string template_folder;
  // Folder of the shipped icon files, ending in "/": a listing with an
  // empty image_dir carries the icons it shows from here.
  std::string icon_folder;
  build_progress* progress = nullptr;  // optional
  // When set (borrowed), the one listing is written here as it is made and
  // no file is written or replaced. REQUIRES: not one file per folder.
  std::FILE* stream = nullptr;
  // Helper threads that read folders ahead of a recursive build (see
  // folder_prefetch.h); -1 chooses by the number of cores, 0 reads every
  // folder on the build's own thread. The listing is the same either way.
  int scan_helpers = -1;
};

// How a build ended. code is a build_result; on failure path names the file
// or folder concerned and reason says why (the system's strerror text, or a
// sentence when the refusal is the program's own). unreadable counts the
// entries reported through build_progress::on_unreadable; a successful
// build with unreadable entries wrote a listing that leaves them out.
// listings_written and listings_current count the listings a successful
// build replaced or made, and those it left untouched since their content
// was already the same. For kBuildForeignOutput, refused_count is the
// number of files that would have been replaced and refused names the first
// kRefusedNamed of them.
struct build_outcome {
  int code = kBuildOk;
  std::string path;
  std::string reason;
  int64_t unreadable = 0;
  int64_t listings_written = 0;
  int64_t listings_current = 0;
  int64_t refused_count = 0;
  std::vector<std::string> refused;
};
constexpr size_t kRefusedNamed = 50;

// Runs one build and returns how it ended. Writes nothing but the listing
// file(s), each replaced whole or not at all; frees everything it made on
// every path. The template is checked before anything else is done: a
// directive in error or a variable no listing has fails the build
// (kBuildTemplateError, the template's path, and the line, column and
// fault as reason) before any listing is touched.
// REQUIRES: settings, formatter and the four mask lists are set.
build_outcome build_listing(const build_inputs& in);

// The convenience both shells use: checks every field of the record
// (check_settings_record) and its four pattern fields (check_mask), then
// compiles the patterns and runs build_listing with them and the data
// folder (and stream, see build_inputs). A field that fails ends the build
// with kBuildSettingsRefused and the check's message as reason, before
// anything is read or written.
build_outcome run_build(const settings_record& settings,
                        const data_tables& formatter,
                        const std::string& data_folder,
                        build_progress* progress,
                        std::FILE* stream = nullptr, int scan_helpers = -1);

// The template file of settings: format itself when it is an absolute path,
// else format inside data_folder (which ends in "/").
std::string template_file_path(const settings_record& settings,
                               const std::string& data_folder);

// Where the listing of settings goes (for one file per folder: the source
// folder's own listing). A relative "save" is taken relative to the listed
// folder, for an archive source the folder that holds the archive; in
// one-file-per-folder mode only its file name counts. Empty when "save"
// names no file.
std::string listing_output_path(const settings_record& settings);

// The one line the user is shown for outcome: "Build is successful.";
// "Build is complete; 26 entries could not be read." ("1 entry could not
// be read.") when it succeeded without some entries; the reason alone for
// kBuildSettingsRefused; else the code's message followed by the path and
// the reason.
std::string result_line(const build_outcome& outcome, bool archive_source);

// "3 listings written, 1 already current." for a successful outcome.
std::string listings_line(const build_outcome& outcome);

// *dst := the message for code (the folder or archive wording by source).
// A code without a message (kBuildNoTemplate) leaves *dst unchanged.
void result_message(int code, variant* dst, const variant& source);

// The reason of a kBuildForeignOutput refusal when count existing outputs
// may not be replaced.
std::string foreign_output_reason(int64_t count);

// Whether a build without replace_existing would refuse to replace path:
// it exists and is not a listing Dirgen wrote there, unchanged since.
bool is_foreign_output(const std::string& path);

#endif  // DIRGEN_LISTING_BUILD_H_
