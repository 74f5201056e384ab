#include "listing/archive_reader.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "listing/archive_fixture_test_util.h"
#include "listing/archive_libs.h"
#include "listing/archive_temp.h"
#include "support/scratch_folder.h"

TEST(ArchiveReader, ExtensionChoosesReaderAndResultCode) {
  scratch_folder dir;
  std::string tar = tar_of({"d/", "d/f"});
  dir.write("t.TAR", tar);
  dir.write("t.tar", tar);
  dir.write("bad.tar", "short");
  ASSERT_TRUE(write_gzip(dir.at("t.tgz"), tar));
  ASSERT_TRUE(write_gzip(dir.at("bad.tgz"), "short"));
  ASSERT_TRUE(write_zip(dir.at("t.Zip"), {{"d/f", "1"}}));
  ASSERT_TRUE(write_zip(dir.at("empty.zip"), {}));
  mkdir(dir.at("my.dir").c_str(), 0700);
  struct {
    std::string name;
    int code;
    std::string shape;
  } cases[] = {
      {"t.TAR", 0, "d(f)"},        {"t.tar", 0, "d(f)"},
      {"t.tgz", 0, "d(f)"},        {"t.Zip", 0, "d(f)"},
      {"bad.tar", 100, ""},        {"missing.tar", 100, ""},
      {"bad.tgz", 100, ""},        {"empty.zip", 710, ""},
      {"missing.zip", 710, ""},    {"x.rar", 701, ""},
      {"my.dir/archive", 701, ""},
  };
  for (const auto& c : cases) {
    kvfile_tree tree;
    EXPECT_EQ(read_archive(kvval(dir.at(c.name).c_str()), &tree), c.code)
        << c.name;
    EXPECT_EQ(archive_shape(tree), c.shape) << c.name;
  }
  kvfile_tree tree;
  EXPECT_EQ(read_archive(kvval("archive"), &tree), 700);
}

TEST(ArchiveTemp, MakesDistinctEmptyFilesOrReportsFailure) {
  kvval a, b;
  ASSERT_TRUE(make_temp_file(&a));
  ASSERT_TRUE(make_temp_file(&b));
  EXPECT_NE(a.str(), b.str());
  struct stat st;
  ASSERT_EQ(stat(a.as_text(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  remove(a.as_text());
  remove(b.as_text());
  const char* old = getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", "/nonexistent/dirgen", 1);
  kvval c("stale");
  EXPECT_FALSE(make_temp_file(&c));
  EXPECT_EQ(c.str(), "");
  if (old) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

TEST(ArchiveLibs, LoadReportsUsableLibraries) {
  EXPECT_TRUE(load_zlib_library());
  EXPECT_TRUE(zlib_library_loaded());
  unload_zlib_library();
  EXPECT_FALSE(zlib_library_loaded());
}
