#include "listing/file_tree.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "text/out_of_memory.h"

namespace {

// Blocks start small, so that the many one-folder trees of a per-folder
// build stay small, and double up to a size where the cost of one
// allocation is spread over thousands of entries.
constexpr size_t kFirstNodeBlock = 32;
constexpr size_t kLastNodeBlock = 8192;
constexpr size_t kFirstNameBlock = 1024;
constexpr size_t kLastNameBlock = 256 * 1024;

}  // namespace

// The nodes and names of one or more trees (see share_storage_of).
class file_tree_storage {
 public:
  file_node* new_node() {
    if (node_blocks_.empty() || nodes_used_ == node_block_size_) {
      node_block_size_ = node_blocks_.empty()
                             ? kFirstNodeBlock
                             : std::min(node_block_size_ * 2, kLastNodeBlock);
      node_blocks_.emplace_back(new (std::nothrow) file_node[node_block_size_]);
      if (!node_blocks_.back()) out_of_memory();
      nodes_used_ = 0;
    }
    return &node_blocks_.back()[nodes_used_++];
  }

  // A copy of text in the arena (not NUL-terminated).
  const char* copy(std::string_view text) {
    if (text.empty()) return "";
    if (name_blocks_.empty() || name_room_ < text.size()) {
      name_block_size_ = name_blocks_.empty()
                             ? kFirstNameBlock
                             : std::min(name_block_size_ * 2, kLastNameBlock);
      size_t size = std::max(name_block_size_, text.size());
      name_blocks_.emplace_back(new (std::nothrow) char[size]);
      if (!name_blocks_.back()) out_of_memory();
      name_next_ = name_blocks_.back().get();
      name_room_ = size;
      name_bytes_ += static_cast<int64_t>(size);
    }
    char* at = name_next_;
    std::memcpy(at, text.data(), text.size());
    name_next_ += text.size();
    name_room_ -= text.size();
    return at;
  }

  int64_t bytes() const {
    int64_t node_slots = 0;
    size_t size = kFirstNodeBlock;
    for (size_t i = 0; i < node_blocks_.size(); ++i) {
      node_slots += static_cast<int64_t>(size);
      size = std::min(size * 2, kLastNodeBlock);
    }
    return node_slots * static_cast<int64_t>(sizeof(file_node)) + name_bytes_;
  }

 private:
  std::vector<std::unique_ptr<file_node[]>> node_blocks_;
  size_t node_block_size_ = 0;
  size_t nodes_used_ = 0;
  std::vector<std::unique_ptr<char[]>> name_blocks_;
  size_t name_block_size_ = 0;
  char* name_next_ = nullptr;
  size_t name_room_ = 0;
  int64_t name_bytes_ = 0;
};

void file_node::split_extension() {
  std::string_view whole = full_name();
  size_t dot = whole.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return;
  ext_size_ = static_cast<uint32_t>(whole.size() - dot);
}

file_tree::file_tree() : storage_(std::make_shared<file_tree_storage>()) {}

file_tree::~file_tree() = default;

file_node* file_tree::make_node(std::string_view name, bool is_folder) {
  // Names longer than 4 GiB do not occur: entry names are at most a few
  // kilobytes, archive paths a few megabytes.
  if (name.size() > std::numeric_limits<uint32_t>::max()) out_of_memory();
  file_node* node = storage_->new_node();
  node->name_ = storage_->copy(name);
  node->name_size_ = static_cast<uint32_t>(name.size());
  node->is_folder = is_folder ? 1 : 0;
  return node;
}

void file_tree::share_storage_of(const file_tree& other) {
  assert(root() == nullptr);
  storage_ = other.storage_;
}

void file_tree::adopt_top_level(file_tree* level, file_node* folder) {
  assert(level->storage_ == storage_);
  assert(folder->first_child == nullptr);
  adopt_children(folder, *level);
}

void file_tree::clear() {
  release();
  storage_ = std::make_shared<file_tree_storage>();
}

int64_t file_tree::storage_bytes() const { return storage_->bytes(); }
