#include "setup/catalogue_merge.h"

#include <set>
#include <vector>

namespace {

constexpr std::string_view kOpen = "<style_name>";
constexpr std::string_view kClose = "</style_name>";

struct catalogue_entry {
  std::string_view name;
  std::string_view text;  // the whole entry, up to the next one
};

std::vector<catalogue_entry> entries_of(std::string_view catalogue) {
  std::vector<catalogue_entry> entries;
  size_t at = catalogue.find(kOpen);
  while (at != std::string_view::npos) {
    size_t next = catalogue.find(kOpen, at + kOpen.size());
    std::string_view text = catalogue.substr(at, next - at);
    size_t name_end = text.find(kClose);
    std::string_view name =
        name_end == std::string_view::npos
            ? text.substr(kOpen.size())
            : text.substr(kOpen.size(), name_end - kOpen.size());
    entries.push_back({name, text});
    at = next;
  }
  return entries;
}

}  // namespace

std::string merge_catalogue(std::string_view shipped, std::string_view users) {
  std::set<std::string_view> names;
  for (const catalogue_entry& entry : entries_of(shipped))
    names.insert(entry.name);
  std::string merged(shipped);
  for (const catalogue_entry& entry : entries_of(users)) {
    if (!names.insert(entry.name).second) continue;
    if (!merged.empty() && merged.back() != '\n') merged += '\n';
    merged += entry.text;
  }
  return merged;
}
