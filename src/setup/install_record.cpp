#include "setup/install_record.h"

#include "setup/registry.h"
#include "setup/setup_names.h"
#include "setup/sha256.h"

namespace {

// Digits of the installation folder's checksum that name its record: 64
// bits, so two folders of one machine never share a record.
constexpr size_t kRecordIdDigits = 16;

constexpr std::string_view kFilesValue = "files";
constexpr std::string_view kFoldersValue = "folders";

std::string text_value(const registry_key& key, std::string_view name) {
  const registry_value* value = key.find(name);
  if (value == nullptr) return "";
  return registry_value_of(value->type, value->data).str();
}

void set_text(registry_key* key, std::string_view name,
              const std::string& text) {
  uint32_t type = 0;
  std::string data;
  registry_data_of(variant(std::string_view(text)), &type, &data);
  key->set(name, type, std::move(data));
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool read_record_key(registry_root root, const std::string& key_path,
                     install_record* record) {
  registry_key key;
  if (!registry_key::open(root, key_path, &key)) return false;
  install_record found;
  found.root = root;
  found.inst_dir = text_value(key, kInstallFolderValue);
  if (found.inst_dir.empty() ||
      !parse_files_text(text_value(key, kFilesValue), &found.files))
    return false;
  found.created_folders = lines_of(text_value(key, kFoldersValue));
  *record = std::move(found);
  return true;
}

// Deletes key and each key above it that is then empty (no values, no
// sub-keys).
void remove_key_and_empty_parents(registry_root root, std::string key) {
  if (!registry_key::remove(root, key, false)) return;
  for (size_t slash = key.rfind('/'); slash != std::string::npos;
       slash = key.rfind('/')) {
    key.resize(slash);
    if (!registry_key::remove(root, key, true)) return;
  }
}

}  // namespace

std::string install_record::sum_of(const std::string& path) const {
  for (const installed_file& f : files) {
    if (f.path == path) return f.sha256;
  }
  return "";
}

std::string record_key(const std::string& inst_dir) {
  return std::string(kProductKey) + "/" +
         sha256_hex(inst_dir).substr(0, kRecordIdDigits);
}

std::string files_text(const std::vector<installed_file>& files) {
  std::string text;
  for (const installed_file& f : files) {
    bool escape = f.path.find_first_of("\\\n") != std::string::npos;
    std::string path;
    for (char c : f.path) {
      if (c == '\\') {
        path += "\\\\";
      } else if (c == '\n') {
        path += "\\n";
      } else {
        path += c;
      }
    }
    text += (escape ? "\\" : "") + f.sha256 + "  " + path + "\n";
  }
  return text;
}

bool parse_files_text(const std::string& text,
                      std::vector<installed_file>* files) {
  files->clear();
  for (std::string line : lines_of(text)) {
    bool escaped = !line.empty() && line[0] == '\\';
    if (escaped) line.erase(0, 1);
    if (line.size() < 67 || line.compare(64, 2, "  ") != 0) return false;
    installed_file f{"", line.substr(0, 64)};
    for (size_t i = 66; i < line.size(); ++i) {
      if (escaped && line[i] == '\\' && i + 1 < line.size()) {
        f.path += line[++i] == 'n' ? '\n' : line[i];
      } else {
        f.path += line[i];
      }
    }
    files->push_back(std::move(f));
  }
  return true;
}

bool save_record(const install_record& record, std::string* err) {
  registry_key key;
  if (!registry_key::create(record.root, record_key(record.inst_dir), &key,
                            err))
    return false;
  std::string folders;
  for (const std::string& folder : record.created_folders)
    folders += folder + "\n";
  set_text(&key, kInstallFolderValue, record.inst_dir);
  set_text(&key, kDisplayNameValue, std::string(kProductName));
  set_text(&key, kUninstallStringValue,
           record.inst_dir + std::string(kRemoveFile));
  set_text(&key, kFilesValue, files_text(record.files));
  set_text(&key, kFoldersValue, folders);
  if (!key.save(err)) return false;
  registry_key product;
  if (!registry_key::open(record.root, kProductKey, &product)) {
    if (err) *err = "cannot open " + std::string(kProductKey);
    return false;
  }
  set_text(&product, kInstallFolderValue, record.inst_dir);
  return product.save(err);
}

bool load_record(registry_root root, const std::string& inst_dir,
                 install_record* record) {
  return read_record_key(root, record_key(inst_dir), record) &&
         record->inst_dir == inst_dir;
}

std::vector<install_record> all_records(registry_root root) {
  std::vector<install_record> records;
  registry_key product;
  if (!registry_key::open(root, kProductKey, &product)) return records;
  for (const std::string& name : product.sub_keys()) {
    install_record record;
    if (read_record_key(root, std::string(kProductKey) + "/" + name, &record))
      records.push_back(std::move(record));
  }
  return records;
}

bool delete_record(const install_record& record) {
  if (!registry_key::remove(record.root, record_key(record.inst_dir), false))
    return false;
  registry_key product;
  if (!registry_key::open(record.root, kProductKey, &product)) return true;
  if (text_value(product, kInstallFolderValue) != record.inst_dir) return true;
  std::vector<install_record> others = all_records(record.root);
  if (!others.empty()) {
    set_text(&product, kInstallFolderValue, others.front().inst_dir);
    product.save(nullptr);
    return true;
  }
  remove_key_and_empty_parents(record.root, std::string(kProductKey));
  return true;
}
