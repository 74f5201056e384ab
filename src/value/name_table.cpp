#include "value/name_table.h"

#include <utility>

// ---- name_table ----

name_table::name_table(const name_table& other) : entries_(other.entries_) {}

name_table& name_table::operator=(const name_table& other) {
  if (&other == this) return *this;
  entries_ = other.entries_;
  queue_.clear();
  queue_pos_ = 0;
  return *this;
}

void name_table::put(const variant& key, const variant& value) {
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

bool name_table::get(const variant& key, variant* dst) const {
  const variant* v = find(key.view());
  if (!v) {
    *dst = variant();
    return false;
  }
  dst->assign(*v);
  return true;
}

const variant* name_table::find(std::string_view key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

void name_table::begin_iteration() {
  queue_.clear();
  queue_pos_ = 0;
  queue_.reserve(entries_.size());
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    queue_.push_back(it);
  }
}

bool name_table::next(variant* key, variant* value) {
  if (queue_pos_ >= queue_.size()) {
    queue_.clear();
    queue_pos_ = 0;
    *key = variant();
    *value = variant();
    return false;
  }
  auto it = queue_[queue_pos_++];
  *key = variant(std::string_view(it->first));
  value->assign(it->second);
  return true;
}

void name_table::clear() {
  entries_.clear();
  queue_.clear();
  queue_pos_ = 0;
}

// ---- list_table ----

value_list* list_table::find_or_create(std::string_view key) {
  auto it = entries_.find(key);
  if (it != entries_.end()) return it->second.get();
  auto res = entries_.emplace(std::string(key), std::make_unique<value_list>());
  queue_.clear();  // a new key ends an iteration in progress
  queue_pos_ = 0;
  return res.first->second.get();
}

void list_table::add(const variant& key, const variant& value) {
  find_or_create(key.view())->push(value);
}

void list_table::put(const variant& key, const variant& value) {
  value_list* list = find_or_create(key.view());
  list->clear();
  list->push(value);
}

value_list* list_table::list(std::string_view key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second.get();
}

bool list_table::first(const variant& key, variant* dst) const {
  value_list* l = list(key.view());
  if (!l || l->empty()) {
    *dst = variant("");
    return false;
  }
  dst->assign((*l)[0]);
  return true;
}

void list_table::insert_list(const variant& key,
                             std::unique_ptr<value_list> list) {
  if (!list) list = std::make_unique<value_list>();  // the table holds no nulls
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

void list_table::begin_iteration() {
  queue_.clear();
  queue_pos_ = 0;
  queue_.reserve(entries_.size());
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    queue_.push_back(it);
  }
}

bool list_table::next(variant* key, value_list** list) {
  if (queue_pos_ >= queue_.size()) {
    queue_.clear();
    queue_pos_ = 0;
    *key = variant();
    *list = nullptr;
    return false;
  }
  auto it = queue_[queue_pos_++];
  *key = variant(std::string_view(it->first));
  *list = it->second.get();
  return true;
}

void list_table::clear() {
  entries_.clear();
  queue_.clear();
  queue_pos_ = 0;
}
