// linked_tree<N>: an owning tree of nodes linked by raw pointers, shared by the
// markup document (xml_node) and the file tree of a build (file_node).
//
// N must have the members: N* parent, N* next_sibling, N* first_child,
// int32_t child_count, and may have N* prev_sibling. Without backward links
// a node is 8 bytes smaller (the file tree holds millions); a node is
// removed by naming its previous sibling too (remove_after), which a walk
// over the list knows. The tree owns every node reachable
// from root() through next_sibling and first_child; destroying or clearing
// it frees them all (iteratively, so depth never exhausts the stack). Links
// are changed only through the tree's operations, which keep the parent
// links, the child counts and count() right.
//
// Nodes says how nodes are freed: heap_nodes deletes each one (nodes
// made with new); kept_nodes frees none, for a derived tree that keeps
// its nodes in storage of its own and releases them all at once.
//
// Threading: not for use by two threads at once when either changes it.
#ifndef DIRGEN_VALUE_LINKED_TREE_H_
#define DIRGEN_VALUE_LINKED_TREE_H_

#include <cassert>
#include <cstdint>
#include <vector>

// True when N links back to its previous sibling.
template <typename N>
concept has_prev_sibling = requires(N* n) { n->prev_sibling; };

struct heap_nodes {
  static constexpr bool kFreesNodes = true;
};
struct kept_nodes {
  static constexpr bool kFreesNodes = false;
};

template <typename N, typename Nodes = heap_nodes>
class linked_tree {
 public:
  linked_tree() = default;
  virtual ~linked_tree() { free_chain(root_); }
  linked_tree(const linked_tree&) = delete;
  linked_tree& operator=(const linked_tree&) = delete;

  // Sort order of two siblings: negative when a goes first. The base tree
  // has no order (0 for every pair).
  virtual int32_t compare_nodes(const N* a, const N* b) const { return 0; }

  // The first top-level node (null when the tree is empty) and the number
  // of top-level nodes.
  N* root() const { return root_; }
  int32_t count() const { return count_; }

  // Frees every node; the tree can be filled again.
  void clear() {
    free_chain(root_);
    root_ = nullptr;
    count_ = 0;
  }

  // Next node in depth-first pre-order, or null at the end.
  static N* next_preorder(const N* node) {
    if (node->first_child) return node->first_child;
    return next_after_subtree(node);
  }
  // Next node in pre-order that is not a descendant of node, or null.
  static N* next_after_subtree(const N* node) {
    N* prev;
    return next_after_subtree(const_cast<N*>(node), &prev);
  }
  // The same, with *prev set to the found node's previous sibling, as a
  // walk that removes nodes (remove_after) needs.
  static N* next_after_subtree(N* node, N** prev) {
    for (N* n = node; n; n = n->parent) {
      if (n->next_sibling) {
        *prev = n;
        return n->next_sibling;
      }
    }
    return nullptr;
  }

  // node becomes the last top-level node.
  void append_top(N* node) {
    node->parent = nullptr;
    node->next_sibling = nullptr;
    N* last = root_;
    if (!last) {
      set_prev(node, nullptr);
      root_ = node;
    } else {
      if (last_top_ && last_top_->next_sibling == nullptr &&
          last_top_->parent == nullptr && is_top(last_top_)) {
        last = last_top_;
      }
      while (last->next_sibling) last = last->next_sibling;
      last->next_sibling = node;
      set_prev(node, last);
    }
    last_top_ = node;
    ++count_;
  }
  // node becomes parent's last child. Nothing when either is null.
  // Appending is O(1) per call for repeated appends to the same parent.
  void append_child(N* node, N* parent) {
    if (!node || !parent) return;
    node->parent = parent;
    node->next_sibling = nullptr;
    N* last = parent->first_child;
    if (!last) {
      set_prev(node, nullptr);
      parent->first_child = node;
    } else {
      if (last_child_ && last_child_->parent == parent) last = last_child_;
      while (last->next_sibling) last = last->next_sibling;
      last->next_sibling = node;
      set_prev(node, last);
    }
    last_child_ = node;
    ++parent->child_count;
  }
  // Moves every node of other (with its subtree) to the end of parent's
  // children, in order; other becomes empty. REQUIRES: parent is a node of
  // this tree; other is not this tree.
  void adopt_children(N* parent, linked_tree& other) {
    assert(parent && &other != this);
    N* first = other.root_;
    int32_t moved = other.count_;
    other.release();
    if (!first) return;
    for (N* n = first; n; n = n->next_sibling) n->parent = parent;
    N* last = parent->first_child;
    if (!last) {
      parent->first_child = first;
    } else {
      while (last->next_sibling) last = last->next_sibling;
      last->next_sibling = first;
      set_prev(first, last);
    }
    parent->child_count += moved;
  }
  // Relinks the children of parent (the top-level list when parent is null)
  // in the order of nodes. REQUIRES: nodes holds exactly that list's nodes.
  void reorder_children(N* parent, const std::vector<N*>& nodes) {
    assert(static_cast<int32_t>(nodes.size()) ==
           (parent ? parent->child_count : count_));
    N* prev = nullptr;
    for (N* node : nodes) {
      assert(node->parent == parent);
      set_prev(node, prev);
      if (prev) prev->next_sibling = node;
      prev = node;
    }
    if (prev) prev->next_sibling = nullptr;
    N* first = nodes.empty() ? nullptr : nodes.front();
    if (parent) {
      parent->first_child = first;
    } else {
      root_ = first;
    }
    // The append hints may now point into the middle of a list.
    last_child_ = nullptr;
    last_top_ = nullptr;
  }
  // node is linked right after sibling, under sibling's parent.
  void insert_after(N* node, N* sibling) {
    node->parent = sibling->parent;
    set_prev(node, sibling);
    node->next_sibling = sibling->next_sibling;
    if (sibling->next_sibling) set_prev(sibling->next_sibling, node);
    sibling->next_sibling = node;
    if (node->parent) {
      ++node->parent->child_count;
    } else {
      ++count_;
    }
  }
  // unlink, then free node and all its descendants. prev is node's previous
  // sibling, null when node is the first of its list.
  void remove_after(N* prev, N* node) {
    assert(node && (prev ? prev->next_sibling == node : first_of(node) == node));
    unlink(node, prev);
    free_chain(node);
  }

 protected:
  // Forgets every node without freeing (ownership moved elsewhere, or the
  // nodes live in a derived tree's own storage).
  void release() {
    root_ = nullptr;
    count_ = 0;
    last_child_ = nullptr;
    last_top_ = nullptr;
  }

 private:
  // Takes node (with its subtree) out of its sibling list, prev being its
  // previous sibling or null; its parent and sibling links become null.
  void unlink(N* node, N* prev) {
    // A hint inside the unlinked subtree may be freed by its new owner.
    if (in_subtree(last_child_, node)) last_child_ = nullptr;
    if (in_subtree(last_top_, node)) last_top_ = nullptr;
    if (prev) {
      prev->next_sibling = node->next_sibling;
    } else if (node->parent) {
      node->parent->first_child = node->next_sibling;
    } else if (root_ == node) {
      root_ = node->next_sibling;
    }
    if (node->next_sibling) set_prev(node->next_sibling, prev);
    if (node->parent) {
      --node->parent->child_count;
    } else {
      --count_;
    }
    node->parent = nullptr;
    node->next_sibling = nullptr;
    set_prev(node, nullptr);
  }
  static void set_prev(N* node, N* prev) {
    if constexpr (has_prev_sibling<N>) node->prev_sibling = prev;
  }
  // The first node of node's sibling list.
  N* first_of(const N* node) const {
    return node->parent ? node->parent->first_child : root_;
  }
  bool is_top(const N* n) const { return n->parent == nullptr; }

  // True when n is top or one of its descendants.
  static bool in_subtree(const N* n, const N* top) {
    for (; n; n = n->parent) {
      if (n == top) return true;
    }
    return false;
  }

  // Frees node, its descendants and every sibling after it.
  void free_chain(N* node) {
    last_child_ = nullptr;
    last_top_ = nullptr;
    if constexpr (!Nodes::kFreesNodes) return;
    std::vector<N*> stack;
    if (node) stack.push_back(node);
    while (!stack.empty()) {
      N* n = stack.back();
      stack.pop_back();
      if (n->next_sibling) stack.push_back(n->next_sibling);
      if (n->first_child) stack.push_back(n->first_child);
      delete n;
    }
  }

  N* root_ = nullptr;
  int32_t count_ = 0;
  // Hints that make repeated appends O(1); validated before use.
  N* last_child_ = nullptr;
  N* last_top_ = nullptr;
};

#endif  // DIRGEN_VALUE_LINKED_TREE_H_
