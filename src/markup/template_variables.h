// The variables a template reads: named lists, each read through its length
// and its value at an index. The interpreter never changes them; an
// implementation may compute a list, or any of its values, only when a
// template asks for it (the listing build does), or hold them in a table
// (table_variables).
//
// Threading: reading may fill caches inside an implementation, so one set
// of variables is read by one thread at a time.
#ifndef DIRGEN_MARKUP_TEMPLATE_VARIABLES_H_
#define DIRGEN_MARKUP_TEMPLATE_VARIABLES_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string_view>

#include "value/name_table.h"
#include "value/value_list.h"
#include "value/variant.h"

class template_list {
 public:
  virtual ~template_list() = default;

  virtual int32_t size() const = 0;
  // The value at index: either a value the list holds, or one made in
  // *scratch (owned by the caller, reused between calls) and returned from
  // there. Valid until the next call with the same scratch.
  // REQUIRES: 0 <= index < size().
  virtual const variant& at(int32_t index, variant* scratch) const = 0;
};

class template_variables {
 public:
  virtual ~template_variables() = default;

  // The list called name (names are case-sensitive), or null. The list
  // lives as long as the variables.
  virtual const template_list* find(std::string_view name) const = 0;
};

// Variables held in a list_table, which is borrowed (null: no variables)
// and must outlive this object and not change while it is read.
class table_variables : public template_variables {
 public:
  explicit table_variables(const list_table* table);
  ~table_variables() override;

  const template_list* find(std::string_view name) const override;

 private:
  class list_view;
  const list_table* table_;
  // One view per list asked for, made on its first lookup.
  mutable std::map<const value_list*, std::unique_ptr<list_view>> views_;
};

#endif  // DIRGEN_MARKUP_TEMPLATE_VARIABLES_H_
