// A temporary folder for one test, removed with everything in it when the
// object goes away; and small file helpers the platform tests share.
#ifndef DIRGEN_PLATFORM_TEST_FOLDER_H_
#define DIRGEN_PLATFORM_TEST_FOLDER_H_

#include <string>

class test_folder {
 public:
  test_folder();
  ~test_folder();
  test_folder(const test_folder&) = delete;
  test_folder& operator=(const test_folder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name.
  std::string file(const std::string& name) const;
  // Writes text to file(name) (mode is applied with chmod).
  void write(const std::string& name, const std::string& text,
             int mode = 0644) const;
  // The content of file(name), or "<missing>".
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

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

#endif  // DIRGEN_PLATFORM_TEST_FOLDER_H_
