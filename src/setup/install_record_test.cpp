#include "setup/install_record.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "setup/catalogue_merge.h"
#include "setup/registry.h"
#include "setup/setup_test_util.h"
#include "setup/sha256.h"

namespace {

TEST(Sha256, MatchesTheStandardVectorsAcrossBlockBoundaries) {
  EXPECT_EQ(sha256_hex(""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256_hex("abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the first block.
  EXPECT_EQ(
      sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
      "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(sha256_hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  scratch_folder dir;
  dir.write("abc", "abc");
  std::string hex, err;
  ASSERT_TRUE(file_sha256(dir.at("abc"), &hex, &err));
  EXPECT_EQ(hex, sha256_hex("abc"));
  EXPECT_FALSE(file_sha256(dir.at("none"), &hex, &err));
  EXPECT_NE(err.find(dir.at("none") + ": "), std::string::npos) << err;
}

TEST(InstallRecord, FileListsRoundTripInTheSha256sumForm) {
  std::string sum(64, 'a');
  std::vector<installed_file> files = {
      {"/opt/Kovix/DGN2/kdgn20", sum},
      {"/home/a b/odd\\name\nwith newline", std::string(64, 'b')}};
  std::string text = files_text(files);
  EXPECT_EQ(text, sum + "  /opt/Kovix/DGN2/kdgn20\n\\" + std::string(64, 'b') +
                      "  /home/a b/odd\\\\name\\nwith newline\n");
  std::vector<installed_file> back;
  ASSERT_TRUE(parse_files_text(text, &back));
  EXPECT_EQ(back, files);
  EXPECT_FALSE(parse_files_text("short  /x\n", &back));
}

TEST(InstallRecord, EachFolderHasItsOwnRecordAndTheLatestIsNamed) {
  isolated_desktop desktop;
  install_record a, b;
  a.inst_dir = "/a/DGN2/";
  a.files = {{"/a/DGN2/kdgn20", std::string(64, '1')}};
  a.created_folders = {"/a", "/a/DGN2"};
  b.inst_dir = "/b/DGN2/";
  ASSERT_TRUE(save_record(a, nullptr));
  ASSERT_TRUE(save_record(b, nullptr));
  install_record loaded;
  ASSERT_TRUE(load_record(registry_root::machine, "/a/DGN2/", &loaded));
  EXPECT_EQ(loaded.files, a.files);
  EXPECT_EQ(loaded.created_folders, a.created_folders);
  EXPECT_EQ(all_records(registry_root::machine).size(), 2u);
  EXPECT_FALSE(load_record(registry_root::current_user, "/a/DGN2/", &loaded));

  // Removing the latest names the other; removing the last removes the
  // keys it leaves empty, and no other.
  ASSERT_TRUE(delete_record(b));
  EXPECT_EQ(all_records(registry_root::machine).size(), 1u);
  name_table values;
  values.put(variant("inst_dir"), variant(""));
  ASSERT_TRUE(read_registry(registry_root::machine,
                            variant("Software/Kovix/DGN2"), &values));
  variant latest;
  values.get(variant("inst_dir"), &latest);
  EXPECT_EQ(latest.str(), "/a/DGN2/");
  create_registry_key(registry_root::machine, variant("Software/Kovix/Other"));
  ASSERT_TRUE(delete_record(a));
  EXPECT_TRUE(all_records(registry_root::machine).empty());
  EXPECT_FALSE(
      std::filesystem::exists(desktop.machine_root() + "/Software/Kovix/DGN2"));
  EXPECT_TRUE(std::filesystem::exists(desktop.machine_root() +
                                      "/Software/Kovix/Other"));
  EXPECT_FALSE(delete_record(b)) << "already gone";
}

TEST(CatalogueMerge, AddsTheUsersOwnEntriesToTheNewCatalogue) {
  std::string shipped =
      "<!-- header -->\n"
      "<style_name>A</style_name><style_file>a.txt</style_file>\n"
      "<style_name>B</style_name><style_file>b2.txt</style_file>\n";
  std::string users =
      "<!-- old header -->\n"
      "<style_name>A</style_name><style_file>a-edited.txt</style_file>\n"
      "<style_name>Mine</style_name><style_file>m.txt</style_file>\n"
      "<style_name>Also mine</style_name><style_file>n.txt</style_file>";
  EXPECT_EQ(merge_catalogue(shipped, users),
            shipped +
                "<style_name>Mine</style_name><style_file>m.txt</style_file>\n"
                "<style_name>Also mine</style_name><style_file>n.txt"
                "</style_file>");
  EXPECT_EQ(merge_catalogue(shipped, shipped), shipped);
  EXPECT_EQ(merge_catalogue("<style_name>A</style_name>", "<style_name>B"),
            "<style_name>A</style_name>\n<style_name>B");
}

}  // namespace
