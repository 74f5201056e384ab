#include "setup/registry_store.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "markup/files.h"
#include "platform/home_folder.h"
#include "setup/setup_names.h"
#include "text/ascii.h"

namespace {

constexpr char kValuesFile[] = "/.values";
constexpr std::string_view kMagic = "dirgen-registry 1\n";

// Key names become folder names: "%" and a leading "." are escaped so that
// no key folder can be taken for the values file or its temporary files.
std::string folder_name_for(std::string_view key_name) {
  std::string out;
  for (size_t i = 0; i < key_name.size(); ++i) {
    char c = key_name[i];
    if (c == '%') {
      out += "%25";
    } else if (c == '.' && i == 0) {
      out += "%2E";
    } else {
      out += c;
    }
  }
  return out;
}

bool is_folder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The existing sub-folder of parent whose name equals name without regard to
// case (the exact spelling first; among others the byte-wise smallest, so
// the choice does not depend on the folder's listing order). Empty if none.
// folder_name_for undone.
std::string key_name_for(std::string_view folder_name) {
  std::string out;
  for (size_t i = 0; i < folder_name.size(); ++i) {
    std::string_view rest = folder_name.substr(i);
    if (rest.substr(0, 3) == "%25") {
      out += '%';
      i += 2;
    } else if (i == 0 && rest.substr(0, 3) == "%2E") {
      out += '.';
      i += 2;
    } else {
      out += folder_name[i];
    }
  }
  return out;
}

std::string find_child_folder(const std::string& parent,
                              const std::string& name) {
  if (is_folder(parent + "/" + name)) return name;
  unique_dir dir(::opendir(parent.c_str()));
  if (!dir) return "";
  std::string wanted = ascii_lower(name), best;
  while (struct dirent* entry = ::readdir(dir.get())) {
    std::string candidate = entry->d_name;
    if (ascii_lower(candidate) != wanted) continue;
    if (!is_folder(parent + "/" + candidate)) continue;
    if (best.empty() || candidate < best) best = candidate;
  }
  return best;
}

// Walks the key path below the root folder, creating missing keys when
// create is set. Returns the key's folder or the empty text on failure.
std::string resolve_key(registry_root root, std::string_view path, bool create,
                        std::string* err) {
  std::vector<std::string> names;
  if (!split_key_path(path, &names)) {
    if (err) *err = "invalid key path";
    return "";
  }
  std::string folder = registry_root_folder(root);
  if (create ? !make_folders(folder, err) : !is_folder(folder)) return "";
  for (const std::string& name : names) {
    std::string wanted = folder_name_for(name);
    std::string found = find_child_folder(folder, wanted);
    if (found.empty()) {
      if (!create) return "";
      found = wanted;
      if (::mkdir((folder + "/" + found).c_str(), 0755) != 0 &&
          errno != EEXIST) {
        if (err) *err = "cannot create key " + name + ": " + strerror(errno);
        return "";
      }
    }
    folder += "/" + found;
  }
  return folder;
}

bool read_number(std::string_view* text, char end, size_t* value) {
  auto [ptr, ec] =
      std::from_chars(text->data(), text->data() + text->size(), *value);
  if (ec != std::errc() || ptr == text->data() + text->size() || *ptr != end)
    return false;
  text->remove_prefix(static_cast<size_t>(ptr - text->data()) + 1);
  return true;
}

// One record: "<type> <name length> <data length>\n<name><data>\n".
bool parse_value(std::string_view* text, registry_value* value) {
  size_t type = 0, name_size = 0, data_size = 0;
  if (!read_number(text, ' ', &type) || !read_number(text, ' ', &name_size) ||
      !read_number(text, '\n', &data_size))
    return false;
  if (text->size() < name_size || text->size() - name_size < data_size + 1)
    return false;
  value->type = static_cast<uint32_t>(type);
  value->name.assign(text->substr(0, name_size));
  value->data.assign(text->substr(name_size, data_size));
  if ((*text)[name_size + data_size] != '\n') return false;
  text->remove_prefix(name_size + data_size + 1);
  return true;
}

}  // namespace

std::string registry_root_folder(registry_root root) {
  const char* var = root == registry_root::machine ? "DIRGEN_REGISTRY_MACHINE"
                                                   : "DIRGEN_REGISTRY_USER";
  const char* value = std::getenv(var);
  if (value != nullptr && *value != '\0') return value;
  if (root == registry_root::machine) return "/var/lib/dirgen/registry";
  return xdg_folder("XDG_CONFIG_HOME", "/.config") + "/dirgen/registry";
}

bool split_key_path(std::string_view path, std::vector<std::string>* names) {
  names->clear();
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view piece = path.substr(start, end - start);
    if (piece == "." || piece == "..") return false;
    if (!piece.empty()) names->emplace_back(piece);
    start = end + 1;
  }
  return true;
}

bool registry_key::open(registry_root root, std::string_view path,
                        registry_key* key) {
  registry_key opened;
  opened.folder_ = resolve_key(root, path, false, nullptr);
  if (opened.folder_.empty() || !opened.load(nullptr)) return false;
  *key = std::move(opened);
  return true;
}

bool registry_key::create(registry_root root, std::string_view path,
                          registry_key* key, std::string* err) {
  registry_key opened;
  opened.folder_ = resolve_key(root, path, true, err);
  if (opened.folder_.empty() || !opened.load(err)) return false;
  *key = std::move(opened);
  return true;
}

bool registry_key::remove(registry_root root, std::string_view path,
                          bool only_if_empty) {
  std::vector<std::string> names;
  if (!split_key_path(path, &names) || names.empty()) return false;
  registry_key key;
  if (!open(root, path, &key)) return false;
  if (only_if_empty && !key.values_.empty()) return false;
  unique_dir dir(::opendir(key.folder_.c_str()));
  if (!dir) return false;
  bool has_sub_keys = false;
  while (struct dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (is_folder(key.folder_ + "/" + name)) has_sub_keys = true;
  }
  dir.reset();
  if (has_sub_keys) return false;
  std::string values_file = key.folder_ + kValuesFile;
  if (::unlink(values_file.c_str()) != 0 && errno != ENOENT) return false;
  if (::rmdir(key.folder_.c_str()) == 0) return true;
  // Something else lives in the folder: put the values back as they were.
  key.save(nullptr);
  return false;
}

std::vector<std::string> registry_key::sub_keys() const {
  std::vector<std::string> names;
  unique_dir dir(::opendir(folder_.c_str()));
  if (!dir) return names;
  while (struct dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == ".." || !is_folder(folder_ + "/" + name))
      continue;
    names.push_back(key_name_for(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

const registry_value* registry_key::find(std::string_view name) const {
  auto it = index_.find(ascii_lower(name));
  return it == index_.end() ? nullptr : &values_[it->second];
}

void registry_key::set(std::string_view name, uint32_t type, std::string data) {
  auto [it, added] = index_.emplace(ascii_lower(name), values_.size());
  if (added) values_.push_back(registry_value{std::string(name), type, ""});
  registry_value& value = values_[it->second];
  value.type = type;
  value.data = std::move(data);
}

bool registry_key::save(std::string* err) const {
  std::string text(kMagic);
  for (const registry_value& value : values_) {
    text += std::to_string(value.type) + " " +
            std::to_string(value.name.size()) + " " +
            std::to_string(value.data.size()) + "\n";
    text += value.name;
    text += value.data;
    text += '\n';
  }
  return write_file_atomically(folder_ + kValuesFile, text,
                               kInstalledFileOptions, err);
}

bool registry_key::load(std::string* err) {
  values_.clear();
  index_.clear();
  std::string path = folder_ + kValuesFile, bytes;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return true;
  if (!read_whole_file(path, &bytes, err)) return false;
  std::string_view text = bytes;
  if (text.substr(0, kMagic.size()) != kMagic) {
    if (err) *err = "damaged values file " + path;
    return false;
  }
  text.remove_prefix(kMagic.size());
  while (!text.empty()) {
    registry_value value;
    if (!parse_value(&text, &value)) {
      if (err) *err = "damaged values file " + path;
      return false;
    }
    set(value.name, value.type, std::move(value.data));
  }
  return true;
}
