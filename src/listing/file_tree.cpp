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
// allocation is spread over thousands of entries. An entry larger than a
// block (an archive path of megabytes) gets a block of its own size.
constexpr size_t kFirstBlock = 2048;
constexpr size_t kLastBlock = 1024 * 1024;

// Bytes of a node with a name of size bytes behind it; a multiple of the
// node's alignment, so that the next node is aligned.
static_assert(alignof(file_node) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
size_t entry_bytes(size_t size) {
  constexpr size_t align = alignof(file_node);
  return sizeof(file_node) + (size + align - 1) / align * align;
}

}  // namespace

// The nodes and names of one or more trees (see share_storage_of): each
// node is followed by its name in one arena.
class file_tree_storage {
 public:
  file_node* new_node(std::string_view name) {
    const size_t need = entry_bytes(name.size());
    if (room_ < need) {
      block_size_ = blocks_.empty() ? kFirstBlock
                                    : std::min(block_size_ * 2, kLastBlock);
      const size_t size = std::max(block_size_, need);
      // operator new[] aligns for any fundamental type, so for file_node.
      blocks_.emplace_back(new (std::nothrow) char[size]);
      if (!blocks_.back()) out_of_memory();
      next_ = blocks_.back().get();
      room_ = size;
      bytes_ += static_cast<int64_t>(size);
    }
    file_node* node = new (next_) file_node;
    std::memcpy(next_ + sizeof(file_node), name.data(), name.size());
    node->name_size_ = static_cast<uint32_t>(name.size());
    next_ += need;
    room_ -= need;
    return node;
  }

  int64_t bytes() const { return bytes_; }

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t block_size_ = 0;
  char* next_ = nullptr;
  size_t room_ = 0;
  int64_t bytes_ = 0;
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
  file_node* node = storage_->new_node(name);
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
