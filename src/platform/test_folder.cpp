#include "platform/test_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

test_folder::test_folder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "dirgen-plat-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  if (made != nullptr) path_ = made;
}

test_folder::~test_folder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string test_folder::file(const std::string& name) const {
  return path_ + "/" + name;
}

void test_folder::write(const std::string& name, const std::string& text,
                        int mode) const {
  std::ofstream(file(name), std::ios::binary) << text;
  ::chmod(file(name).c_str(), static_cast<mode_t>(mode));
}

std::string test_folder::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

scoped_env::scoped_env(const char* name, const char* value) : name_(name) {
  const char* old = std::getenv(name);
  had_ = old != nullptr;
  if (had_) old_ = old;
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

scoped_env::~scoped_env() {
  if (had_) {
    ::setenv(name_.c_str(), old_.c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}
