#include "project/data_tables.h"

#include <string>

#include "markup/settings_file.h"

namespace {

void fill_names(name_table* table, std::initializer_list<const char*> names) {
  int i = 0;
  for (const char* name : names) {
    table->put(variant(std::string_view(std::to_string(i++))), variant(name));
  }
}

void load_table(const variant& folder, const char* file_name,
                loaded_table* table) {
  variant path(folder);
  path.append_cstr("/");
  path.append_cstr(file_name);
  std::string err;
  if (!load_settings_file(path, &table->table, &err)) {
    table->message = variant(std::string_view(err));
  }
}

}  // namespace

data_tables::data_tables() : number_format(user_number_format()) {
  fill_names(&order_names, {"Unsorted", "Name", "Extension", "Size", "Date"});
  fill_names(&direction_names, {"Ascending", "Descending"});
  fill_names(&unit_names, {"Bytes", "Kb", "Mb"});
}

void data_tables::load_tables(const variant& folder) {
  load_table(folder, "ext2descr.txt", &ext_descriptions);
  load_table(folder, "ext2img.txt", &ext_images);
  load_table(folder, "type2descr.txt", &type_descriptions);
  load_table(folder, "type2img.txt", &type_images);
  load_table(folder, "styles.txt", &styles);
}

std::vector<std::string> data_tables::style_names() const {
  std::vector<std::string> names;
  const value_list* list = styles.table.list("style_name");
  if (list == nullptr) return names;
  names.reserve(list->size());
  for (int32_t i = 0; i < list->size(); ++i) names.push_back((*list)[i].str());
  return names;
}

// The catalogue is read-only after loading: a position past the end reads
// as the integer 0 without adding that 0 to the list.
variant data_tables::nth_catalogue_value(const char* key, int32_t n) const {
  const value_list* list = styles.table.list(key);
  if (n < 0 || list == nullptr) return variant("");
  if (n >= list->size()) return variant(0);
  return (*list)[n];
}

variant data_tables::style_format(int32_t n) const {
  return nth_catalogue_value("style_file", n);
}

variant data_tables::style_description(int32_t n) const {
  return nth_catalogue_value("style_description", n);
}

int32_t data_tables::style_position(const variant& format) const {
  const value_list* list = styles.table.list("style_file");
  if (list == nullptr) return -1;
  const std::string_view wanted = format.view();
  for (int32_t i = 0; i < list->size(); ++i) {
    if ((*list)[i].view() == wanted) return i;
  }
  return -1;
}

void local_images_path(const variant& folder, variant* result) {
  std::string text = "file://";
  text += folder.view();
  text += "images";
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  *result = variant(std::string_view(text));
}
