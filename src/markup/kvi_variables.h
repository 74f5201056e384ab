// The variables a template reads: named lists, each read through its length
// and its value at an index. The interpreter never changes them; an
// implementation may compute a list, or any of its values, only when a
// template asks for it (the listing build does), or hold them in a table
// (kvhash_variables).
//
// Threading: reading may fill caches inside an implementation, so one set
// of variables is read by one thread at a time.
#ifndef DIRGEN_MARKUP_KVI_VARIABLES_H_
#define DIRGEN_MARKUP_KVI_VARIABLES_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "value/kvarr.h"
#include "value/kvhash.h"
#include "value/kvval.h"

class kvi_list {
 public:
  virtual ~kvi_list() = default;

  virtual int32_t size() const = 0;
  // The value at index: either a value the list holds, or one made in
  // *scratch (owned by the caller, reused between calls) and returned from
  // there. Valid until the next call with the same scratch.
  // REQUIRES: 0 <= index < size().
  virtual const kvval& at(int32_t index, kvval* scratch) const = 0;
};

class kvi_variables {
 public:
  virtual ~kvi_variables() = default;

  // The list called name (names are case-sensitive), or null. The list
  // lives as long as the variables.
  virtual const kvi_list* find(std::string_view name) const = 0;
};

// Variables held in a kvhash_array, which is borrowed (null: no variables)
// and must outlive this object and not change while it is read.
class kvhash_variables : public kvi_variables {
 public:
  explicit kvhash_variables(const kvhash_array* table);
  ~kvhash_variables() override;

  const kvi_list* find(std::string_view name) const override;

 private:
  class list_view;
  const kvhash_array* table_;
  // One view per list asked for, made on its first lookup.
  mutable std::map<const kvarr*, std::unique_ptr<list_view>> views_;
};

#endif  // DIRGEN_MARKUP_KVI_VARIABLES_H_
