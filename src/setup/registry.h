// Reading and writing named values under one registry key, and creating
// keys. The installer records its folder and uninstall entry with these; the
// values travel in a name_table of names and values.
//
// Kinds are kept as follows (write / read back):
//   text     -> string value (text + NUL)  -> the same text
//   flag     -> 32-bit number 0 or 1       -> integer
//   integer  -> 32-bit number              -> integer
//   real     -> binary, the double's bytes -> text holding those 8 bytes
//   other    -> value of no type, no data  -> empty text
// Stored string, expandable string and binary values read as text (less the
// string's terminating NUL); a multi-string reads as text less its final two
// NULs; any other stored type reads as empty text.
#ifndef DIRGEN_SETUP_REGISTRY_H_
#define DIRGEN_SETUP_REGISTRY_H_

#include <cstdint>
#include <string>

#include "setup/registry_store.h"
#include "value/name_table.h"
#include "value/variant.h"

// Opens the existing key sub_key (text; "/" or "\" separate key names) under
// root. Returns false when it does not exist; *values is then untouched.
// Otherwise every entry of *values whose name exists in the key (any case)
// is replaced by the stored value, converted as above; the others keep their
// defaults; returns true.
bool read_registry(registry_root root, const variant& sub_key,
                   name_table* values);

// Writes every entry of *values (converted as above) into the existing key
// sub_key, which is not created here. Returns true when the key exists and
// the values were saved; false when the key is missing or the save failed
// (the key then keeps all its old values).
bool write_registry(registry_root root, const variant& sub_key,
                    name_table* values);

// Creates sub_key (and missing keys above it) under root unless it exists.
// Returns true when the key exists afterwards.
bool create_registry_key(registry_root root, const variant& sub_key);

// The stored form of a value and the value a stored form reads back as.
void registry_data_of(const variant& value, uint32_t* type, std::string* data);
variant registry_value_of(uint32_t type, const std::string& data);

#endif  // DIRGEN_SETUP_REGISTRY_H_
