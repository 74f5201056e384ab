#include "listing/listing_test_util.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

int open_up(const char* path, const struct stat* st, int type, struct FTW*) {
  if (type == FTW_D || type == FTW_DNR) chmod(path, 0700);
  return 0;
}

void append_list(const kvfile_node* first, std::string* out) {
  for (const kvfile_node* n = first; n; n = n->next_sibling) {
    if (n != first) *out += ",";
    *out += n->name.str() + n->ext.str();
    if (n->first_child) {
      *out += "(";
      append_list(n->first_child, out);
      *out += ")";
    }
  }
}

std::string list_fault(const kvfile_node* first, const kvfile_node* parent) {
  int32_t count = 0;
  const kvfile_node* prev = nullptr;
  for (const kvfile_node* n = first; n; prev = n, n = n->next_sibling) {
    if (n->parent != parent) return "bad parent at " + n->name.str();
    if (n->prev_sibling != prev) return "bad prev at " + n->name.str();
    ++count;
    if (n->first_child) {
      std::string fault = list_fault(n->first_child, n);
      if (!fault.empty()) return fault;
    }
  }
  if (parent && parent->child_count != count) {
    return "bad count at " + parent->name.str();
  }
  return "";
}

}  // namespace

temp_folder::temp_folder() {
  const char* base = getenv("TMPDIR");
  std::string templ =
      std::string(base && *base ? base : "/tmp") + "/dirgen_listing_XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data())) path_ = buf.data();
}

temp_folder::~temp_folder() {
  if (path_.empty()) return;
  nftw(path_.c_str(), open_up, 16, FTW_PHYS);
  nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string temp_folder::at(const std::string& relative) const {
  return path_ + "/" + relative;
}

bool temp_folder::write_file(const std::string& relative,
                             const std::string& contents) const {
  FILE* f = fopen(at(relative).c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(contents.data(), 1, contents.size(), f) == contents.size();
  return fclose(f) == 0 && ok;
}

bool temp_folder::make_folder(const std::string& relative) const {
  return mkdir(at(relative).c_str(), 0700) == 0;
}

kvfile_node* new_node(const char* name, int32_t is_folder, const kvval& size,
                      int64_t time, const char* ext) {
  auto* node = new kvfile_node;
  node->name = kvval(name);
  node->is_folder = is_folder;
  node->size = size;
  node->time = time;
  node->ext = kvval(ext);
  return node;
}

std::string tree_shape(const kvfile_tree& tree) {
  std::string out;
  append_list(tree.root(), &out);
  return out;
}

std::string link_fault(const kvfile_tree& tree) {
  int32_t top = 0;
  for (const kvfile_node* n = tree.root(); n; n = n->next_sibling) ++top;
  if (top != tree.count()) return "bad top-level count";
  return list_fault(tree.root(), nullptr);
}
