#include "listing/listing_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>


namespace {

std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> out;
  while (!path.empty()) {
    const size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    if (!part.empty()) out.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return out;
}

bool listed_file(const file_tree& tree, std::string_view name) {
  for (const file_node* n = tree.root(); n; n = n->next_sibling) {
    if (!n->is_folder && n->full_name() == name) return true;
  }
  return false;
}

// text cut to at most limit bytes, not inside a UTF-8 sequence.
void cut_to(size_t limit, std::string* text) {
  if (text->size() <= limit) return;
  size_t end = limit;
  // Back off over continuation bytes to the start of the cut sequence.
  for (int i = 0; i < 3 && end > 0 &&
                  (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80;
       ++i) {
    --end;
  }
  text->resize(end);
}

}  // namespace

std::string relative_folder_path(const std::string& from,
                                 const std::string& to) {
  const std::vector<std::string_view> a = components(from);
  const std::vector<std::string_view> b = components(to);
  size_t common = 0;
  while (common < a.size() && common < b.size() && a[common] == b[common]) {
    ++common;
  }
  std::string out;
  for (size_t i = common; i < a.size(); ++i) out += "../";
  for (size_t i = common; i < b.size(); ++i) {
    out.append(b[i]);
    out += '/';
  }
  return out;
}

std::string absolute_folder(const std::string& folder) {
  std::string path = folder;
  if (path.empty() || path[0] != '/') {
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0),
                                                    &std::free);
    path = std::string(cwd ? cwd.get() : "") + "/" + path;
  }
  std::vector<std::string_view> kept;
  for (std::string_view part : components(path)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string out;
  for (std::string_view part : kept) {
    out += '/';
    out.append(part);
  }
  return out.empty() ? "/" : out;
}

std::string last_component(const std::string& path) {
  std::vector<std::string_view> parts = components(path);
  return parts.empty() ? path : std::string(parts.back());
}

bool read_readme(const file_tree& tree, int dir_fd, std::string* name,
                 std::string* text) {
  name->clear();
  text->clear();
  for (const char* candidate : {"README", "README.txt", "README.md"}) {
    if (!listed_file(tree, candidate)) continue;
    const int fd = openat(dir_fd, candidate,
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::string bytes;
    char chunk[8192];
    while (ok && bytes.size() <= kMaxReadmeBytes) {
      const ssize_t n = read(fd, chunk, sizeof chunk);
      if (n < 0) ok = false;
      if (n <= 0) break;
      bytes.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    if (!ok) continue;
    cut_to(kMaxReadmeBytes, &bytes);
    *name = candidate;
    *text = std::move(bytes);
    return true;
  }
  return false;
}
