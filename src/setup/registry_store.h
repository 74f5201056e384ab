// The file-backed registry: named values under key paths, below two roots
// (machine-wide and current user). A key is a folder; its values live in one
// file ".values" inside it, replaced atomically on every save. Key names and
// value names compare without regard to ASCII case; the case first written is
// kept. Used by the registry functions (registry.h) and by tests that need
// value types the variant mapping never writes.
#ifndef DIRGEN_SETUP_REGISTRY_STORE_H_
#define DIRGEN_SETUP_REGISTRY_STORE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class registry_root { machine, current_user };

// Value types, numbered as on the platform the data layout comes from.
enum registry_type : uint32_t {
  reg_none = 0,
  reg_sz = 1,         // text plus a terminating NUL
  reg_expand_sz = 2,  // as reg_sz
  reg_binary = 3,     // raw bytes
  reg_dword = 4,      // 4 bytes, little-endian
  reg_multi_sz = 7,   // NUL-terminated texts, then one more NUL
};

struct registry_value {
  std::string name;
  uint32_t type = reg_none;
  std::string data;
};

// The root folder: $DIRGEN_REGISTRY_MACHINE or /var/lib/dirgen/registry for
// the machine root; $DIRGEN_REGISTRY_USER or
// $XDG_CONFIG_HOME/dirgen/registry (~/.config/dirgen/registry) for the user.
std::string registry_root_folder(registry_root root);

// Splits a key path at "/" and "\" (neither can be part of a key name),
// dropping empty pieces. Returns false for a "." or ".." piece.
bool split_key_path(std::string_view path, std::vector<std::string>* names);

class registry_key {
 public:
  // Opens an existing key and loads its values. Returns false when the root
  // or any key on the path is missing, or the values file is unreadable or
  // damaged; *key is then unchanged.
  static bool open(registry_root root, std::string_view path,
                   registry_key* key);
  // Opens the key, creating it (and every missing key above it, and the
  // root folder) first. Returns false, with a reason in *err, when that
  // fails.
  static bool create(registry_root root, std::string_view path,
                     registry_key* key, std::string* err);

  // Deletes the existing key path (not a root) together with its values,
  // provided it has no sub-keys; when only_if_empty is set, also only when
  // it holds no values. Returns true when the key was deleted; false, with
  // nothing changed, when it is missing, not empty as required, or cannot
  // be deleted. The uninstaller removes its keys with this.
  static bool remove(registry_root root, std::string_view path,
                     bool only_if_empty);

  // The names of the existing key's sub-keys, in byte order.
  std::vector<std::string> sub_keys() const;

  // The value whose name matches without regard to case, or null.
  const registry_value* find(std::string_view name) const;
  // Sets or replaces a value in memory; save() writes it.
  void set(std::string_view name, uint32_t type, std::string data);
  // Writes every value atomically. Returns false (the file on disk keeps its
  // old content) with a reason in *err when the write fails.
  bool save(std::string* err) const;

  const std::vector<registry_value>& values() const { return values_; }
  const std::string& folder() const { return folder_; }

 private:
  bool load(std::string* err);

  std::string folder_;
  std::vector<registry_value> values_;
  std::unordered_map<std::string, size_t> index_;  // lower-case name -> slot
};

#endif  // DIRGEN_SETUP_REGISTRY_STORE_H_
