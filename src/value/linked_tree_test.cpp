#include "value/linked_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The forward links every tree node has, and a one-letter name.
template <typename Self>
struct named_links {
  explicit named_links(char n) : name(n) {}
  char name;
  Self* parent = nullptr;
  Self* next_sibling = nullptr;
  Self* first_child = nullptr;
  int32_t child_count = 0;
};

struct node : named_links<node> {
  using named_links::named_links;
  node* prev_sibling = nullptr;
};

using tree = linked_tree<node>;

// Names of the nodes in pre-order.
std::string preorder(const tree& t) {
  std::string s;
  for (node* n = t.root(); n; n = tree::next_preorder(n)) s += n->name;
  return s;
}

// Builds:  a(b(c, d), e), f
struct sample {
  sample() {
    t.append_top(a);
    t.append_child(b, a);
    t.append_child(c, b);
    t.append_child(d, b);
    t.append_child(e, a);
    t.append_top(f);
  }
  tree t;
  node* a = new node('a');
  node* b = new node('b');
  node* c = new node('c');
  node* d = new node('d');
  node* e = new node('e');
  node* f = new node('f');
};

TEST(LinkedTreeWalk, PreorderAndSkippingSubtrees) {
  sample s;
  EXPECT_EQ(preorder(s.t), "abcdef");
  EXPECT_EQ(tree::next_after_subtree(s.b), s.e);
  EXPECT_EQ(tree::next_after_subtree(s.d), s.e);  // climbs to b's sibling
  EXPECT_EQ(tree::next_after_subtree(s.e), s.f);
  EXPECT_EQ(tree::next_after_subtree(s.f), nullptr);
  EXPECT_EQ(s.t.count(), 2);
  EXPECT_EQ(s.a->child_count, 2);
  EXPECT_EQ(s.b->child_count, 2);
}

TEST(LinkedTreeLink, InsertAfterKeepsLinksAndCounts) {
  sample s;
  node* y = new node('y');
  s.t.insert_after(y, s.c);
  EXPECT_EQ(s.b->child_count, 3);
  EXPECT_EQ(y->prev_sibling, s.c);
  EXPECT_EQ(s.d->prev_sibling, y);
  node* w = new node('w');
  s.t.insert_after(w, s.f);
  EXPECT_EQ(s.t.count(), 3);
  EXPECT_EQ(preorder(s.t), "abcydefw");
  node* v = new node('v');
  s.t.append_top(v);
  EXPECT_EQ(preorder(s.t), "abcydefwv");
}

TEST(LinkedTreeLink, AdoptedChildrenFollowTheOldOnes) {
  sample s;
  tree level;
  node* x = new node('x');
  node* y = new node('y');
  level.append_top(x);
  level.append_child(new node('z'), x);
  level.append_top(y);
  s.t.adopt_children(s.b, level);
  EXPECT_EQ(level.root(), nullptr);
  EXPECT_EQ(level.count(), 0);
  EXPECT_EQ(preorder(s.t), "abcdxzyef");
  EXPECT_EQ(s.b->child_count, 4);
  EXPECT_EQ(x->parent, s.b);
  EXPECT_EQ(x->prev_sibling, s.d);
  EXPECT_EQ(y->parent, s.b);
  tree more;
  more.append_top(new node('m'));
  s.t.adopt_children(s.f, more);  // a node without children
  EXPECT_EQ(preorder(s.t), "abcdxzyefm");
  EXPECT_EQ(s.f->child_count, 1);
}

TEST(LinkedTreeLink, ReorderedListsKeepLinksAndAppendsStayRight) {
  sample s;
  s.t.reorder_children(s.b, {s.d, s.c});
  s.t.reorder_children(nullptr, {s.f, s.a});
  EXPECT_EQ(preorder(s.t), "fabdce");
  EXPECT_EQ(s.t.root(), s.f);
  EXPECT_EQ(s.c->next_sibling, nullptr);
  EXPECT_EQ(s.c->prev_sibling, s.d);
  EXPECT_EQ(s.a->next_sibling, nullptr);
  // The append hints pointed at d and f, now in the middle of their lists.
  s.t.append_child(new node('g'), s.b);
  s.t.append_top(new node('h'));
  EXPECT_EQ(preorder(s.t), "fabdcgeh");
}

TEST(LinkedTreeRemove, MiddleFirstAndRootSubtrees) {
  sample s;
  s.t.remove_after(nullptr, s.c);  // first child
  EXPECT_EQ(s.b->first_child, s.d);
  EXPECT_EQ(s.d->prev_sibling, nullptr);
  EXPECT_EQ(s.b->child_count, 1);
  s.t.remove_after(nullptr, s.b);  // first subtree with a child
  EXPECT_EQ(s.a->first_child, s.e);
  EXPECT_EQ(s.a->child_count, 1);
  EXPECT_EQ(preorder(s.t), "aef");
  s.t.remove_after(nullptr, s.a);  // the root
  EXPECT_EQ(s.t.root(), s.f);
  EXPECT_EQ(s.f->prev_sibling, nullptr);
  EXPECT_EQ(s.t.count(), 1);
  EXPECT_EQ(preorder(s.t), "f");
}

TEST(LinkedTreeRemove, AppendingAfterRemovingTheLastChildStaysLinked) {
  sample s;
  s.t.remove_after(s.c, s.d);  // the append hint pointed here
  node* g = new node('g');
  s.t.append_child(g, s.b);
  EXPECT_EQ(preorder(s.t), "abcgef");
  s.t.remove_after(s.a, s.f);
  node* h = new node('h');
  s.t.append_top(h);
  EXPECT_EQ(preorder(s.t), "abcgeh");
}

// A node without backward links, as the file tree's.
struct forward_node : named_links<forward_node> {
  using named_links::named_links;
};
static_assert(!has_prev_sibling<forward_node>);
static_assert(has_prev_sibling<node>);

TEST(LinkedTreeRemove, ForwardOnlyNodesByTheirPreviousSibling) {
  using forward_tree = linked_tree<forward_node>;
  forward_tree t;
  auto names = [&t] {
    std::string s;
    for (forward_node* n = t.root(); n; n = forward_tree::next_preorder(n)) {
      s += n->name;
    }
    return s;
  };
  forward_node* a = new forward_node('a');
  forward_node* f = new forward_node('f');
  t.append_top(a);
  forward_node* b = new forward_node('b');
  forward_node* c = new forward_node('c');
  forward_node* d = new forward_node('d');
  t.append_child(b, a);
  t.append_child(c, a);
  t.append_child(d, a);
  t.insert_after(new forward_node('x'), d);
  t.append_top(f);
  EXPECT_EQ(names(), "abcdxf");
  t.remove_after(b, c);  // middle
  EXPECT_EQ(b->next_sibling, d);
  t.remove_after(nullptr, b);  // first
  EXPECT_EQ(a->first_child, d);
  t.remove_after(d, d->next_sibling);  // last, which the append hint named
  EXPECT_EQ(a->child_count, 1);
  t.append_child(new forward_node('g'), a);
  EXPECT_EQ(names(), "adgf");
  t.remove_after(nullptr, a);  // the first top-level node, with children
  EXPECT_EQ(t.root(), f);
  EXPECT_EQ(t.count(), 1);
  t.append_top(new forward_node('h'));
  EXPECT_EQ(names(), "fh");
}

TEST(LinkedTreeClear, DeepChainsFreeWithoutRecursion) {
  tree t;
  node* parent = new node('r');
  t.append_top(parent);
  for (int i = 0; i < 200000; ++i) {
    node* child = new node('n');
    t.append_child(child, parent);
    parent = child;
  }
  t.clear();
  EXPECT_EQ(t.root(), nullptr);
  EXPECT_EQ(t.count(), 0);
  t.append_top(new node('q'));
  EXPECT_EQ(preorder(t), "q");
}

}  // namespace
