#include "listing/gzip_source.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "listing/archive_fixture_test_util.h"
#include "listing/archive_reader.h"
#include "listing/archive_temp.h"

namespace {

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A tar big enough that damage in the middle of its compressed form hits
// deflate data, not only the trailer.
std::string sample_tar() {
  std::string bytes;
  for (int i = 0; i < 200; ++i) {
    std::string data;
    for (int j = 0; j < 300; ++j) data += std::to_string(i * j) + ",";
    bytes += tar_member({.name = "f" + std::to_string(i)}, data);
  }
  return bytes + tar_end();
}

}  // namespace

TEST(GzipSource, StreamedTarListsLikeThePlainTar) {
  archive_scratch dir;
  std::string tar = sample_tar();
  std::string tar_path = dir.write("a.tar", tar);
  ASSERT_TRUE(write_gzip(dir.at("a.tar.gz"), tar));
  kvfile_tree plain, packed;
  ASSERT_EQ(read_archive(kvval(tar_path.c_str()), &plain), 0);
  ASSERT_EQ(read_archive(kvval(dir.at("a.tar.gz").c_str()), &packed), 0);
  EXPECT_EQ(plain.count(), 200);
  EXPECT_EQ(archive_shape(packed), archive_shape(plain));
}

TEST(GzipSource, DamagedCompressedDataFailsWithDecompressionCode) {
  archive_scratch dir;
  ASSERT_TRUE(write_gzip(dir.at("good.gz"), sample_tar()));
  std::string gz = contents(dir.at("good.gz"));
  std::string corrupt = gz;
  for (size_t i = gz.size() / 2; i < gz.size() / 2 + 64; ++i)
    corrupt[i] ^= 0x5A;
  std::string bad_crc = gz;
  bad_crc[gz.size() - 6] ^= 1;  // the CRC is checked after the end block
  struct {
    std::string name, bytes;
  } cases[] = {
      {"corrupt.tgz", corrupt},
      {"truncated.gz", gz.substr(0, gz.size() / 2)},
      {"cut_trailer.gz", gz.substr(0, gz.size() - 4)},
      {"bad_crc.tar_gz", bad_crc},
  };
  for (const auto& c : cases) {
    kvfile_tree tree;
    EXPECT_EQ(read_archive(kvval(dir.write(c.name, c.bytes).c_str()), &tree),
              310)
        << c.name;
  }
  kvfile_tree tree;
  EXPECT_EQ(read_archive(kvval(dir.at("missing.gz").c_str()), &tree), 310);
}

TEST(GzipSource, GunzipToFileWritesWholeStreamOrFails) {
  archive_scratch dir;
  std::string tar = sample_tar();
  ASSERT_TRUE(write_gzip(dir.at("a.gz"), tar));
  kvval temp;
  ASSERT_TRUE(make_temp_file(&temp));
  EXPECT_EQ(contents(temp.str()), "");
  EXPECT_TRUE(gunzip_to_file(dir.at("a.gz"), temp.str()));
  EXPECT_EQ(contents(temp.str()), tar);
  std::string gz = contents(dir.at("a.gz"));
  dir.write("cut.gz", gz.substr(0, gz.size() / 2));
  EXPECT_FALSE(gunzip_to_file(dir.at("cut.gz"), temp.str()));
  EXPECT_FALSE(gunzip_to_file(dir.at("missing.gz"), temp.str()));
  remove(temp.as_text());
}
