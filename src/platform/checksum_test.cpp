#include "platform/checksum.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/scratch_folder.h"

namespace {

constexpr char kEmpty[] =
    "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr char kAbc[] =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// What sha256sum says of the file at path.
std::string sha256sum_of(const std::string& path) {
  std::string command = "sha256sum '" + path + "'", out;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "<no sha256sum>";
  char buffer[128];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  ::pclose(pipe);
  return out.substr(0, 64);
}

TEST(Checksum, AgreesWithTheStandardVectorsAndWithSha256sum) {
  EXPECT_EQ(sha256_hex(""), kEmpty);
  EXPECT_EQ(sha256_hex("abc"), kAbc);
  // Larger than one read of file_sha256, with every byte value.
  std::string bytes;
  for (int i = 0; i < 200'001; ++i) bytes += static_cast<char>(i * 7 % 256);
  scratch_folder dir;
  ASSERT_TRUE(dir.write("big", bytes));
  std::string hex = "unset", err;
  ASSERT_TRUE(file_sha256(dir.at("big"), &hex, &err)) << err;
  EXPECT_EQ(hex, sha256sum_of(dir.at("big")));
  EXPECT_EQ(hex, sha256_hex(bytes));
  ASSERT_TRUE(dir.write("empty", ""));
  ASSERT_TRUE(file_sha256(dir.at("empty"), &hex, &err));
  EXPECT_EQ(hex, kEmpty);
}

TEST(Checksum, UnreadableFilesNameThePathAndTheReason) {
  scratch_folder dir;
  ASSERT_TRUE(dir.make_folder("folder"));
  for (const char* name : {"none", "folder"}) {
    SCOPED_TRACE(name);
    std::string hex = "unset", err;
    EXPECT_FALSE(file_sha256(dir.at(name), &hex, &err));
    EXPECT_EQ(hex, "unset");
    EXPECT_EQ(err.rfind(dir.at(name) + ": ", 0), 0u) << err;
    EXPECT_GT(err.size(), dir.at(name).size() + 2) << "a reason follows";
  }
}

TEST(Checksum, PiecesGiveTheChecksumOfTheWholeAndThenStartOver) {
  std::string text(1000, 'x');
  text += "the end";
  sha256_stream sum;
  for (size_t at = 0; at < text.size(); at += 37)
    sum.update(std::string_view(text).substr(at, 37));
  sum.update("");
  EXPECT_EQ(sum.final_hex(), sha256_hex(text));
  EXPECT_EQ(sum.final_hex(), kEmpty);
  sum.update("a");
  sum.update("bc");
  EXPECT_EQ(sum.final_hex(), kAbc);
}

}  // namespace
