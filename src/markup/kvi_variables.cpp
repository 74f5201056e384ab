#include "markup/kvi_variables.h"

#include <cassert>
#include <map>
#include <memory>

#include "value/kvarr.h"

class kvhash_variables::list_view : public kvi_list {
 public:
  explicit list_view(const kvarr* list) : list_(list) {}

  int32_t size() const override { return list_->size(); }
  const kvval& at(int32_t index, kvval* /*scratch*/) const override {
    assert(index >= 0 && index < list_->size());
    return (*list_)[index];
  }

 private:
  const kvarr* list_;
};

kvhash_variables::kvhash_variables(const kvhash_array* table) : table_(table) {}

kvhash_variables::~kvhash_variables() = default;

const kvi_list* kvhash_variables::find(std::string_view name) const {
  const kvarr* list = table_ ? table_->list(name) : nullptr;
  if (!list) return nullptr;
  std::unique_ptr<list_view>& view = views_[list];
  if (!view) view = std::make_unique<list_view>(list);
  return view.get();
}
