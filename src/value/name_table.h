// name_table (name -> value), list_table (name -> list) and loaded_table (a
// list_table with a message), the name tables of the system.
//
// Keys are the text form of the key value and compare byte by byte as
// unsigned bytes (upper case before lower case, a prefix before longer keys).
// Iteration is one pass in ascending key order; inserting a new key ends an
// iteration in progress, replacing an existing key's content does not.
#ifndef DIRGEN_VALUE_NAME_TABLE_H_
#define DIRGEN_VALUE_NAME_TABLE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "value/value_list.h"
#include "value/variant.h"

class name_table {
 public:
  name_table() = default;
  // Copies the entries; the copy has no iteration in progress.
  name_table(const name_table& other);
  name_table& operator=(const name_table& other);
  name_table(name_table&&) = default;
  name_table& operator=(name_table&&) = default;

  // Inserts or replaces the value under key's text form.
  void put(const variant& key, const variant& value);
  // True and a copy of the value when present; else false and *dst := 0.
  bool get(const variant& key, variant* dst) const;
  // The stored value, or null. Does not copy.
  const variant* find(std::string_view key) const;
  // Fills the iteration queue with every entry in ascending key order.
  void begin_iteration();
  // False when the queue is empty (both destinations become the integer 0);
  // otherwise the next key (text) and a copy of its value.
  bool next(variant* key, variant* value);
  int32_t size() const { return static_cast<int32_t>(entries_.size()); }
  void clear();

 private:
  std::map<std::string, variant, std::less<>> entries_;
  std::vector<std::map<std::string, variant, std::less<>>::iterator> queue_;
  size_t queue_pos_ = 0;
};

class list_table {
 public:
  list_table() = default;
  list_table(const list_table&) = delete;
  list_table& operator=(const list_table&) = delete;
  list_table(list_table&&) = default;
  list_table& operator=(list_table&&) = default;

  // Appends a copy of value to key's list, creating the list on first use.
  void add(const variant& key, const variant& value);
  // key's list becomes exactly [value].
  void put(const variant& key, const variant& value);
  // The list under key (still owned by the table) or null.
  value_list* list(std::string_view key) const;
  // Key has a non-empty list: *dst := its first value, true.
  // Otherwise *dst := the empty text, false.
  bool first(const variant& key, variant* dst) const;
  // Takes ownership of list; replaces (destroys) an existing one.
  void insert_list(const variant& key, std::unique_ptr<value_list> list);
  void begin_iteration();
  // False at the end (*key := integer 0, *list := null).
  bool next(variant* key, value_list** list);
  int32_t size() const { return static_cast<int32_t>(entries_.size()); }
  void clear();

 private:
  using Map = std::map<std::string, std::unique_ptr<value_list>, std::less<>>;
  value_list* find_or_create(std::string_view key);

  Map entries_;
  std::vector<Map::iterator> queue_;
  size_t queue_pos_ = 0;
};

// A name-to-list table plus the message a failed load writes its report to.
struct loaded_table {
  list_table table;
  variant message;
};

#endif  // DIRGEN_VALUE_NAME_TABLE_H_
