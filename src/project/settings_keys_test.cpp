#include "project/settings_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ValueCase {
  const char* key;
  const char* value;
  bool taken;
};

TEST(SettingKeys, EachKeyTakesOnlyItsOwnValues) {
  const ValueCase cases[] = {
      {"subfolders", "1", true},
      {"subfolders", "0", true},
      {"subfolders", " 1\r\n", true},  // blanks around are layout
      {"subfolders", "yes", false},
      {"subfolders", "2", false},
      {"subfolders", "", false},
      {"source", "1", true},
      {"source", "-1", false},
      {"order_files", "4", true},
      {"order_files", "5", false},
      {"order_files", "size", false},
      {"size_units", "4", true},
      {"size_units", "MB", false},
      {"size_units", "1Kb", false},
      {"size_end", "9223372036854775807", true},
      {"size_end", "9223372036854775808", false},
      {"size_start", "-5", false},
      {"size_start", "1.5", false},
      {"time_start", "-6857222400", true},
      {"time_start", "-6857222401", false},
      {"time_end", "253402300799", true},
      {"time_end", "253402300800", false},
      {"time_end", "2026-01-01", false},
      {"mask", "*.(txt", true},  // patterns are checked when compiled
      {"path", "", true},
      {"title", "<any> & text", true},
  };
  for (const ValueCase& c : cases) {
    std::string err;
    EXPECT_EQ(check_setting(c.key, c.value, &err), c.taken)
        << c.key << " = \"" << c.value << "\": " << err;
  }
}

TEST(SettingKeys, RefusalsNameTheKeyTheValueTheReasonAndWhatIsTaken) {
  std::string err;
  EXPECT_FALSE(check_setting("size_units", "1Kb", &err));
  EXPECT_EQ(err,
            "Bad value \"1Kb\" for size_units: it has \"Kb\" after the number; "
            "size_units takes 0 (bytes), 1 (Kb), 2 (Mb), 3 (human, decimal) "
            "or 4 (human, binary).");
  EXPECT_FALSE(check_setting("subfolders", "yes", &err, " in s.txt line 3"));
  EXPECT_EQ(err,
            "Bad value \"yes\" for subfolders in s.txt line 3: it is not a "
            "number; subfolders takes 0 or 1.");
  EXPECT_FALSE(check_setting("size_start", "-5", &err));
  EXPECT_NE(err.find(": it is negative; size_start takes a whole number of "
                     "bytes from 0"),
            std::string::npos)
      << err;
  EXPECT_FALSE(check_setting("order_files", "", &err));
  EXPECT_NE(err.find("it is empty"), std::string::npos) << err;
  EXPECT_FALSE(check_setting("size_end", "2.5", &err));
  EXPECT_NE(err.find("it is not a whole number"), std::string::npos) << err;
}

TEST(SettingKeys, UnknownKeysSuggestTheNearestKnownOne) {
  std::string err;
  EXPECT_FALSE(check_setting("sav", "files.html", &err, " in site.txt line 2"));
  EXPECT_EQ(err,
            "Unknown key \"sav\" in site.txt line 2; did you mean "
            "\"save\"?");
  EXPECT_FALSE(check_setting("subfolder_in_one_file", "1", &err));
  EXPECT_EQ(err,
            "Unknown key \"subfolder_in_one_file\"; did you mean "
            "\"subfolders_in_one_file\"?");
  EXPECT_FALSE(check_setting("colour", "red", &err));
  EXPECT_EQ(err, "Unknown key \"colour\".");
}

TEST(SettingKeys, TheTableMatchesTheRecordAndItsDefaultsPass) {
  settings_record defaults;
  for (int i = 0; i < kSettingsFieldCount; ++i) {
    const setting_key& k = settings_key_at(i);
    EXPECT_EQ(find_setting_key(k.name), &k);
    EXPECT_EQ(settings_field(&defaults, k.name), &(defaults.*k.field));
  }
  std::string err;
  EXPECT_TRUE(check_settings_record(defaults, &err)) << err;
  defaults.order_files = variant(7);
  EXPECT_FALSE(check_settings_record(defaults, &err));
  EXPECT_EQ(err.rfind("Bad value \"7\" for order_files:", 0), 0u) << err;
}

}  // namespace
