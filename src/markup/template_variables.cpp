#include "markup/template_variables.h"

#include <cassert>
#include <map>
#include <memory>

#include "value/value_list.h"

class table_variables::list_view : public template_list {
 public:
  explicit list_view(const value_list* list) : list_(list) {}

  int32_t size() const override { return list_->size(); }
  const variant& at(int32_t index, variant* /*scratch*/) const override {
    assert(index >= 0 && index < list_->size());
    return (*list_)[index];
  }

 private:
  const value_list* list_;
};

table_variables::table_variables(const list_table* table) : table_(table) {}

table_variables::~table_variables() = default;

const template_list* table_variables::find(std::string_view name) const {
  const value_list* list = table_ ? table_->list(name) : nullptr;
  if (!list) return nullptr;
  std::unique_ptr<list_view>& view = views_[list];
  if (!view) view = std::make_unique<list_view>(list);
  return view.get();
}
