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
  ASSERT_TRUE(create_registry_key(kMachine, kvval("Software/Kovix")));
  kvhash out;
  out.put(kvval("text"), kvval(std::string_view(text)));
  out.put(kvval("empty"), kvval(""));
  out.put(kvval("flag"), kvval(true));
  out.put(kvval("int"), kvval(-5));
  out.put(kvval("max"), kvval(2147483647));
  out.put(kvval("real"), kvval(1.5));
  out.put(kvval("ref"), kvval::of_kind(101, 0));
  ASSERT_TRUE(write_registry(kMachine, kvval("Software/Kovix"), &out));

  kvhash in;
  for (const char* name :
       {"text", "empty", "flag", "int", "max", "real", "ref"})
    in.put(kvval(name), kvval(77));
  ASSERT_TRUE(read_registry(kMachine, kvval("Software/Kovix"), &in));
  EXPECT_EQ(in.find("text")->kind(), KV_TEXT);
  EXPECT_EQ(in.find("text")->view(), text);
  EXPECT_EQ(in.find("empty")->kind(), KV_TEXT);
  EXPECT_EQ(in.find("empty")->view(), "");
  EXPECT_EQ(in.find("flag")->kind(), KV_INT);
  EXPECT_EQ(in.find("flag")->as_int(), 1);
  EXPECT_EQ(in.find("int")->as_int(), -5);
  EXPECT_EQ(in.find("max")->as_int(), 2147483647);
  EXPECT_EQ(in.find("real")->kind(), KV_TEXT);
  EXPECT_EQ(in.find("real")->view(), bytes_of_double(1.5));
  EXPECT_EQ(in.find("ref")->kind(), KV_TEXT);
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

TEST(RegistryValue, StoredTypesReadAsTheirKvvalForms) {
  struct Case {
    uint32_t type;
    std::string data;
    uint16_t kind;
    std::string text;  // for text results
    int number;        // for integer results
  };
  const Case cases[] = {
      {reg_sz, std::string("ab\0", 3), KV_TEXT, "ab", 0},
      {reg_sz, "no terminator", KV_TEXT, "no terminator", 0},
      {reg_expand_sz, std::string("$HOME\0", 6), KV_TEXT, "$HOME", 0},
      {reg_multi_sz, std::string("a\0b\0\0", 5), KV_TEXT,
       std::string("a\0b", 3), 0},
      {reg_binary, std::string("\0\x01\0", 3), KV_TEXT,
       std::string("\0\x01\0", 3), 0},
      {reg_dword, std::string("\x01\x02\0\0", 4), KV_INT, "", 0x201},
      {reg_dword, std::string("\xff\xff\xff\x7f", 4), KV_INT, "", 0x7fffffff},
      {reg_none, "", KV_TEXT, "", 0},
      {11, std::string(8, '\x01'), KV_TEXT, "", 0},  // 64-bit number
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    kvval v = registry_value_of(c.type, c.data);
    EXPECT_EQ(v.kind(), c.kind);
    if (c.kind == KV_TEXT) {
      EXPECT_EQ(v.view(), c.text);
    } else {
      EXPECT_EQ(v.as_int(), c.number);
    }
  }
}

TEST_F(RegistryTest, MissingKeyOrValueKeepsTheDefaults) {
  kvhash in;
  in.put(kvval("inst_dir"), kvval("default"));
  in.put(kvval("count"), kvval(3));
  EXPECT_FALSE(read_registry(kUser, kvval("Software/Nothing"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "default");

  ASSERT_TRUE(create_registry_key(kUser, kvval("Software/Kovix")));
  EXPECT_FALSE(read_registry(kUser, kvval("Software/Kovix/DGN2"), &in));
  EXPECT_TRUE(read_registry(kUser, kvval("Software/Kovix"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "default");

  kvhash out;
  out.put(kvval("count"), kvval(9));
  ASSERT_TRUE(write_registry(kUser, kvval("Software/Kovix"), &out));
  EXPECT_TRUE(read_registry(kUser, kvval("Software/Kovix"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "default");
  EXPECT_EQ(in.find("count")->as_int(), 9);
}

TEST_F(RegistryTest, KeyAndValueNamesIgnoreCase) {
  ASSERT_TRUE(create_registry_key(kMachine, kvval("Software\\Kovix\\DGN2")));
  ASSERT_TRUE(create_registry_key(kMachine, kvval("SOFTWARE/kovix/dgn2")));
  kvhash out;
  out.put(kvval("Inst_Dir"), kvval("/opt/Kovix"));
  ASSERT_TRUE(write_registry(kMachine, kvval("software/KOVIX/Dgn2"), &out));
  kvhash again;
  again.put(kvval("INST_DIR"), kvval("/srv"));
  ASSERT_TRUE(write_registry(kMachine, kvval("Software/Kovix/DGN2"), &again));

  kvhash in;
  in.put(kvval("inst_dir"), kvval(""));
  ASSERT_TRUE(read_registry(kMachine, kvval("SOFTWARE\\KOVIX\\dgn2"), &in));
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
  kvhash out;
  out.put(kvval("x"), kvval(1));
  EXPECT_FALSE(write_registry(kUser, kvval("Software/Kovix"), &out));
  EXPECT_FALSE(std::filesystem::exists(dir_.at("user/Software")));
}

TEST_F(RegistryTest, RootsAreSeparate) {
  ASSERT_TRUE(create_registry_key(kMachine, kvval("Software/Kovix")));
  kvhash out;
  out.put(kvval("inst_dir"), kvval("/opt"));
  ASSERT_TRUE(write_registry(kMachine, kvval("Software/Kovix"), &out));
  kvhash in;
  in.put(kvval("inst_dir"), kvval("none"));
  EXPECT_FALSE(read_registry(kUser, kvval("Software/Kovix"), &in));
  EXPECT_EQ(in.find("inst_dir")->view(), "none");
}

TEST_F(RegistryTest, KeyNamesStayInsideTheRoot) {
  EXPECT_FALSE(create_registry_key(kUser, kvval("Software/../../escape")));
  EXPECT_FALSE(std::filesystem::exists(dir_.at("escape")));
  // Names starting with "." and holding "%" are ordinary key names.
  for (const char* name : {"Classes/.values", "Classes/.htm", "Classes/%2E"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(create_registry_key(kUser, kvval(name)));
    kvhash out;
    out.put(kvval("Content Type"), kvval(name));
    ASSERT_TRUE(write_registry(kUser, kvval(name), &out));
  }
  for (const char* name : {"Classes/.values", "Classes/.htm", "Classes/%2E"}) {
    kvhash in;
    in.put(kvval("Content Type"), kvval(""));
    ASSERT_TRUE(read_registry(kUser, kvval(name), &in));
    EXPECT_EQ(in.find("Content Type")->view(), name);
  }
}

TEST_F(RegistryTest, InterruptedWriteKeepsTheOldValues) {
  ASSERT_TRUE(create_registry_key(kUser, kvval("Software/Kovix")));
  const std::string old_text(20000, 'o');
  kvhash out;
  out.put(kvval("big"), kvval(std::string_view(old_text)));
  ASSERT_TRUE(write_registry(kUser, kvval("Software/Kovix"), &out));

  // Files may grow to 4 KiB only: the new content's write stops part way.
  struct rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct rlimit small = old_limit;
  small.rlim_cur = 4096;
  sighandler_t old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  kvhash update;
  update.put(kvval("big"), kvval(std::string_view(std::string(30000, 'n'))));
  bool written = write_registry(kUser, kvval("Software/Kovix"), &update);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);

  kvhash in;
  in.put(kvval("big"), kvval(""));
  ASSERT_TRUE(read_registry(kUser, kvval("Software/Kovix"), &in));
  EXPECT_EQ(in.find("big")->view(), old_text);
  int files = 0;
  for (auto& entry :
       std::filesystem::directory_iterator(dir_.at("user/Software/Kovix")))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 1) << "the temporary file was left behind";
}

TEST_F(RegistryTest, DamagedValuesFileDoesNotOpen) {
  ASSERT_TRUE(create_registry_key(kUser, kvval("Software")));
  std::string values = dir_.at("user/Software/.values");
  FILE* f = fopen(values.c_str(), "w");
  fputs("dirgen-registry 1\n1 4 100\nname", f);
  fclose(f);
  kvhash in;
  in.put(kvval("name"), kvval("kept"));
  EXPECT_FALSE(read_registry(kUser, kvval("Software"), &in));
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
