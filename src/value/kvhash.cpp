#include "value/kvhash.h"

#include <utility>

// ---- kvhash ----

kvhash::kvhash(const kvhash& other) : entries_(other.entries_) {}

kvhash& kvhash::operator=(const kvhash& other) {
  if (&other == this) return *this;
  entries_ = other.entries_;
  queue_.clear();
  queue_pos_ = 0;
  return *this;
}

void kvhash::put(const kvval& key, const kvval& value) {
  std::string_view k = key.view();
  auto it = entries_.find(k);
  if (it != entries_.end()) {
    it->second.assign(value);
    return;
  }
  entries_.emplace(std::string(k), value);
  queue_.clear();  // a new key ends an iteration in progress
  queue_pos_ = 0;
}

bool kvhash::get(const kvval& key, kvval* dst) const {
  const kvval* v = find(key.view());
  if (!v) {
    *dst = kvval();
    return false;
  }
  dst->assign(*v);
  return true;
}

const kvval* kvhash::find(std::string_view key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

void kvhash::begin_iteration() {
  queue_.clear();
  queue_pos_ = 0;
  queue_.reserve(entries_.size());
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    queue_.push_back(it);
  }
}

bool kvhash::next(kvval* key, kvval* value) {
  if (queue_pos_ >= queue_.size()) {
    queue_.clear();
    queue_pos_ = 0;
    *key = kvval();
    *value = kvval();
    return false;
  }
  auto it = queue_[queue_pos_++];
  *key = kvval(std::string_view(it->first));
  value->assign(it->second);
  return true;
}

void kvhash::clear() {
  entries_.clear();
  queue_.clear();
  queue_pos_ = 0;
}

// ---- kvhash_array ----

kvarr* kvhash_array::find_or_create(std::string_view key) {
  auto it = entries_.find(key);
  if (it != entries_.end()) return it->second.get();
  auto res = entries_.emplace(std::string(key), std::make_unique<kvarr>());
  queue_.clear();  // a new key ends an iteration in progress
  queue_pos_ = 0;
  return res.first->second.get();
}

void kvhash_array::add(const kvval& key, const kvval& value) {
  find_or_create(key.view())->push(value);
}

void kvhash_array::put(const kvval& key, const kvval& value) {
  kvarr* list = find_or_create(key.view());
  list->clear();
  list->push(value);
}

kvarr* kvhash_array::list(std::string_view key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second.get();
}

bool kvhash_array::first(const kvval& key, kvval* dst) const {
  kvarr* l = list(key.view());
  if (!l || l->empty()) {
    *dst = kvval("");
    return false;
  }
  dst->assign((*l)[0]);
  return true;
}

void kvhash_array::insert_list(const kvval& key, std::unique_ptr<kvarr> list) {
  if (!list) list = std::make_unique<kvarr>();  // the table holds no nulls
  std::string_view k = key.view();
  auto it = entries_.find(k);
  if (it != entries_.end()) {
    it->second = std::move(list);
    return;
  }
  entries_.emplace(std::string(k), std::move(list));
  queue_.clear();
  queue_pos_ = 0;
}

void kvhash_array::begin_iteration() {
  queue_.clear();
  queue_pos_ = 0;
  queue_.reserve(entries_.size());
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    queue_.push_back(it);
  }
}

bool kvhash_array::next(kvval* key, kvarr** list) {
  if (queue_pos_ >= queue_.size()) {
    queue_.clear();
    queue_pos_ = 0;
    *key = kvval();
    *list = nullptr;
    return false;
  }
  auto it = queue_[queue_pos_++];
  *key = kvval(std::string_view(it->first));
  *list = it->second.get();
  return true;
}

void kvhash_array::clear() {
  entries_.clear();
  queue_.clear();
  queue_pos_ = 0;
}
