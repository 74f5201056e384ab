#include "listing/embedded_icons.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scratch_folder.h"

namespace {

TEST(EmbeddedIcons, PicturesBecomeBase64DataUrisOfTheirType) {
  scratch_folder dir;
  ASSERT_TRUE(dir.write("a.svg", "<svg/>"));
  ASSERT_TRUE(dir.write("b.GIF", "GIF89a"));
  ASSERT_TRUE(dir.write("notes.txt", "text"));
  ASSERT_TRUE(dir.write("big.png", std::string(icon_files::kMaxIconBytes + 1,
                                               'x')));
  ASSERT_TRUE(dir.write("../outside.svg", "<svg/>"));
  icon_files icons(dir.path() + "/");
  EXPECT_EQ(icons.data_uri("a.svg"), "data:image/svg+xml;base64,PHN2Zy8+");
  EXPECT_EQ(icons.data_uri("b.GIF"), "data:image/gif;base64,R0lGODlh");
  // Not a picture, too large, missing, or not a name of the folder.
  EXPECT_EQ(icons.data_uri("notes.txt"), "");
  EXPECT_EQ(icons.data_uri("big.png"), "");
  EXPECT_EQ(icons.data_uri("missing.svg"), "");
  EXPECT_EQ(icons.data_uri("../outside.svg"), "");
  EXPECT_EQ(icon_files("").data_uri("a.svg"), "");
}

TEST(EmbeddedIcons, ClassesAreDistinctForDistinctNames) {
  EXPECT_EQ(icon_class("folder.svg"), "i-folder_2Esvg");
  EXPECT_NE(icon_class("a.b"), icon_class("a_2Eb"));
  EXPECT_EQ(icon_class("a_2Eb"), "i-a_5F2Eb");
  EXPECT_EQ(icon_class(""), "");
}

// The rule stands in a style element: its URL can end neither the string
// nor the element.
TEST(EmbeddedIcons, RulesKeepTheirUrlInsideTheString) {
  EXPECT_EQ(icon_rule("f.svg", "/img/f.svg"),
            ".i-f_2Esvg{background-image:url(\"/img/f.svg\")}");
  EXPECT_EQ(icon_rule("f.svg", "a\"b\\c</style>\n"),
            ".i-f_2Esvg{background-image:url(\"a\\22 b\\5C c\\3C "
            "/style>\\A \")}");
}

}  // namespace
