#include "platform/content_types.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "support/scratch_folder.h"

namespace {

// Gives this test program a home of its own, with a ~/.mime.types, before
// the shared table is first used.
class temp_home : public ::testing::Environment {
 public:
  void SetUp() override {
    home_ = std::make_unique<scratch_folder>();
    home_->write(".mime.types",
                 "# the user's own types\n"
                 "text/X-Dirgen-Listing\tdgl DGX\n"
                 "text/markdown md # inline comment\n"
                 "image/x-mine\tpng\n");
    ::setenv("HOME", home_->path().c_str(), 1);
  }
  void TearDown() override { home_.reset(); }

 private:
  std::unique_ptr<scratch_folder> home_;
};
[[maybe_unused]] const auto* const kHome =
    ::testing::AddGlobalTestEnvironment(new temp_home);

TEST(ContentTypes, NameIsLookedUpByItsLastExtension) {
  content_types table;
  table.add_listing(
      "text/html\t\thtml htm shtml\n"
      "application/vnd.Kinar\tkne sdf\n"
      "chemical/x-mdl-sdfile\tsd sdf\n"
      "application/x-tar\ttar\n"
      "application/octet-stream\n");
  struct Case {
    const char* name;
    bool found;
    const char* type;
  };
  const Case cases[] = {
      {"readme", false, ""},
      {"page.HTM", true, "text/html"},
      {"page.htm", true, "text/html"},
      {"archive.tar.gz", false, ""},
      {"backup.gz.tar", true, "application/x-tar"},
      {"trailing.", false, ""},
      {".htm", true, "text/html"},
      {"data.sdf", true, "application/vnd.kinar"},  // first listing wins
      {"dir.htm/readme", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string type = "stale";
    EXPECT_EQ(content_type_for(table, c.name, &type), c.found);
    EXPECT_EQ(type, c.type);
  }
}

TEST(ContentTypes, UserFileComesBeforeTheSystemFile) {
  const content_types& table = shared_content_types();
  std::string type;
  ASSERT_TRUE(table.find("dgx", &type));
  EXPECT_EQ(type, "text/x-dirgen-listing");
  ASSERT_TRUE(table.find("md", &type));
  EXPECT_EQ(type, "text/markdown");
  ASSERT_TRUE(table.find("PNG", &type));
  EXPECT_EQ(type, "image/x-mine");
  EXPECT_FALSE(table.find("#", &type));
  EXPECT_FALSE(table.find("comment", &type));
  if (table.size() > 10) {  // /etc/mime.types is there (media-types)
    ASSERT_TRUE(table.find("gif", &type));
    EXPECT_EQ(type, "image/gif");
  }
}

TEST(ContentTypes, VariantFormUsesTheSharedTable) {
  variant result("stale");
  EXPECT_TRUE(content_type_for(variant("notes.DGL"), &result));
  EXPECT_EQ(result.view(), "text/x-dirgen-listing");
  EXPECT_FALSE(content_type_for(variant("Makefile"), &result));
  EXPECT_TRUE(result.is_text());
  EXPECT_EQ(result.view(), "");
}

}  // namespace
