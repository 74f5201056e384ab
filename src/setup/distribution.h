// The distribution the installer copies from: checking that it is complete,
// summing its size and listing the files of its data folders. Used by the
// wizard at start and by the installation's copy steps.
#ifndef DIRGEN_SETUP_DISTRIBUTION_H_
#define DIRGEN_SETUP_DISTRIBUTION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "project/number_format.h"

struct distribution_file {
  std::string name;  // file name, no folder
  uint64_t size = 0;
};

// The regular files directly inside folder (sub-folders are skipped), as
// scan_folder lists them. Returns false when the folder cannot be listed or
// lists nothing; *files is then empty.
bool list_folder_files(const std::string& folder,
                       std::vector<distribution_file>* files);

// Checks the distribution in folder: every listed file and required data
// file must exist and every listed data folder must list. On success
// returns true and *total holds the bytes of all files to be copied (the
// listed files and the files directly inside the data folders). Returns
// false at the first missing file or folder that does not list, with its
// path and the reason in *err.
bool check_distribution(const std::string& folder, uint64_t* total,
                        std::string* err);

// What the installer says of an incomplete distribution, err being what
// check_distribution said: "The distribution is incomplete.", err and
// "Terminating." on three lines.
std::string incomplete_distribution_message(const std::string& err);

// "The program requires N Kb of the disk space." with N = total / 1024 + 1
// written with fmt.
std::string required_space_line(uint64_t total,
                                const number_format_record& fmt);

// Size of the file at path, or false when it does not exist.
bool file_size_of(const std::string& path, uint64_t* size);

#endif  // DIRGEN_SETUP_DISTRIBUTION_H_
