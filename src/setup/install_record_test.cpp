#include "setup/install_record.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "setup/catalogue_merge.h"
#include "setup/setup_test_util.h"

namespace {

TEST(InstallRecord, TextRoundTripsOddPathsAndRefusesDamage) {
  install_record record;
  record.inst_dir = "/home/a b/back\\slash\nline/DGN2/";
  record.files = {{"/opt/Kovix/DGN2/kdgn20", std::string(64, 'a')},
                  {"/home/a b/odd\\name\nwith newline", std::string(64, 'b')}};
  record.created_folders = {"/home/a b", "/home/a b/back\\slash\nline"};
  record.sequence = 7;
  std::string text = record_text(record);
  EXPECT_EQ(text.substr(0, text.find("\nfile ")),
            "dirgen installation record 1\n"
            "folder /home/a b/back\\\\slash\\nline/DGN2/\n"
            "product Dirgen 2.0\n"
            "remover /home/a b/back\\\\slash\\nline/DGN2/remove\n"
            "sequence 7\n"
            "created /home/a b\n"
            "created /home/a b/back\\\\slash\\nline");
  install_record back;
  back.scope = install_scope::user;
  ASSERT_TRUE(parse_record_text(text + "later-key whatever\n", &back));
  EXPECT_EQ(back.scope, install_scope::user);
  EXPECT_EQ(back.inst_dir, record.inst_dir);
  EXPECT_EQ(back.files, record.files);
  EXPECT_EQ(back.created_folders, record.created_folders);
  EXPECT_EQ(back.sequence, 7u);

  std::string header = "dirgen installation record 1\nfolder /x/\n";
  for (std::string damaged :
       {std::string("dirgen installation record 2\nfolder /x/\n"),
        std::string("folder /x/\n"),
        std::string("dirgen installation record 1\n"),
        header + "file " + std::string(63, 'a') + " /x/f\n",
        header + "file " + std::string(64, 'A') + " /x/f\n",
        header + "sequence 1x\n", header + "no-value\n",
        text.substr(0, text.size() - 40)}) {
    SCOPED_TRACE(damaged);
    install_record kept;
    kept.inst_dir = "kept";
    EXPECT_FALSE(parse_record_text(damaged, &kept));
    EXPECT_EQ(kept.inst_dir, "kept");
  }
}

TEST(InstallRecord, RecordsFoldersFollowTheDesktopConventions) {
  scoped_env machine("DIRGEN_INSTALLATIONS_MACHINE", nullptr);
  scoped_env user("DIRGEN_INSTALLATIONS_USER", nullptr);
  scoped_env home("HOME", "/home/someone");
  {
    scoped_env data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(records_folder(install_scope::user),
              "/home/someone/.local/share/dirgen/installations");
  }
  scoped_env data("XDG_DATA_HOME", "/data");
  EXPECT_EQ(records_folder(install_scope::user), "/data/dirgen/installations");
  EXPECT_EQ(records_folder(install_scope::machine),
            "/var/lib/dirgen/installations");
}

TEST(InstallRecord, EachFolderHasItsOwnRecordAndTheLastSavedIsTheLatest) {
  isolated_desktop desktop;
  install_record a, b, latest;
  EXPECT_FALSE(latest_record(install_scope::machine, &latest));
  a.inst_dir = "/a/DGN2/";
  a.files = {{"/a/DGN2/kdgn20", std::string(64, '1')}};
  a.created_folders = {"/a", "/a/DGN2"};
  b.inst_dir = "/b/DGN2/";
  ASSERT_TRUE(save_record(a, nullptr));
  ASSERT_TRUE(save_record(b, nullptr));
  install_record loaded;
  ASSERT_TRUE(load_record(install_scope::machine, "/a/DGN2/", &loaded));
  EXPECT_EQ(loaded.files, a.files);
  EXPECT_EQ(loaded.created_folders, a.created_folders);
  EXPECT_EQ(all_records(install_scope::machine).size(), 2u);
  EXPECT_FALSE(load_record(install_scope::user, "/a/DGN2/", &loaded));
  ASSERT_TRUE(latest_record(install_scope::machine, &latest));
  EXPECT_EQ(latest.inst_dir, "/b/DGN2/");
  // Installing into the first folder again makes it the latest.
  ASSERT_TRUE(save_record(a, nullptr));
  ASSERT_TRUE(latest_record(install_scope::machine, &latest));
  EXPECT_EQ(latest.inst_dir, "/a/DGN2/");

  // A damaged record is not read, and hides no other.
  ASSERT_TRUE(write_file(record_file(install_scope::machine, "/b/DGN2/"),
                         "dirgen installation record 1\nfile x\n"));
  EXPECT_FALSE(load_record(install_scope::machine, "/b/DGN2/", &loaded));
  EXPECT_EQ(all_records(install_scope::machine).size(), 1u);

  std::string err;
  ASSERT_TRUE(delete_record(a, &err)) << err;
  EXPECT_FALSE(load_record(install_scope::machine, "/a/DGN2/", &loaded));
  EXPECT_FALSE(delete_record(a, &err)) << "already gone";
  EXPECT_EQ(err, record_file(install_scope::machine, "/a/DGN2/") +
                     ": No such file or directory");
  EXPECT_EQ(std::filesystem::path(record_file(install_scope::user, "/a/DGN2/"))
                .parent_path(),
            desktop.user_records());
}

TEST(InstallRecord, UnwritableFolderIsToldWithTheReason) {
  isolated_desktop desktop;
  desktop.forbid_records();
  install_record record;
  record.inst_dir = "/a/DGN2/";
  std::string err;
  EXPECT_FALSE(save_record(record, &err));
  // The plain file in the way, and why.
  EXPECT_NE(err.find("/file: Not a directory"), std::string::npos) << err;
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
