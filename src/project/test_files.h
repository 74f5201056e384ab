// Test helpers for the project tests: a temporary folder removed with its
// contents at the end of the test, and whole-file reads and writes.
#ifndef DIRGEN_PROJECT_TEST_FILES_H_
#define DIRGEN_PROJECT_TEST_FILES_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::string templ =
        (std::filesystem::temp_directory_path() / "dirgen_project_XXXXXX")
            .string();
    if (mkdtemp(templ.data()) != nullptr) path_ = templ;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing "/".
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

#endif  // DIRGEN_PROJECT_TEST_FILES_H_
