#include "listing/zip_reader.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "listing/archive_fixture_test_util.h"

namespace {

struct zip_result {
  int code;
  std::string shape;
};

zip_result read_entries(const std::vector<zip_spec>& entries,
                        kvfile_tree* tree) {
  archive_scratch dir;
  EXPECT_TRUE(write_zip(dir.at("a.zip"), entries));
  int code = read_zip(kvval(dir.at("a.zip").c_str()), tree);
  return {code, archive_shape(*tree)};
}

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

TEST(ZipReader, GathersEntriesUnderFolders) {
  struct {
    std::vector<zip_spec> entries;
    int code;
    std::string shape;
  } cases[] = {
      {{{"docs/a.txt", "a"}, {"docs/b.txt", "b"}, {"x.bin", "x"}},
       0,
       "docs(a.txt,b.txt),x.bin"},
      {{{"/abs/f.txt", "f"}}, 0, "abs(f.txt)"},
      {{{"docs/", ""}, {"empty", ""}, {"docs/a", "a"}}, 0, "docs(a)"},
      {{{"ab/x", "1"}, {"abc/y", "2"}, {"ab/c/z", "3"}},
       0,
       "ab(x,c(z)),abc(y)"},
      {{{"empty", ""}}, 0, ""},
      {{}, 3, ""},
  };
  for (const auto& c : cases) {
    kvfile_tree tree;
    zip_result r = read_entries(c.entries, &tree);
    EXPECT_EQ(r.code, c.code) << c.shape;
    EXPECT_EQ(r.shape, c.shape);
  }
}

TEST(ZipReader, EntryTimesAreLocalAndMadeFoldersGetBuildTime) {
  kvfile_tree tree;
  int64_t before = time(nullptr);
  ASSERT_EQ(read_entries({{"d/f", "12345", 2021, 2, 4, 5, 6, 7}}, &tree).code,
            0);
  struct tm want = {};
  want.tm_year = 121, want.tm_mon = 2, want.tm_mday = 4;
  want.tm_hour = 5, want.tm_min = 6, want.tm_sec = 6;  // DOS: 2 s steps
  want.tm_isdst = -1;
  const kvfile_node* f = find_node(tree, "f");
  EXPECT_EQ(f->time, static_cast<int64_t>(mktime(&want)));
  EXPECT_EQ(f->size.kind(), KV_INT);
  EXPECT_EQ(f->size.as_int(), 5);
  const kvfile_node* d = find_node(tree, "d");
  EXPECT_EQ(d->is_folder, 1);
  EXPECT_GE(d->time, before);
  EXPECT_LE(d->time, time(nullptr));
}

TEST(ZipReader, EntriesOf4GiBAndMoreKeepTheirSize) {
  archive_scratch dir;
  zipFile z = zipOpen64(dir.at("big.zip").c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(z, nullptr);
  // A raw entry: its declared size is recorded without writing the data.
  zip_fileinfo info = {};
  ASSERT_EQ(zipOpenNewFileInZip2_64(z, "big", &info, nullptr, 0, nullptr, 0,
                                    nullptr, Z_DEFLATED, 9, 1, 1),
            ZIP_OK);
  ASSERT_EQ(zipWriteInFileInZip(z, "\x03\x00", 2), ZIP_OK);
  ASSERT_EQ(zipCloseFileInZipRaw64(z, uint64_t{5} << 30, 0), ZIP_OK);
  ASSERT_EQ(zipClose(z, nullptr), ZIP_OK);
  kvfile_tree tree;
  ASSERT_EQ(read_zip(kvval(dir.at("big.zip").c_str()), &tree), 0);
  ASSERT_EQ(archive_shape(tree), "big");
  EXPECT_EQ(tree.root()->size.kind(), KV_REAL);
  EXPECT_EQ(tree.root()->size.as_real(), 5368709120.0);
}

TEST(ZipReader, DamagedArchivesFail) {
  archive_scratch dir;
  ASSERT_TRUE(
      write_zip(dir.at("good.zip"), {{"a", "1"}, {"b", "2"}, {"c", "3"}}));
  std::string zip = contents(dir.at("good.zip"));
  size_t eocd = zip.rfind(std::string("PK\x05\x06", 4));
  size_t second = zip.find(std::string("PK\x01\x02", 4));
  second = zip.find(std::string("PK\x01\x02", 4), second + 4);
  ASSERT_NE(eocd, std::string::npos);
  ASSERT_NE(second, std::string::npos);
  std::string bad_entry = zip;
  bad_entry[second + 1] = 'X';
  struct {
    std::string bytes;
    int code;
  } cases[] = {
      {zip.substr(0, eocd + 10), 1},  // directory cut short
      {zip.substr(0, zip.size() / 2), 1},
      {bad_entry, 3},
      {"not a zip", 1},
  };
  for (const auto& c : cases) {
    kvfile_tree tree;
    EXPECT_EQ(read_zip(kvval(dir.write("bad.zip", c.bytes).c_str()), &tree),
              c.code);
  }
  kvfile_tree tree;
  EXPECT_EQ(read_zip(kvval(dir.at("missing.zip").c_str()), &tree), 1);
}
