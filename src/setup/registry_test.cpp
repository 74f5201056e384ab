#include "setup/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>

#include "support/scratch_folder.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest()
      : machine_("DIRGEN_REGISTRY_MACHINE", dir_.at("machine").c_str()),
        user_("DIRGEN_REGISTRY_USER", dir_.at("user").c_str()) {}

  scratch_folder dir_;
  scoped_env machine_;
  scoped_env user_;
};

const registry_root kMachine = registry_root::machine;
const registry_root kUser = registry_root::current_user;

std::string bytes_of_double(double d) {
  return std::string(reinterpret_cast<const char*>(&d), sizeof d);
}

TEST_F(RegistryTest, EveryKindIsStoredAndReadBackAsItsTableSays) {
  const std::string text("a\0b\xff\r\n c", 9);
  ASSERT_TRUE(create_registry_key(kMachine, variant("Software/Kovix")));
  name_table out;
  out.put(variant("text"), variant(std::string_view(text)));
  out.put(variant("empty"), variant(""));
  out.put(variant("flag"), variant(true));
  out.put(variant("int"), variant(-5));
  out.put(variant("max"), variant(2147483647));
  out.put(variant("real"), variant(1.5));
  out.put(variant("ref"), variant::of_kind(101, 0));
  ASSERT_TRUE(write_registry(kMachine, variant("Software/Kovix"), &out));

  name_table in;
  for (const char* name :
       {"text", "empty", "flag", "int", "max", "real", "ref"})
    in.put(variant(name), variant(77));
  ASSERT_TRUE(read_registry(kMachine, variant("Software/Kovix"), &in));
  EXPECT_EQ(in.find("text")->kind(), VARIANT_TEXT);
  EXPECT_EQ(in.find("text")->view(), text);
  EXPECT_EQ(in.find("empty")->kind(), VARIANT_TEXT);
  EXPECT_EQ(in.find("empty")->view(), "");
  EXPECT_EQ(in.find("flag")->kind(), VARIANT_INT);
  EXPECT_EQ(in.find("flag")->as_int(), 1);
  EXPECT_EQ(in.find("int")->as_int(), -5);
  EXPECT_EQ(in.find("max")->as_int(), 2147483647);
  EXPECT_EQ(in.find("real")->kind(), VARIANT_TEXT);
  EXPECT_EQ(in.find("real")->view(), bytes_of_double(1.5));
  EXPECT_EQ(in.find("ref")->kind(), VARIANT_TEXT);
  EXPECT_EQ(in.find("ref")->view(), "");

  // The stored forms: strings keep their NUL, numbers are 4 bytes.
  registry_key key;
  ASSERT_TRUE(registry_key::open(kMachine, "Software/Kovix", &key));
  EXPECT_EQ(key.find("text")->type, reg_sz);
  EXPECT_EQ(key.find("text")->data, text + std::string(1, '\0'));
  EXPECT_EQ(key.find("int")->type, reg_dword);
  EXPECT_EQ(key.find("int")->data, std::string("\xfb\xff\xff\xff", 4));
  EXPECT_EQ(key.find("real")->type, reg_binary);
  EXPECT_EQ(key.find("ref")->type, reg_none);
}

TEST(RegistryValue, StoredTypesReadAsTheirVariantForms) {
  struct Case {
    uint32_t type;
    std::string data;
    uint16_t kind;
    std::string text;  // for text results
    int number;        // for integer results
  };
  const Case cases[] = {
      {reg_sz, std::string("ab\0", 3), VARIANT_TEXT, "ab", 0},
      {reg_sz, "no terminator", VARIANT_TEXT, "no terminator", 0},
      {reg_expand_sz, std::string("$HOME\0", 6), VARIANT_TEXT, "$HOME", 0},
      {reg_multi_sz, std::string("a\0b\0\0", 5), VARIANT_TEXT,
       std::string("a\0b", 3), 0},
      {reg_binary, std::string("\0\x01\0", 3), VARIANT_TEXT,
       std::string("\0\x01\0", 3), 0},
      {reg_dword, std::string("\x01\x02\0\0", 4), VARIANT_INT, "", 0x201},
      {reg_dword, std::string("\xff\xff\xff\x7f", 4), VARIANT_INT, "",
       0x7fffffff},
      {reg_none, "", VARIANT_TEXT, "", 0},
      {11, std::string(8, '\x01'), VARIANT_TEXT, "", 0},  // 64-bit number
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    variant v = registry_value_of(c.type, c.data);
    EXPECT_EQ(v.kind(), c.kind);
    if (c.kind == VARIANT_TEXT) {
      EXPECT_EQ(v.view(), c.text);
    } else {
      EXPECT_EQ(v.as_int(), c.number);
    }
  }
}

TEST_F(RegistryTest, MissingKeyOrValueKeepsTheDefaults) {
  name_table in;
  in.put(variant("inst_dir"), variant("default"));
  in.put(variant("count"), variant(3));
  EXPECT_FALSE(read_registry(kUser, variant("Software/Nothing"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "default");

  ASSERT_TRUE(create_registry_key(kUser, variant("Software/Kovix")));
  EXPECT_FALSE(read_registry(kUser, variant("Software/Kovix/DGN2"), &in));
  EXPECT_TRUE(read_registry(kUser, variant("Software/Kovix"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "default");

  name_table out;
  out.put(variant("count"), variant(9));
  ASSERT_TRUE(write_registry(kUser, variant("Software/Kovix"), &out));
  EXPECT_TRUE(read_registry(kUser, variant("Software/Kovix"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "default");
  EXPECT_EQ(in.find("count")->as_int(), 9);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCase) {
  ASSERT_TRUE(create_registry_key(kMachine, variant("Software\\Kovix\\DGN2")));
  ASSERT_TRUE(create_registry_key(kMachine, variant("SOFTWARE/kovix/dgn2")));
  name_table out;
  out.put(variant("Inst_Dir"), variant("/opt/Kovix"));
  ASSERT_TRUE(write_registry(kMachine, variant("software/KOVIX/Dgn2"), &out));
  name_table again;
  again.put(variant("INST_DIR"), variant("/srv"));
  ASSERT_TRUE(write_registry(kMachine, variant("Software/Kovix/DGN2"), &again));

  name_table in;
  in.put(variant("inst_dir"), variant(""));
  ASSERT_TRUE(read_registry(kMachine, variant("SOFTWARE\\KOVIX\\dgn2"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "/srv");

  // One folder per key and one value, under the first spelling.
  namespace fs = std::filesystem;
  int keys = 0;
  for (auto& entry : fs::recursive_directory_iterator(dir_.at("machine")))
    keys += entry.is_directory();
  EXPECT_EQ(keys, 3);
  registry_key key;
  ASSERT_TRUE(registry_key::open(kMachine, "software/kovix/dgn2", &key));
  ASSERT_EQ(key.values().size(), 1u);
  EXPECT_EQ(key.values()[0].name, "Inst_Dir");
}

TEST_F(RegistryTest, WriteDoesNotCreateTheKey) {
  name_table out;
  out.put(variant("x"), variant(1));
  EXPECT_FALSE(write_registry(kUser, variant("Software/Kovix"), &out));
  EXPECT_FALSE(std::filesystem::exists(dir_.at("user/Software")));
}

TEST_F(RegistryTest, RootsAreSeparate) {
  ASSERT_TRUE(create_registry_key(kMachine, variant("Software/Kovix")));
  name_table out;
  out.put(variant("inst_dir"), variant("/opt"));
  ASSERT_TRUE(write_registry(kMachine, variant("Software/Kovix"), &out));
  name_table in;
  in.put(variant("inst_dir"), variant("none"));
  EXPECT_FALSE(read_registry(kUser, variant("Software/Kovix"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "none");
}

TEST_F(RegistryTest, KeyNamesStayInsideTheRoot) {
  EXPECT_FALSE(create_registry_key(kUser, variant("Software/../../escape")));
  EXPECT_FALSE(std::filesystem::exists(dir_.at("escape")));
  // Names starting with "." and holding "%" are ordinary key names.
  for (const char* name : {"Classes/.values", "Classes/.htm", "Classes/%2E"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(create_registry_key(kUser, variant(name)));
    name_table out;
    out.put(variant("Content Type"), variant(name));
    ASSERT_TRUE(write_registry(kUser, variant(name), &out));
  }
  for (const char* name : {"Classes/.values", "Classes/.htm", "Classes/%2E"}) {
    name_table in;
    in.put(variant("Content Type"), variant(""));
    ASSERT_TRUE(read_registry(kUser, variant(name), &in));
    EXPECT_EQ(in.find("Content Type")->view(), name);
  }
}

TEST_F(RegistryTest, InterruptedWriteKeepsTheOldValues) {
  ASSERT_TRUE(create_registry_key(kUser, variant("Software/Kovix")));
  const std::string old_text(20000, 'o');
  name_table out;
  out.put(variant("big"), variant(std::string_view(old_text)));
  ASSERT_TRUE(write_registry(kUser, variant("Software/Kovix"), &out));

  // Files may grow to 4 KiB only: the new content's write stops part way.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 4096;
  sighandler_t old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  name_table update;
  update.put(variant("big"),
             variant(std::string_view(std::string(30000, 'n'))));
  bool written = write_registry(kUser, variant("Software/Kovix"), &update);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);

  name_table in;
  in.put(variant("big"), variant(""));
  ASSERT_TRUE(read_registry(kUser, variant("Software/Kovix"), &in));
  EXPECT_EQ(in.find("big")->view(), old_text);
  int files = 0;
  for (auto& entry :
       std::filesystem::directory_iterator(dir_.at("user/Software/Kovix")))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 1) << "the temporary file was left behind";
}

TEST_F(RegistryTest, DamagedValuesFileDoesNotOpen) {
  ASSERT_TRUE(create_registry_key(kUser, variant("Software")));
  std::string values = dir_.at("user/Software/.values");
  FILE* f = fopen(values.c_str(), "w");
  fputs("dirgen-registry 1\n1 4 100\nname", f);
  fclose(f);
  name_table in;
  in.put(variant("name"), variant("kept"));
  EXPECT_FALSE(read_registry(kUser, variant("Software"), &in));
  EXPECT_EQ(in.find("name")->view(), "kept");
}

TEST(RegistryRoot, DefaultsFollowTheDesktopConventions) {
  scoped_env machine("DIRGEN_REGISTRY_MACHINE", nullptr);
  scoped_env user("DIRGEN_REGISTRY_USER", nullptr);
  scoped_env home("HOME", "/home/someone");
  {
    scoped_env config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(registry_root_folder(kUser),
              "/home/someone/.config/dirgen/registry");
  }
  scoped_env config("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(registry_root_folder(kUser), "/cfg/dirgen/registry");
  EXPECT_EQ(registry_root_folder(kMachine), "/var/lib/dirgen/registry");
}

}  // namespace
