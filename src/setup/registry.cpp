#include "setup/registry.h"

#include <cstring>

namespace {

std::string dword_bytes(uint32_t v) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

uint32_t dword_of(const std::string& data) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4 && i < data.size(); ++i) {
    v |= static_cast<uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  return v;
}

std::string without_trailing_nuls(const std::string& data, size_t most) {
  size_t n = data.size();
  while (most > 0 && n > 0 && data[n - 1] == '\0') {
    --n;
    --most;
  }
  return data.substr(0, n);
}

}  // namespace

void registry_data_of(const variant& value, uint32_t* type, std::string* data) {
  switch (value.kind()) {
    case VARIANT_TEXT:
      *type = reg_sz;
      *data = std::string(value.view());
      data->push_back('\0');
      break;
    case VARIANT_FLAG:
      *type = reg_dword;
      *data = dword_bytes(value.as_bool() ? 1u : 0u);
      break;
    case VARIANT_INT:
      *type = reg_dword;
      *data = dword_bytes(static_cast<uint32_t>(value.as_int()));
      break;
    case VARIANT_REAL: {
      double r = value.as_real();
      *type = reg_binary;
      data->assign(reinterpret_cast<const char*>(&r), sizeof r);
      break;
    }
    default:
      *type = reg_none;
      data->clear();
  }
}

variant registry_value_of(uint32_t type, const std::string& data) {
  switch (type) {
    case reg_sz:
    case reg_expand_sz:
      return variant(std::string_view(without_trailing_nuls(data, 1)));
    case reg_multi_sz:
      return variant(std::string_view(without_trailing_nuls(data, 2)));
    case reg_binary:
      return variant(std::string_view(data));
    case reg_dword:
      return variant(static_cast<int>(dword_of(data)));
    default:
      return variant("");
  }
}

bool read_registry(registry_root root, const variant& sub_key,
                   name_table* values) {
  registry_key key;
  if (!registry_key::open(root, sub_key.view(), &key)) return false;
  variant name, ignored;
  values->begin_iteration();
  while (values->next(&name, &ignored)) {
    const registry_value* stored = key.find(name.view());
    if (stored != nullptr) {
      values->put(name, registry_value_of(stored->type, stored->data));
    }
  }
  return true;
}

bool write_registry(registry_root root, const variant& sub_key,
                    name_table* values) {
  registry_key key;
  if (!registry_key::open(root, sub_key.view(), &key)) return false;
  variant name, value;
  uint32_t type = reg_none;
  std::string data;
  values->begin_iteration();
  while (values->next(&name, &value)) {
    registry_data_of(value, &type, &data);
    key.set(name.view(), type, std::move(data));
  }
  return key.save(nullptr);
}

bool create_registry_key(registry_root root, const variant& sub_key) {
  registry_key key;
  return registry_key::create(root, sub_key.view(), &key, nullptr);
}
