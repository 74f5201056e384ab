#include "project/dirgen_formatter.h"

#include <string>

#include "markup/settings_file.h"

namespace {

void fill_names(kvhash* table, std::initializer_list<const char*> names) {
  int i = 0;
  for (const char* name : names) {
    table->put(kvval(std::string_view(std::to_string(i++))), kvval(name));
  }
}

void load_table(const kvval& folder, const char* file_name, kvcgi* table) {
  kvval path(folder);
  path.append_cstr("/");
  path.append_cstr(file_name);
  std::string err;
  if (!load_settings_file(path, &table->table, &err)) {
    table->message = kvval(std::string_view(err));
  }
}

}  // namespace

dirgen_formatter::dirgen_formatter() : number_format(user_number_format()) {
  fill_names(&order_names, {"Unsorted", "Name", "Extension", "Size", "Date"});
  fill_names(&direction_names, {"Ascending", "Descending"});
  fill_names(&unit_names, {"Bytes", "Kb", "Mb"});
}

void dirgen_formatter::load_tables(const kvval& folder) {
  load_table(folder, "ext2descr.txt", &ext_descriptions);
  load_table(folder, "ext2img.txt", &ext_images);
  load_table(folder, "type2descr.txt", &type_descriptions);
  load_table(folder, "type2img.txt", &type_images);
  load_table(folder, "styles.txt", &styles);
}

std::vector<std::string> dirgen_formatter::style_names() const {
  std::vector<std::string> names;
  const kvarr* list = styles.table.list("style_name");
  if (list == nullptr) return names;
  names.reserve(list->size());
  for (int32_t i = 0; i < list->size(); ++i) names.push_back((*list)[i].str());
  return names;
}

// The catalogue is read-only after loading: a position past the end reads
// as the integer 0 without adding that 0 to the list.
kvval dirgen_formatter::nth_catalogue_value(const char* key, int32_t n) const {
  const kvarr* list = styles.table.list(key);
  if (n < 0 || list == nullptr) return kvval("");
  if (n >= list->size()) return kvval(0);
  return (*list)[n];
}

kvval dirgen_formatter::style_format(int32_t n) const {
  return nth_catalogue_value("style_file", n);
}

kvval dirgen_formatter::style_description(int32_t n) const {
  return nth_catalogue_value("style_description", n);
}

int32_t dirgen_formatter::style_position(const kvval& format) const {
  const kvarr* list = styles.table.list("style_file");
  if (list == nullptr) return -1;
  const std::string_view wanted = format.view();
  for (int32_t i = 0; i < list->size(); ++i) {
    if ((*list)[i].view() == wanted) return i;
  }
  return -1;
}

void local_images_path(const kvval& folder, kvval* result) {
  std::string text = "file://";
  text += folder.view();
  text += "images";
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  *result = kvval(std::string_view(text));
}
