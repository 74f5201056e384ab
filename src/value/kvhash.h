// kvhash (name -> value), kvhash_array (name -> list) and kvcgi (a
// kvhash_array with a message), the name tables of the system.
//
// Keys are the text form of the key value and compare byte by byte as
// unsigned bytes (upper case before lower case, a prefix before longer keys).
// Iteration is one pass in ascending key order; inserting a new key ends an
// iteration in progress, replacing an existing key's content does not.
#ifndef DIRGEN_VALUE_KVHASH_H_
#define DIRGEN_VALUE_KVHASH_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "value/kvarr.h"
#include "value/kvval.h"

class kvhash {
 public:
  kvhash() = default;
  // Copies the entries; the copy has no iteration in progress.
  kvhash(const kvhash& other);
  kvhash& operator=(const kvhash& other);
  kvhash(kvhash&&) = default;
  kvhash& operator=(kvhash&&) = default;

  // Inserts or replaces the value under key's text form.
  void put(const kvval& key, const kvval& value);
  // True and a copy of the value when present; else false and *dst := 0.
  bool get(const kvval& key, kvval* dst) const;
  // The stored value, or null. Does not copy.
  const kvval* find(std::string_view key) const;
  // Fills the iteration queue with every entry in ascending key order.
  void begin_iteration();
  // False when the queue is empty (both destinations become the integer 0);
  // otherwise the next key (text) and a copy of its value.
  bool next(kvval* key, kvval* value);
  int32_t size() const { return static_cast<int32_t>(entries_.size()); }
  void clear();

 private:
  std::map<std::string, kvval, std::less<>> entries_;
  std::vector<std::map<std::string, kvval, std::less<>>::iterator> queue_;
  size_t queue_pos_ = 0;
};

class kvhash_array {
 public:
  kvhash_array() = default;
  kvhash_array(const kvhash_array&) = delete;
  kvhash_array& operator=(const kvhash_array&) = delete;
  kvhash_array(kvhash_array&&) = default;
  kvhash_array& operator=(kvhash_array&&) = default;

  // Appends a copy of value to key's list, creating the list on first use.
  void add(const kvval& key, const kvval& value);
  // key's list becomes exactly [value].
  void put(const kvval& key, const kvval& value);
  // The list under key (still owned by the table) or null.
  kvarr* list(std::string_view key) const;
  // Key has a non-empty list: *dst := its first value, true.
  // Otherwise *dst := the empty text, false.
  bool first(const kvval& key, kvval* dst) const;
  // Takes ownership of list; replaces (destroys) an existing one.
  void insert_list(const kvval& key, std::unique_ptr<kvarr> list);
  void begin_iteration();
  // False at the end (*key := integer 0, *list := null).
  bool next(kvval* key, kvarr** list);
  int32_t size() const { return static_cast<int32_t>(entries_.size()); }
  void clear();

 private:
  using Map = std::map<std::string, std::unique_ptr<kvarr>, std::less<>>;
  kvarr* find_or_create(std::string_view key);

  Map entries_;
  std::vector<Map::iterator> queue_;
  size_t queue_pos_ = 0;
};

// A name-to-list table plus the message a failed load writes its report to.
struct kvcgi {
  kvhash_array table;
  kvval message;
};

#endif  // DIRGEN_VALUE_KVHASH_H_
