#include "listing/variables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "listing/listing_test_util.h"
#include "markup/template_run.h"
#include "support/scratch_folder.h"

namespace {

// Every value of the list called name, read back to front (so the values
// cannot depend on the order a template reads them in).
std::vector<std::string> list_of(const template_variables& vars,
                                 const char* name) {
  const template_list* list = vars.find(name);
  if (!list) return {};
  std::vector<std::string> out(static_cast<size_t>(list->size()));
  variant scratch;
  for (int32_t i = list->size() - 1; i >= 0; --i) {
    out[static_cast<size_t>(i)] = list->at(i, &scratch).str();
  }
  return out;
}

std::string first(const template_variables& vars, const char* name) {
  std::vector<std::string> values = list_of(vars, name);
  return values.empty() ? "<none>" : values[0];
}

using texts = std::vector<std::string>;

class Variables : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    format_.thousand_sep = ".";
    options_.number_format = &format_;
    options_.date_format = "%Y-%m-%d";
    options_.ext_descriptions = &ext_descr_;
    options_.ext_images = &ext_img_;
    options_.type_descriptions = &type_descr_;
    options_.type_images = &type_img_;
    types_.add_listing("image/gif gif\ntext/plain txt\n");
    options_.types = &types_;
  }

  file_node* add(const char* name, const char* ext, int64_t size,
                 file_node* parent = nullptr) {
    return link(new_node(&tree_, name, 0, size, 86400, ext), parent);
  }
  file_node* add_folder(const char* name, file_node* parent = nullptr) {
    return link(new_node(&tree_, name, 1, 0, 86400), parent);
  }
  file_node* link(file_node* n, file_node* parent) {
    if (parent) {
      tree_.append_child(n, parent);
    } else {
      tree_.append_top(n);
    }
    return n;
  }

  // The variables of the tree as it is now.
  listing_variables& vars() {
    vars_ = std::make_unique<listing_variables>(tree_, options_);
    return *vars_;
  }

  number_format_record format_;
  variable_options options_;
  loaded_table ext_descr_, ext_img_, type_descr_, type_img_;
  content_types types_;
  file_tree tree_;
  std::unique_ptr<listing_variables> vars_;
};

TEST_F(Variables, EmptyTreeHasOnlyTheSummary) {
  listing_variables& v = vars();
  EXPECT_EQ(v.find("all"), nullptr);
  EXPECT_EQ(v.find("name_files"), nullptr);
  EXPECT_EQ(v.find("counter_folders"), nullptr);
  EXPECT_EQ(v.find("media_html_all"), nullptr);
  EXPECT_EQ(first(v, "total_files"), "0");
  EXPECT_EQ(first(v, "total_folders"), "0");
  EXPECT_EQ(first(v, "total_size"), "0");
}

// a.txt and sub/ holding b.txt, ordered folders first: the "_all" lists
// describe a nested list closed by sub's marker.
TEST_F(Variables, MarkersCloseEveryFolderThatHasChildren) {
  file_node* sub = add_folder("sub");
  add("b", ".txt", 5, sub);
  add_folder("empty");
  add("a", ".txt", 10);
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "name_all"), (texts{"sub", "b", "", "empty", "a"}));
  EXPECT_EQ(list_of(v, "children_all"), (texts{"1", "0", "0", "0", "0"}));
  EXPECT_EQ(list_of(v, "counter_all"), (texts{"1", "2", "0", "3", "4"}));
  EXPECT_EQ(list_of(v, "mod2_all"), (texts{"1", "0", "0", "1", "0"}));
  EXPECT_EQ(list_of(v, "dir_all"), (texts{"1", "0", "1", "1", "0"}));
  EXPECT_EQ(list_of(v, "dir_dir_all"), (texts{"1", "1", "0", "1", "1"}));
  EXPECT_EQ(list_of(v, "rel_path_all"), (texts{"", "sub/", "", "", ""}));
  EXPECT_EQ(list_of(v, "url_all"),
            (texts{"sub/", "sub/b.txt", "", "empty/", "a.txt"}));
  EXPECT_EQ(list_of(v, "counter_files"), (texts{"1", "2"}));
  EXPECT_EQ(list_of(v, "name_folders"), (texts{"sub", "empty"}));
  EXPECT_EQ(list_of(v, "files"), (texts{"", ""}));
  EXPECT_EQ(v.find("children_files"), nullptr);
  EXPECT_EQ(first(v, "total_files"), "2");
  EXPECT_EQ(first(v, "total_folders"), "2");
  EXPECT_EQ(first(v, "total_size"), "15");
}

TEST_F(Variables, SizesAreDividedPlusOneAndGrouped) {
  add("zero", ".bin", 0);
  add("kb", ".bin", 1024);
  add("big", ".bin", 1536000);
  add("huge", ".img", int64_t{3} << 40);  // 3 TiB: past 32 bits in Kb
  options_.size_units = 1;
  options_.unit_label = variant("Kb");
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "size_files"),
            (texts{"1", "2", "1.501", "3.221.225.473"}));
  EXPECT_EQ(first(v, "size_units_files"), "Kb");
  EXPECT_EQ(list_of(v, "bytes_files"),
            (texts{"0", "1024", "1536000", "3298534883328"}));
  EXPECT_EQ(first(v, "total_size"), "3.298.536.420.352");
  EXPECT_EQ(shown_size(format_, int64_t{1} << 41, 2), "2.097.153");
}

TEST_F(Variables, DownloadTimesAtTheirBoundaries) {
  struct {
    int64_t bytes;
    const char* shown;
  } cases[] = {{0, "1 sec"},
               {6999, "1 sec"},
               {7000, "2 sec"},
               {419999, "60 sec"},
               {420000, "2 min"},
               {3145728, "8 min"},
               {25200000, "1 h 1 min"},
               {62914560, "2 h 30 min"},
               {int64_t{1} << 31, "85 h 14 min"},
               {int64_t{1} << 42, "174525 h 40 min"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(download_time(c.bytes), c.shown);
  }
}

TEST_F(Variables, DescriptionsFallBackFromExtensionToTypeToOther) {
  ext_descr_.table.add(variant("gif"), variant("GIF picture"));
  type_descr_.table.add(variant("image"), variant("Some image"));
  type_descr_.table.add(variant("other"), variant("Some file"));
  type_img_.table.add(variant("image"), variant("image.svg"));
  options_.image_dir = "\\icons";
  add("a", ".GIF", 1);
  EXPECT_EQ(first(vars(), "media_files"), "GIF picture");
  EXPECT_EQ(first(vars(), "image_files"), "/icons/image.svg");
  EXPECT_EQ(first(vars(), "image_dir"), "/icons/");

  ext_descr_.table.clear();
  EXPECT_EQ(first(vars(), "media_files"), "Some image");

  type_descr_.table.clear();
  type_descr_.table.add(variant("other"), variant("Some file"));
  EXPECT_EQ(first(vars(), "media_files"), "Some file");

  type_descr_.table.clear();
  type_img_.table.clear();
  EXPECT_EQ(first(vars(), "media_files"), "");
  EXPECT_EQ(first(vars(), "image_files"), "");
}

TEST_F(Variables, FoldersUseTheFolderEntriesOfTheTypeTables) {
  type_descr_.table.add(variant("folder"), variant("Folder"));
  type_img_.table.add(variant("folder"), variant("folder.svg"));
  options_.image_dir = "img";
  add("x", ".txt", 5, add_folder("docs"));
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "media_all"), (texts{"Folder", "", ""}));
  EXPECT_EQ(list_of(v, "image_folders"), (texts{"img/folder.svg"}));
  EXPECT_EQ(list_of(v, "size_folders"), (texts{""}));
  EXPECT_EQ(list_of(v, "bytes_folders"), (texts{""}));
}

TEST_F(Variables, TimesFollowTheFormatInGmtOrLocalTime) {
  options_.date_format = "%Y-%m-%d %H:%M";
  add("a", ".txt", 1)->time = 4102444800;  // 2100: past 32 bits
  options_.is_gmt_date = true;
  listing_variables& gmt = vars();
  EXPECT_EQ(first(gmt, "time_files"), "2100-01-01 00:00");
  // A page's script gets what it needs to format mtime_ the same way.
  EXPECT_EQ(first(gmt, "date_format"), "%Y-%m-%d %H:%M");
  EXPECT_EQ(first(gmt, "is_gmt_date"), "1");
  setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
  tzset();
  options_.is_gmt_date = false;
  listing_variables& v = vars();
  EXPECT_EQ(first(v, "time_files"), "2099-12-31 19:00");
  EXPECT_EQ(first(v, "is_gmt_date"), "0");
  // The machine-readable forms are UTC whatever the settings say.
  EXPECT_EQ(first(v, "mtime_files"), "4102444800");
  EXPECT_EQ(first(v, "isotime_all"), "2100-01-01T00:00:00Z");
}

TEST_F(Variables, DeepPathsEncodeEveryLevelInAnyReadingOrder) {
  file_node* b = add_folder("<b>", add_folder("a b"));
  add("c", ".txt", 1, b);
  add("d", "", 1, add_folder("e", b));
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "rel_path_files"), (texts{"a b/<b>/", "a b/<b>/e/"}));
  EXPECT_EQ(list_of(v, "rel_path_html_files"),
            (texts{"a b/&lt;b&gt;/", "a b/&lt;b&gt;/e/"}));
  EXPECT_EQ(list_of(v, "url_files"),
            (texts{"a%20b/%3Cb%3E/c.txt", "a%20b/%3Cb%3E/e/d"}));
  options_.url_html_escape = true;
  EXPECT_EQ(first(vars(), "url_folders"), "a b/");
}

// With HTML-escaped links a ":" stays, so a name could pass for a scheme.
TEST_F(Variables, HtmlEscapedLinksNeverStartWithAScheme) {
  add("javascript:alert(1)", "", 1);
  add("x", "", 1, add_folder("c:"));
  options_.url_html_escape = true;
  options_.listing_name = "a:b.html";
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "url_files"),
            (texts{"./javascript:alert(1)", "./c:/x"}));
  EXPECT_EQ(first(v, "url_trail"), "./a:b.html");
  options_.url_html_escape = false;
  EXPECT_EQ(first(vars(), "url_files"), "javascript%3Aalert%281%29");
}

TEST_F(Variables, ListingLinksOfPerFolderBuilds) {
  file_node* sub = add_folder("my sub");
  add("x", ".txt", 1, sub);
  file_node* link = add_folder("linked");
  link->is_link = 1;
  add("a", ".txt", 1);
  options_.listing_name = "list ing.html";
  EXPECT_EQ(list_of(vars(), "listing_url_all"),
            (texts{"my%20sub/", "my%20sub/x.txt", "", "linked/", "a.txt"}));
  EXPECT_EQ(first(vars(), "parent_listing"), "");
  EXPECT_EQ(first(vars(), "listing_name"), "list ing.html");

  options_.folder_listings = true;
  options_.folder_chain = {"top", "my sub"};
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "listing_url_folders"),
            (texts{"my%20sub/list%20ing.html", "linked/"}));
  EXPECT_EQ(list_of(v, "listing_url_files"),
            (texts{"my%20sub/x.txt", "a.txt"}));
  EXPECT_EQ(first(v, "parent_listing"), "../list%20ing.html");
}

// Names show as what they are, in every *_html_ value, and never apply the
// characters that would make them read as something else.
TEST_F(Variables, HtmlNamesShowDirectionControlsAndStrayBytes) {
  file_node* dir = add_folder("d\xE2\x80\xAE<x>");
  add("evil\xE2\x80\xAEgnp", ".exe", 1, dir);
  add("bad\xFF\xFE", ".t\x1Bx", 1);
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "name_html_files"),
            (texts{"evil\\u202Egnp", "bad\\xFF\\xFE"}));
  EXPECT_EQ(list_of(v, "ext_html_files"), (texts{".exe", ".t\\u001Bx"}));
  EXPECT_EQ(list_of(v, "rel_path_html_files"),
            (texts{"d\\u202E&lt;x&gt;/", ""}));
  // Links keep the exact bytes, so they still open the file.
  EXPECT_EQ(first(v, "url_files"), "d%E2%80%AE%3Cx%3E/evil%E2%80%AEgnp.exe");
}

// An archive's member "../../etc/passwd" keeps its name but links inside
// the listing; ".." takes back only what came before it.
TEST_F(Variables, DotDotNeverLeadsAboveTheTop) {
  file_node* up2 = add_folder("..", add_folder(".."));
  add("passwd", "", 1, add_folder("etc", up2));
  file_node* a = add_folder("a");
  add("f", ".txt", 1, add_folder("..", add_folder("b", a)));
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "url_files"), (texts{"etc/passwd", "a/f.txt"}));
  EXPECT_EQ(list_of(v, "rel_path_files"), (texts{"../../etc/", "a/b/../"}));
  EXPECT_EQ(list_of(v, "url_folders"),
            (texts{"", "", "etc/", "a/", "a/b/", "a/"}));
  options_.folder_link = "../up/";
  EXPECT_EQ(first(vars(), "url_files"), "../up/etc/passwd");
}

TEST_F(Variables, LinksLeadFromTheListingOrFromTheBaseUrl) {
  add("x", ".txt", 1, add_folder("s p"));
  options_.listing_name = "index.html";
  options_.folder_link = "../my docs/";
  EXPECT_EQ(list_of(vars(), "url_all"),
            (texts{"../my%20docs/s%20p/", "../my%20docs/s%20p/x.txt", ""}));
  options_.base_url = "https://h.example/a b\"<";
  options_.folder_chain = {"top", "sub"};
  options_.folder_listings = true;
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "url_files"),
            (texts{"https://h.example/a%20b%22%3C/sub/s%20p/x.txt"}));
  EXPECT_EQ(first(v, "listing_url_folders"),
            "https://h.example/a%20b%22%3C/sub/s%20p/index.html");
  EXPECT_EQ(first(v, "parent_listing"),
            "https://h.example/a%20b%22%3C/index.html");
  options_.url_html_escape = true;
  options_.base_url = "/pub/?a=1&b=\"";
  EXPECT_EQ(first(vars(), "url_files"), "/pub/?a=1&amp;b=&quot;/sub/s p/x.txt");
}

TEST_F(Variables, TitlePathAndTrailNameEveryAncestor) {
  add("x", ".txt", 1);
  options_.listing_name = "i n.html";
  options_.folder_chain = {"photos", "2024", "summer"};
  listing_variables& v = vars();
  EXPECT_EQ(first(v, "title"), "summer");
  EXPECT_EQ(first(v, "folder_path"), "photos/2024/summer");
  EXPECT_EQ(list_of(v, "name_trail"), (texts{"photos", "2024", "summer"}));
  EXPECT_EQ(list_of(v, "url_trail"),
            (texts{"../../i%20n.html", "../i%20n.html", "i%20n.html"}));
  EXPECT_EQ(first(v, "parent_listing"), "../i%20n.html");
  options_.title = "Holidays";
  options_.folder_chain = {"photos"};
  listing_variables& top = vars();
  EXPECT_EQ(first(top, "title"), "Holidays");
  EXPECT_EQ(list_of(top, "url_trail"), (texts{"i%20n.html"}));
  EXPECT_EQ(first(top, "parent_listing"), "");
}

TEST_F(Variables, ReadmeTextIsEscapedWithItsLineBreaks) {
  options_.readme_name = "README.md";
  options_.readme_text = "# Hi\n<script>\xE2\x80\xAE\n";
  listing_variables& v = vars();
  EXPECT_EQ(first(v, "readme_name"), "README.md");
  EXPECT_EQ(first(v, "readme_text"), "# Hi\n&lt;script&gt;\\u202E\n");
}

TEST_F(Variables, SizeTextsAndCountsSayTheirUnits) {
  add("one", ".b", 1);
  add("two", ".b", 2);
  add("big", ".b", 4700000);
  add_folder("d");
  format_.decimal_sep = ",";
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "size_text_files"),
            (texts{"1 byte", "2 bytes", "4.700.000 bytes"}));
  EXPECT_EQ(list_of(v, "size_text_folders"), (texts{""}));
  EXPECT_EQ(first(v, "total_files_text"), "3 files");
  EXPECT_EQ(first(v, "total_folders_text"), "1 folder");
  EXPECT_EQ(first(v, "total_size_text"), "4.700.003 bytes");
  EXPECT_EQ(first(v, "total_size"), "4.700.003");

  options_.size_units = 3;
  listing_variables& human = vars();
  EXPECT_EQ(list_of(human, "size_files"), (texts{"1", "2", "4,7"}));
  EXPECT_EQ(list_of(human, "size_units_files"),
            (texts{"byte", "bytes", "MB"}));
  EXPECT_EQ(list_of(human, "size_text_all"),
            (texts{"1 byte", "2 bytes", "4,7 MB", ""}));
  EXPECT_EQ(first(human, "total_size_text"), "4,7 MB");
  EXPECT_EQ(first(human, "size_units"), "3");
  options_.size_units = 4;
  EXPECT_EQ(list_of(vars(), "size_text_files"),
            (texts{"1 byte", "2 bytes", "4,5 MiB"}));
  options_.size_units = 1;
  options_.unit_label = variant("Kb");
  EXPECT_EQ(list_of(vars(), "size_text_files"),
            (texts{"1 Kb", "1 Kb", "4.590 Kb"}));
}

// A listing is large from 2,001 entries on, folders and files counted
// alike, nested or not, whether or not folders are shown.
TEST_F(Variables, LargeListingCountsFilesAndFolders) {
  EXPECT_EQ(first(vars(), "large_listing"), "0");
  file_node* sub = add_folder("sub");
  for (int i = 0; i < 1998; ++i) add("f", ".txt", 1, i % 2 ? sub : nullptr);
  add_folder("empty");
  EXPECT_EQ(first(vars(), "large_listing"), "0");  // 2,000 entries
  options_.show_folders = 0;
  add("last", ".txt", 1, sub);
  EXPECT_EQ(first(vars(), "large_listing"), "1");
}

// Without an images folder, the page carries each icon it shows, once, in
// icon_css; with one, the icons stay paths.
TEST_F(Variables, IconsAreEmbeddedWhenNoImagesFolderIsSet) {
  scratch_folder icons;
  ASSERT_TRUE(icons.write("folder.svg", "<svg/>"));
  ASSERT_TRUE(icons.write("text.svg", "<svg>t</svg>"));
  ASSERT_TRUE(icons.write("unused.svg", "<svg>u</svg>"));
  type_img_.table.add(variant("folder"), variant("folder.svg"));
  type_img_.table.add(variant("text"), variant("text.svg"));
  type_img_.table.add(variant("other"), variant("missing.svg"));
  add("a", ".txt", 1, add_folder("d"));
  add("b", ".bin", 1);
  options_.icon_folder = icons.path() + "/";
  listing_variables& v = vars();
  EXPECT_EQ(list_of(v, "image_all"),
            (texts{"data:image/svg+xml;base64,PHN2Zy8+",
                   "data:image/svg+xml;base64,PHN2Zz50PC9zdmc+", "", ""}));
  EXPECT_EQ(list_of(v, "icon_class_all"),
            (texts{"i-folder_2Esvg", "i-text_2Esvg", "", ""}));
  EXPECT_EQ(first(v, "icon_css"),
            ".i-folder_2Esvg{background-image:url(\"data:image/svg+xml;base64,"
            "PHN2Zy8+\")}.i-text_2Esvg{background-image:url(\"data:image/"
            "svg+xml;base64,PHN2Zz50PC9zdmc+\")}");
  EXPECT_EQ(first(v, "image_dir"), "");

  options_.image_dir = "/images/public";
  listing_variables& paths = vars();
  EXPECT_EQ(list_of(paths, "image_all"),
            (texts{"/images/public/folder.svg", "/images/public/text.svg", "",
                   "/images/public/missing.svg"}));
  EXPECT_EQ(first(paths, "icon_css"),
            ".i-folder_2Esvg{background-image:url(\"/images/public/"
            "folder.svg\")}.i-missing_2Esvg{background-image:url(\"/images/"
            "public/missing.svg\")}.i-text_2Esvg{background-image:url(\"/"
            "images/public/text.svg\")}");
}

// Lists are made when a template names them, values when it reads them.
TEST_F(Variables, ATemplateNamingOneListComputesOnlyThatList) {
  for (int i = 0; i < 50; ++i) add("f", ".txt", i);
  listing_variables& v = vars();
  std::string out, err;
  ASSERT_TRUE(run_template_text(
      "<!--#for var=name_all--><!--#echo var=name_all--><!--#endfor-->", &v,
      &out, &err))
      << err;
  EXPECT_EQ(out, std::string(50, 'f'));
  EXPECT_EQ(v.values_computed("name_all"), 50);
  for (const char* other : {"all", "url_all", "time_all", "size_all",
                            "media_all", "rel_path_all", "counter_all"}) {
    EXPECT_EQ(v.values_computed(other), 0) << other;
  }
}

// Templates read a group front to back, rows repeated by the columns of one
// pass; any other order must give the same values.
TEST_F(Variables, ListsGiveTheSameValuesInAnyReadingOrder) {
  file_node* a = add_folder("a");
  add("c", ".txt", 1, add_folder("b", a));
  add("d", ".txt", 2, a);
  add_folder("e");
  add("f", ".txt", 3);
  std::string out, err;
  ASSERT_TRUE(run_template_text(
      "<!--#for var=all--><!--#echo var=counter_all-->:<!--#echo "
      "var=name_all-->:<!--#echo var=children_all--> <!--#endfor-->",
      &vars(), &out, &err))
      << err;
  EXPECT_EQ(out, "1:a:1 2:b:1 3:c:0 0::0 4:d:0 0::0 5:e:0 6:f:0 ");
  for (const char* name :
       {"name_all", "counter_all", "mod2_all", "dir_all", "children_all",
        "name_files", "counter_files", "rel_path_files", "name_folders",
        "counter_folders"}) {
    const texts expected = list_of(vars(), name);
    const template_list* list = vars().find(name);
    ASSERT_NE(list, nullptr) << name;
    const int32_t n = list->size();
    ASSERT_EQ(n, static_cast<int32_t>(expected.size())) << name;
    variant scratch;
    texts forward;
    for (int32_t i = 0; i < n; ++i) {
      list->at(i, &scratch);
      forward.push_back(list->at(i, &scratch).str());
    }
    EXPECT_EQ(forward, expected) << name;
    // Back to the start, then a jump ahead and a step back.
    for (int32_t i : {0, 1, 0, n - 1, n / 2, 1}) {
      EXPECT_EQ(list->at(i, &scratch).str(), expected[static_cast<size_t>(i)])
          << name << " " << i;
    }
  }
}

TEST(VariablesHelpers, FormatTimeGivesEmptyTextWhenTheResultDoesNotFit) {
  EXPECT_EQ(format_time(0, true, ""), "");
  EXPECT_EQ(format_time(0, true, "%Y"), "1970");
  EXPECT_EQ(format_time(4102444800LL, true, "%Y"), "2100");  // past 2038
  EXPECT_EQ(normalise_image_dir(""), "");
  EXPECT_EQ(normalise_image_dir("a\\b"), "a/b/");
}

}  // namespace
