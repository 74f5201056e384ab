// settings_keys: the keys of the settings record, each with the values it
// takes. The one table of keys: the settings record walks it to load and
// save its fields, the command-line mode and the main window check against
// it what a settings file or a command line gives.
//
// Threading: the table is constant; every function may be called from any
// thread.
#ifndef DIRGEN_PROJECT_SETTINGS_KEYS_H_
#define DIRGEN_PROJECT_SETTINGS_KEYS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "project/settings_record.h"
#include "value/variant.h"

enum class setting_type {
  text,    // any text (patterns are checked when they are compiled)
  number,  // a whole decimal number from least to most
};

struct setting_key {
  const char* name;  // the field's name and the settings file key
  variant settings_record::*field;
  setting_type type;
  int64_t least;         // for a number: the smallest value taken
  int64_t most;          // and the largest
  const char* accepted;  // what the key takes, in the user's words
};

// The key of the i-th field of the record, in declaration order.
// REQUIRES: 0 <= i < kSettingsFieldCount.
const setting_key& settings_key_at(int i);

// The key called name (compared byte for byte), or null.
const setting_key* find_setting_key(std::string_view name);

// The nearest key to an unknown name, for a "did you mean" hint; empty when
// none is close.
std::string nearest_setting_key(std::string_view name);

// True when value is one the key takes. A number is decimal digits with an
// optional "-", blanks around it allowed. False with *err naming the key and
// the value and saying what is wrong and what the key takes:
//   Unknown key "sav"; did you mean "save"?
//   Bad value "1Kb" for size_units: it has "Kb" after the number;
//   size_units takes 0 (bytes), 1 (Kb), ...
// where, when given (" in site.txt line 2"), follows the key's name.
bool check_setting(const std::string& key, const std::string& value,
                   std::string* err, std::string_view where = {});

// check_setting for every field of settings (its text form); false with
// *err for the first field, in declaration order, that fails.
bool check_settings_record(const settings_record& settings, std::string* err);

#endif  // DIRGEN_PROJECT_SETTINGS_KEYS_H_
