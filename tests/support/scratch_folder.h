// What the test programs share: a scratch folder per test, whole-file reads
// and writes, and a scoped environment variable. Built once as the
// dirgen_test_support library, which every test program links.
#ifndef DIRGEN_TESTS_SUPPORT_SCRATCH_FOLDER_H_
#define DIRGEN_TESTS_SUPPORT_SCRATCH_FOLDER_H_

#include <string>

// A fresh folder for one test, removed with everything in it when the object
// goes: permissions are restored on the way down and removal goes through
// file descriptors, so depth, paths longer than PATH_MAX and folders without
// permissions do not matter. Made in base when that is a writable folder,
// else in the system's temporary folder. path() is empty when no folder
// could be made.
class scratch_folder {
 public:
  explicit scratch_folder(const std::string& base = "");
  ~scratch_folder();
  scratch_folder(const scratch_folder&) = delete;
  scratch_folder& operator=(const scratch_folder&) = delete;

  // The folder, without a trailing "/".
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string at(const std::string& relative) const;
  // Creates (or replaces) the file relative with contents and permission
  // bits mode, making the folders on its way. False on failure.
  bool write(const std::string& relative, const std::string& contents = "",
             int mode = 0644) const;
  // The content of the file relative, or "<missing>" when it cannot be read.
  std::string read(const std::string& relative) const;
  // Creates the folder relative and the folders on its way. False on failure.
  bool make_folder(const std::string& relative) const;

 private:
  std::string path_;
};

// Writes bytes to the file at path (created or truncated). False on failure.
bool write_file(const std::string& path, const std::string& bytes);

// The content of the file at path, or "<missing>" when it cannot be read.
std::string read_file(const std::string& path);

// Makes depth nested folders named level inside folder through
// descriptors, so that the whole path may be longer than any system call
// takes. Returns the deepest, open for reading (the caller closes it), and
// its path in *path; -1 on failure.
int make_nested_folders(const std::string& folder, const std::string& level,
                        int depth, std::string* path);

// The number of descriptors this process has open.
int open_descriptors();

// Sets (or, for null, unsets) an environment variable for the life of the
// object and restores the old value afterwards.
class scoped_env {
 public:
  scoped_env(const char* name, const char* value);
  ~scoped_env();
  scoped_env(const scoped_env&) = delete;
  scoped_env& operator=(const scoped_env&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

#endif  // DIRGEN_TESTS_SUPPORT_SCRATCH_FOLDER_H_
