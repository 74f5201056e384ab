// build_listing: turns one set of settings into listing files. Reads the
// source (a folder tree or an archive) into a file tree, filters and orders
// it, fills the template variables and runs the template over them. Called
// by the command-line mode and by the main window's build thread.
#ifndef DIRGEN_LISTING_BUILD_H_
#define DIRGEN_LISTING_BUILD_H_

#include <cstdint>
#include <string>

#include "listing/masks.h"
#include "project/dirgen_formatter.h"
#include "project/dirgen_project.h"
#include "value/kvarr.h"
#include "value/kvval.h"

// Result codes of build_listing.
enum build_result : int {
  kBuildOk = 0,
  kBuildNoEntries = 100,  // folder empty / not enterable; bad tar
  kBuildCantCreateOutput = 200,
  kBuildCantCreateTemp = 300,
  kBuildCantGunzip = 310,
  kBuildNoExtension = 700,
  kBuildUnknownExtension = 701,
  kBuildCantUnzip = 710,
  kBuildNotArchive = 720,      // no known archive format
  kBuildDamagedArchive = 730,  // damaged, in a format of no code above
  kBuildNoTemplate = 800,
};

// Receives progress from a running build (called on the build's thread).
// All counts are running totals of the whole build, nested per-folder
// builds included.
class build_progress {
 public:
  virtual ~build_progress() = default;
  virtual void on_progress(int64_t folders_scanned, int64_t entries_found,
                           int64_t bytes_written) = 0;
};

// Everything one build reads. The settings keep the names of the settings
// record; the formatter and the compiled masks are borrowed, not owned, and
// must outlive the build.
struct build_inputs {
  const dirgen_project* settings = nullptr;
  const dirgen_formatter* formatter = nullptr;
  const compiled_masks* file_include = nullptr;
  const compiled_masks* file_skip = nullptr;
  const compiled_masks* folder_include = nullptr;
  const compiled_masks* folder_skip = nullptr;
  // Folder of the template files, ending in "/" (the data folder).
  std::string template_folder;
  build_progress* progress = nullptr;  // optional
};

// Runs one build. Returns a build_result code. Writes nothing but the
// listing file(s); frees everything it made on every path.
// REQUIRES: settings, formatter and the four mask lists are set.
int build_listing(const build_inputs& in);

// The convenience both shells use: compiles the record's four pattern
// fields, then runs build_listing with them and the data folder.
int run_build(const dirgen_project& settings, const dirgen_formatter& formatter,
              const std::string& data_folder, build_progress* progress);

// *dst := the message for code (the folder or archive wording by source).
// A code without a message leaves *dst unchanged.
void result_message(int code, kvval* dst, const kvval& source);

#endif  // DIRGEN_LISTING_BUILD_H_
