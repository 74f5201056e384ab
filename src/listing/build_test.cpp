#include "listing/build.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "listing/archive_fixture_test_util.h"
#include "listing/listing_test_util.h"
#include "listing/variables.h"
#include "markup/template_check.h"
#include "markup/replacement_file.h"
#include "support/scratch_folder.h"

namespace {

// One entry per node: [name|children|counter|dir|dir_dir|rel_path|url].
// A folder without entries has no such list: the loop runs only when
// there are files or folders, as a template written for one file per
// folder must.
#define ALL_LOOP                                                            \
  "<!--#for var=all-->[<!--#echo var=name_all-->|<!--#echo "                \
  "var=children_all-->|<!--#echo var=counter_all-->|<!--#echo "             \
  "var=dir_all-->|<!--#echo var=dir_dir_all-->|<!--#echo "                  \
  "var=rel_path_all-->|<!--#echo var=url_all-->]<!--#endfor-->"
const char kAllTemplate[] =
    "<!--#if var=total_files-->" ALL_LOOP
    "<!--#else--><!--#if var=total_folders-->" ALL_LOOP
    "<!--#endif--><!--#endif-->\n"
    "files:<!--#if var=total_files--><!--#for var=files--><!--#echo "
    "var=counter_files-->=<!--#echo var=name_files--><!--#echo "
    "var=ext_files--> <!--#endfor--><!--#endif-->\n"
    "total:<!--#echo var=total_files-->/<!--#echo var=total_folders-->";
#undef ALL_LOOP

// Writes a file under root, making the folders on its way.
void put(scratch_folder& root, const std::string& relative,
         const std::string& contents = "x") {
  ASSERT_TRUE(root.write(relative, contents)) << relative;
}

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The path an href leads to, resolved as a browser does against the
// listing at listing_path: relative to its folder, "%XX" decoded, "." and
// ".." applied.
std::string resolve(const std::string& listing_path, const std::string& href) {
  std::string decoded;
  for (size_t i = 0; i < href.size(); ++i) {
    if (href[i] == '%' && i + 2 < href.size()) {
      decoded.push_back(
          static_cast<char>(std::stoi(href.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      decoded.push_back(href[i]);
    }
  }
  std::filesystem::path base =
      decoded.starts_with("/")
          ? std::filesystem::path(decoded)
          : std::filesystem::path(listing_path).parent_path() / decoded;
  return base.lexically_normal().string();
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat x, y;
  return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 &&
         x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// Every temporary listing file left anywhere under folder.
std::vector<std::string> leftovers(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    std::string name = e.path().filename().string();
    if (is_temporary_name(name, nullptr)) found.push_back(name);
  }
  return found;
}

class Build : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    root_.make_folder("kvdata");
    root_.make_folder("src");
    root_.write("kvdata/all.txt", kAllTemplate);
    settings_.path = variant(std::string_view(root_.at("src")));
    settings_.save = variant(std::string_view(root_.at("out.html")));
    settings_.format = variant("all.txt");
  }

  int build() {
    formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
    return run_build(settings_, formatter_, root_.at("kvdata/"), nullptr).code;
  }

  void recursive(bool one_file) {
    settings_.subfolders = variant(1);
    settings_.subfolders_in_one_file = variant(one_file ? 1 : 0);
  }

  scratch_folder root_;
  settings_record settings_;
  data_tables formatter_;
};

TEST_F(Build, RecursiveSingleFileListsChildrenThenAFolderEndMarker) {
  put(root_, "src/a.txt", "0123456789");
  put(root_, "src/sub/b.txt", "b");
  recursive(true);
  settings_.order_files = variant(1);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")),
            "[sub|1|1|1|1||src/sub/][b|0|2|0|1|sub/|src/sub/b.txt]"
            "[|0|0|1|0||][a|0|3|0|1||src/a.txt]\n"
            "files:1=b.txt 2=a.txt \n"
            "total:2/1");
}

TEST_F(Build, NonRecursiveFolderHasNoChildrenAndNoMarker) {
  put(root_, "src/a.txt", "x");
  put(root_, "src/sub/b.txt", "b");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")),
            "[sub|0|1|1|1||src/sub/][a|0|2|0|1||src/a.txt]\n"
            "files:1=a.txt \n"
            "total:1/1");
}

TEST_F(Build, PerFolderModeWritesOneFilePerFolderAndNothingWhereSaveNamed) {
  put(root_, "src/a.txt", "x");
  put(root_, "src/sub/b.txt", "b");
  put(root_, "src/sub/deeper/c.txt", "c");
  root_.make_folder("out");
  settings_.save = variant(std::string_view(root_.at("out/list.html")));
  recursive(false);
  settings_.order_files = variant(1);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_FALSE(exists(root_.at("out/list.html")));
  EXPECT_EQ(read_file(root_.at("src/list.html")),
            "[sub|0|1|1|1||sub/][a|0|2|0|1||a.txt]\nfiles:1=a.txt \n"
            "total:1/1");
  EXPECT_EQ(read_file(root_.at("src/sub/list.html")),
            "[deeper|0|1|1|1||deeper/][b|0|2|0|1||b.txt]\nfiles:1=b.txt \n"
            "total:1/1");
  EXPECT_EQ(read_file(root_.at("src/sub/deeper/list.html")),
            "[c|0|1|0|1||c.txt]\nfiles:1=c.txt \ntotal:1/0");
}

TEST_F(Build, RelativeSourceFolderIsResolvedOnceForTheWholeWalk) {
  put(root_, "src/sub/inner/b.txt", "b");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(root_.path().c_str()), 0);
  settings_.path = variant("src");
  recursive(true);
  int code = build();
  ASSERT_EQ(chdir(old), 0);
  ASSERT_EQ(code, kBuildOk);
  EXPECT_NE(read_file(root_.at("out.html")).find("[b|0|3|0|1|sub/inner/|"),
            std::string::npos);
}

TEST_F(Build, BareOutputNameGoesIntoTheSourceFolder) {
  put(root_, "src/a.txt", "x");
  settings_.save = variant("index.html");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_TRUE(exists(root_.at("src/index.html")));
}

TEST_F(Build, LinkToAFolderIsListedButNeverEntered) {
  put(root_, "src/a.txt", "x");
  ASSERT_EQ(symlink(root_.at("src").c_str(), root_.at("src/loop").c_str()), 0);
  recursive(true);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")),
            "[loop|0|1|1|1||src/loop/][a|0|2|0|1||src/a.txt]\n"
            "files:1=a.txt \ntotal:1/1");
}

TEST_F(Build, FilteredAwayEntriesGiveAnEmptyListingNotAFailure) {
  put(root_, "src/a.txt", "x");
  settings_.mask = variant("*.doc");
  root_.write("kvdata/total.txt", "<!--#echo var=total_files-->");
  settings_.format = variant("total.txt");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")), "0");
}

// Failure codes and the messages the shells show for them.
struct failure_case {
  const char* name;
  int source;                                    // 0 folder, 1 archive
  std::string (*prepare)(scratch_folder& root);  // returns the source path
  int code;
  const char* message;
};

const failure_case kFailures[] = {
    {"missing folder", 0, [](scratch_folder& r) { return r.at("nowhere"); },
     kBuildSourceMissing, "Source directory doesn't exist."},
    {"missing archive", 1,
     [](scratch_folder& r) { return r.at("nowhere.zip"); }, kBuildSourceMissing,
     "Source file doesn't exist."},
    {"file as folder", 0,
     [](scratch_folder& r) {
       r.write("plain.txt", "x");
       return r.at("plain.txt");
     },
     kBuildSourceWrongKind, "Source must be a directory."},
    {"folder as archive", 1,
     [](scratch_folder& r) {
       r.make_folder("dir.tar");
       return r.at("dir.tar");
     },
     kBuildSourceWrongKind, "Source must be an archive file."},
    {"empty folder", 0,
     [](scratch_folder& r) {
       r.make_folder("empty");
       return r.at("empty");
     },
     kBuildNoEntries, "Directory is empty."},
    {"no format, no extension", 1,
     [](scratch_folder& r) {
       r.write("archive", "x");
       return r.at("archive");
     },
     kBuildNotArchive, "File is not a recognized archive."},
    {"no format, dot only in a folder name", 1,
     [](scratch_folder& r) {
       r.make_folder("my.dir");
       r.write("my.dir/archive", "x");
       return r.at("my.dir/archive");
     },
     kBuildNotArchive, "File is not a recognized archive."},
    {"text named .7z", 1,
     [](scratch_folder& r) {
       r.write("x.7z", "plain text, not an archive\n");
       return r.at("x.7z");
     },
     kBuildNotArchive, "File is not a recognized archive."},
    {"not a zip", 1,
     [](scratch_folder& r) {
       r.write("x.zip", "not a zip at all");
       return r.at("x.zip");
     },
     kBuildCantUnzip, "Can't decompress zip file."},
    {"corrupt gzip", 1,
     [](scratch_folder& r) {
       r.write("x.tar.gz", std::string("\x1f\x8b\x08\x00garbage", 12));
       return r.at("x.tar.gz");
     },
     kBuildCantGunzip, "Can't decompress gz file."},
    {"gzip of a text", 1,
     [](scratch_folder& r) {
       write_gzip(r.at("x.tgz"), "plain text, not a tar\n");
       return r.at("x.tgz");
     },
     kBuildNoEntries, "File is not valid tar archive."},
    {"short tar", 1,
     [](scratch_folder& r) {
       r.write("x.tar", std::string(100, 'a'));
       return r.at("x.tar");
     },
     kBuildNoEntries, "File is not valid tar archive."},
    {"tar.xz cut short", 1,
     [](scratch_folder& r) {
       std::string xz = r.at("x.tar.xz");
       run_command("head -c 50000 /dev/urandom | base64 > " +
                   shell_quoted(r.at("big.txt")) + " && tar -cf - -C " +
                   shell_quoted(r.at("")) + " big.txt | xz | head -c 3000 > " +
                   shell_quoted(xz));
       return xz;
     },
     kBuildDamagedArchive, "Archive is damaged."},
    {"tar.gz cut short", 1,
     [](scratch_folder& r) {
       std::string tgz = r.at("cut.tar.gz");
       run_command("head -c 50000 /dev/urandom | base64 > " +
                   shell_quoted(r.at("big.txt")) + " && tar -czf - -C " +
                   shell_quoted(r.at("")) + " big.txt | head -c 20000 > " +
                   shell_quoted(tgz));
       return tgz;
     },
     kBuildCantGunzip, "Can't decompress gz file."},
    {"tar cut short, then gzipped", 1,
     [](scratch_folder& r) {
       std::string tgz = r.at("cut-tar.tgz");
       run_command("head -c 50000 /dev/urandom | base64 > " +
                   shell_quoted(r.at("big.txt")) + " && tar -cf - -C " +
                   shell_quoted(r.at("")) +
                   " big.txt | head -c 20000 | gzip > " + shell_quoted(tgz));
       return tgz;
     },
     kBuildNoEntries, "File is not valid tar archive."},
    {"zip with a damaged entry", 1,
     [](scratch_folder& r) {
       std::string zip = r.at("bad.zip");
       run_command("head -c 20000 /dev/urandom > " +
                   shell_quoted(r.at("noise.bin")) + " && cd " +
                   shell_quoted(r.at("")) + " && zip -q0 bad.zip noise.bin" +
                   " && printf 'XXXX' | dd of=bad.zip bs=1 seek=0" +
                   " conv=notrunc status=none");
       return zip;
     },
     kBuildCantUnzip, "Can't decompress zip file."},
};

TEST_F(Build, EveryFailureEndsWithItsCodeAndMessage) {
  for (const failure_case& c : kFailures) {
    SCOPED_TRACE(c.name);
    settings_.source = variant(c.source);
    settings_.path = variant(std::string_view(c.prepare(root_)));
    formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
    build_outcome outcome =
        run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
    EXPECT_EQ(outcome.code, c.code);
    variant message("unchanged");
    result_message(outcome.code, &message, settings_.source);
    EXPECT_EQ(message.str(), c.message);
    // The line names the source and says why, whoever found the fault.
    const std::string head =
        std::string(c.message) + " " + settings_.path.str();
    const std::string line = result_line(outcome, c.source == 1);
    EXPECT_EQ(line.substr(0, head.size()), head) << line;
    const bool nothing_failed = c.source == 0 && c.code == kBuildNoEntries;
    if (!nothing_failed) {
      EXPECT_GT(line.size(), head.size() + 2) << line;
    }
    EXPECT_FALSE(exists(root_.at("out.html")));
  }
}

TEST_F(Build, OutputThatIsAFolderCannotBeCreated) {
  put(root_, "src/a.txt", "x");
  root_.make_folder("out.html");
  EXPECT_EQ(build(), kBuildCantCreateOutput);
  variant message;
  result_message(kBuildCantCreateOutput, &message, variant(0));
  EXPECT_EQ(message.str(), "Can't create output file.");
}

TEST_F(Build, MissingTemplateChangesNoListingAndSaysWhichFile) {
  put(root_, "src/a.txt", "x");
  put(root_, "src/sub/b.txt", "x");
  put(root_, "out.html", "old listing");
  put(root_, "src/list.html", "old top");
  put(root_, "src/sub/list.html", "old sub");
  settings_.format = variant("nosuch.txt");
  EXPECT_EQ(build(), kBuildNoTemplate);
  EXPECT_EQ(read_file(root_.at("out.html")), "old listing");
  recursive(false);
  settings_.save = variant("list.html");
  build_outcome outcome =
      run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
  EXPECT_EQ(outcome.code, kBuildNoTemplate);
  EXPECT_EQ(read_file(root_.at("src/list.html")), "old top");
  EXPECT_EQ(read_file(root_.at("src/sub/list.html")), "old sub");
  EXPECT_EQ(result_line(outcome, false), "Can't open template file " +
                                             root_.at("kvdata/nosuch.txt") +
                                             ": No such file or directory");
}

TEST_F(Build, EmptyTemplateNameIsAMissingTemplateNotTheDataFolder) {
  put(root_, "src/a.txt", "x");
  settings_.format = variant("");
  EXPECT_EQ(build(), kBuildNoTemplate);
}

// The interpreter would write its error message into the listing: the build
// fails instead, and every old listing, in each mode, stays as it was.
TEST_F(Build, TemplateInErrorChangesNoListingAndSaysWhereAndWhat) {
  put(root_, "src/a.txt", "x");
  put(root_, "src/sub/b.txt", "x");
  put(root_, "out.html", "old listing");
  put(root_, "src/list.html", "old top");
  put(root_, "src/sub/list.html", "old sub");
  root_.write("kvdata/typo.txt",
              "<ul>\n<!--#for var=files--><li><!--#echo "
              "var=nmae_html_files--></li><!--#endfor-->\n</ul>\n");
  root_.write("kvdata/open.txt", "<!--#if var=show_summary-->summary");
  settings_.format = variant("typo.txt");
  build_outcome outcome =
      run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
  EXPECT_EQ(outcome.code, kBuildTemplateError);
  EXPECT_EQ(result_line(outcome, false),
            "Error occurred while processing KVI directive. " +
                root_.at("kvdata/typo.txt") +
                ": line 2, column 26: unknown variable nmae_html_files; did "
                "you mean name_html_files?");
  EXPECT_EQ(read_file(root_.at("out.html")), "old listing");
  recursive(false);
  settings_.save = variant("list.html");
  settings_.format = variant("open.txt");
  outcome = run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
  EXPECT_EQ(outcome.code, kBuildTemplateError);
  EXPECT_EQ(outcome.reason, "line 1, column 1: if without endif");
  EXPECT_EQ(read_file(root_.at("src/list.html")), "old top");
  EXPECT_EQ(read_file(root_.at("src/sub/list.html")), "old sub");
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
}

// Every template and table the program ships passes the check, so no
// style fails a build by naming a variable the listing does not have.
TEST(ShippedTemplates, NameOnlyVariablesAListingHas) {
  const char* root = std::getenv("DIRGEN_SOURCE_ROOT");
  if (root == nullptr) GTEST_SKIP() << "DIRGEN_SOURCE_ROOT is not set";
  int checked = 0;
  for (const auto& e :
       std::filesystem::directory_iterator(std::string(root) + "/kvdata")) {
    if (e.path().extension() != ".txt") continue;
    FILE* f = std::fopen(e.path().c_str(), "rb");
    ASSERT_NE(f, nullptr) << e.path();
    template_fault fault;
    EXPECT_TRUE(check_template_file(f, listing_variable_names(), &fault))
        << e.path() << " line " << fault.line << ", column " << fault.column
        << ": " << fault.what;
    std::fclose(f);
    ++checked;
  }
  EXPECT_GT(checked, 5);
}

TEST_F(Build, ArchiveInPerFolderModeListsTheWholeArchiveOnce) {
  std::string tar = tar_of({"dir/", "dir/f.txt", "top.txt"});
  root_.write("a.tar", tar);
  settings_.source = variant(1);
  settings_.path = variant(std::string_view(root_.at("a.tar")));
  settings_.save = variant("list.html");
  recursive(false);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("list.html")),
            "[dir|1|1|1|1||dir/][f|0|2|0|1|dir/|dir/f.txt][|0|0|1|0||]"
            "[top|0|3|0|1||top.txt]\nfiles:1=f.txt 2=top.txt \ntotal:2/1");
}

// A member named "../../etc/passwd" is listed by its name, and its link
// opens the file it names inside the listing's folder, never one above.
TEST_F(Build, ArchiveMembersAboveTheTopLinkInsideTheListing) {
  root_.write("deep/a.tar", tar_of({"../../etc/passwd", "ok/../../x.txt"}));
  settings_.source = variant(1);
  settings_.path = variant(std::string_view(root_.at("deep/a.tar")));
  settings_.save = variant("list.html");
  root_.write("kvdata/up.txt",
              "<!--#for var=files--><!--#echo var=rel_path_files--><!--#echo "
              "var=name_files-->=<!--#echo var=url_files--> <!--#endfor-->");
  settings_.format = variant("up.txt");
  ASSERT_EQ(build(), kBuildOk);
  const std::string listing = root_.at("deep/list.html");
  EXPECT_EQ(read_file(listing),
            "../../etc/passwd=etc/passwd ok/../../x=x.txt ");
  EXPECT_EQ(resolve(listing, "etc/passwd"), root_.at("deep/etc/passwd"));
}

TEST_F(Build, ArchiveFormatIsFoundByContentNotByName) {
  ASSERT_TRUE(write_gzip(root_.at("a.bin"), tar_of({"one.txt", "two.txt"})));
  settings_.source = variant(1);
  settings_.path = variant(std::string_view(root_.at("a.bin")));
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_NE(read_file(root_.at("out.html")).find("total:2/0"),
            std::string::npos);
}

TEST_F(Build, ArchiveProgressCountsEntriesRead) {
  struct last_report : build_progress {
    void on_progress(int64_t folders, int64_t entries, int64_t) override {
      this->folders = folders;
      this->entries = entries;
    }
    int64_t folders = -1, entries = -1;
  } progress;
  root_.write("a.tar", tar_of({"dir/", "dir/f.txt", "top.txt"}));
  settings_.source = variant(1);
  settings_.path = variant(std::string_view(root_.at("a.tar")));
  formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
  ASSERT_EQ(
      run_build(settings_, formatter_, root_.at("kvdata/"), &progress).code,
      kBuildOk);
  EXPECT_EQ(progress.entries, 3);
  EXPECT_EQ(progress.folders, 0);
}

TEST_F(Build, ExtensionSplitKeepsLeadingDotNamesWhole) {
  put(root_, "src/.profile", "x");
  put(root_, "src/archive.tar.gz", "x");
  settings_.order_files = variant(1);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_NE(read_file(root_.at("out.html"))
                .find("files:1=.profile 2=archive.tar.gz "),
            std::string::npos);
}

TEST_F(Build, LinksAreUrlEncodedOrHtmlEscaped) {
  put(root_, "src/x y/my file.txt", "x");
  root_.write("src/x y/a&b \"q\" caf\xC3\xA9.txt", "x");
  root_.write("kvdata/urls.txt",
              "<!--#for var=files--><!--#echo var=url_files-->\n"
              "<!--#endfor-->");
  settings_.format = variant("urls.txt");
  settings_.order_files = variant(1);
  recursive(true);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")),
            "src/x%20y/a%26b%20%22q%22%20caf%C3%A9.txt\n"
            "src/x%20y/my%20file.txt\n");
  settings_.url_html_escape = variant(1);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")),
            "src/x y/a&amp;b &quot;q&quot; caf\xC3\xA9.txt\n"
            "src/x y/my file.txt\n");
}

// What a listing replaces, and what it never does.

TEST_F(Build, ListingReplacesTheFileALinkPointsToKeepingItsPermissions) {
  put(root_, "src/a.txt", "x");
  put(root_, "real.html", "old");
  settings_.replace_existing = variant(1);
  ASSERT_EQ(chmod(root_.at("real.html").c_str(), 0640), 0);
  ASSERT_EQ(symlink("real.html", root_.at("out.html").c_str()), 0);
  ASSERT_EQ(build(), kBuildOk);
  struct stat st;
  ASSERT_EQ(lstat(root_.at("out.html").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(root_.at("real.html").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_NE(read_file(root_.at("real.html")).find("[a|"), std::string::npos);
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
}

TEST_F(Build, OutputThatIsTheArchiveOrTheTemplateIsRefused) {
  const std::string tar = tar_of({"one.txt"});
  root_.write("a.tar", tar);
  ASSERT_EQ(link(root_.at("a.tar").c_str(), root_.at("same.tar").c_str()), 0);
  settings_.source = variant(1);
  settings_.path = variant(std::string_view(root_.at("a.tar")));
  for (const char* save : {"a.tar", "same.tar", "kvdata/all.txt"}) {
    SCOPED_TRACE(save);
    settings_.save = variant(save);
    build_outcome outcome =
        run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
    EXPECT_EQ(outcome.code, kBuildCantCreateOutput);
    EXPECT_EQ(outcome.path, root_.at(save));
    EXPECT_NE(outcome.reason.find(save[0] == 'k' ? "the template"
                                                 : "the source archive"),
              std::string::npos);
  }
  EXPECT_EQ(read_file(root_.at("a.tar")), tar);
  EXPECT_EQ(read_file(root_.at("kvdata/all.txt")), kAllTemplate);
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
}

// Which files a listing replaces, and what it lists of its own.

build_outcome run(const settings_record& s, data_tables& f,
                  const scratch_folder& root) {
  f.load_tables(variant(std::string_view(root.at("kvdata"))));
  return run_build(s, f, root.at("kvdata/"), nullptr);
}

// Sets the modification time of path to a day long past.
void age(const std::string& path) {
  const struct timespec t[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), t, 0), 0) << path;
}

int64_t mtime_of(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mtim.tv_sec;
}

TEST_F(Build, AFileDirgenDidNotWriteIsReplacedOnlyWhenAllowed) {
  put(root_, "src/a.txt", "x");
  put(root_, "out.html", "hand made");
  build_outcome o = run(settings_, formatter_, root_);
  EXPECT_EQ(o.code, kBuildForeignOutput);
  EXPECT_EQ(result_line(o, false),
            "Can't replace a file Dirgen did not write. " + root_.at("out.html") +
                ": 1 of 1 such file (not written by Dirgen, or changed "
                "since); replace_existing 1 or --replace-existing allows it");
  EXPECT_EQ(o.refused, std::vector<std::string>{root_.at("out.html")});
  EXPECT_EQ(read_file(root_.at("out.html")), "hand made");
  EXPECT_FALSE(exists(root_.at(".dirgen-listings")));

  settings_.replace_existing = variant(1);
  o = run(settings_, formatter_, root_);
  ASSERT_EQ(o.code, kBuildOk);
  EXPECT_EQ(listings_line(o), "1 listing written, 0 already current.");
  // From now on the file is the build's own: replaced without asking.
  settings_.replace_existing = variant(0);
  put(root_, "src/b.txt", "x");
  o = run(settings_, formatter_, root_);
  ASSERT_EQ(o.code, kBuildOk);
  EXPECT_NE(read_file(root_.at("out.html")).find("[b|"), std::string::npos);
  // Until the user changes it.
  put(root_, "out.html", read_file(root_.at("out.html")) + "<!-- mine -->");
  EXPECT_EQ(run(settings_, formatter_, root_).code, kBuildForeignOutput);
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
}

TEST_F(Build, PerFolderRefusalNamesEveryForeignFileAndWritesNothing) {
  put(root_, "src/a.txt");
  put(root_, "src/one/b.txt");
  put(root_, "src/one/index.html", "mine");
  put(root_, "src/two/deeper/index.html", "mine too");
  recursive(false);
  settings_.save = variant("index.html");
  build_outcome o = run(settings_, formatter_, root_);
  EXPECT_EQ(o.code, kBuildForeignOutput);
  EXPECT_NE(o.reason.find("1 of 2 such files"), std::string::npos);
  std::vector<std::string> refused = o.refused;
  std::sort(refused.begin(), refused.end());
  EXPECT_EQ(refused, (std::vector<std::string>{
                         root_.at("src/one/index.html"),
                         root_.at("src/two/deeper/index.html")}));
  EXPECT_FALSE(exists(root_.at("src/index.html")));
  EXPECT_FALSE(exists(root_.at("src/two/index.html")));
  EXPECT_FALSE(exists(root_.at("src/.dirgen-listings")));
  EXPECT_EQ(read_file(root_.at("src/one/index.html")), "mine");
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});

  // Allowed, the user's files become listings, and are not listed as files.
  settings_.replace_existing = variant(1);
  o = run(settings_, formatter_, root_);
  ASSERT_EQ(o.code, kBuildOk) << o.reason;
  EXPECT_EQ(read_file(root_.at("src/one/index.html")),
            "[b|0|1|0|1||b.txt]\nfiles:1=b.txt \ntotal:1/0");
}

TEST_F(Build, SecondRunTouchesNoListingAndNoRunListsItsOwnFiles) {
  put(root_, "src/a.txt");
  put(root_, "src/sub/b.txt");
  root_.make_folder("src/sub/empty");
  recursive(false);
  settings_.save = variant("index.html");
  const std::vector<std::string> listings = {"src/index.html",
                                             "src/sub/index.html",
                                             "src/sub/empty/index.html"};
  build_outcome o = run(settings_, formatter_, root_);
  ASSERT_EQ(o.code, kBuildOk) << o.reason;
  EXPECT_EQ(listings_line(o), "3 listings written, 0 already current.");
  const std::string first = read_file(root_.at("src/index.html"));
  for (const std::string& l : listings) age(root_.at(l));
  age(root_.at("src/.dirgen-listings"));

  o = run(settings_, formatter_, root_);
  ASSERT_EQ(o.code, kBuildOk);
  EXPECT_EQ(listings_line(o), "0 listings written, 3 already current.");
  for (const std::string& l : listings) {
    EXPECT_EQ(mtime_of(root_.at(l)), 1000000000) << l;
  }
  EXPECT_EQ(mtime_of(root_.at("src/.dirgen-listings")), 1000000000);
  EXPECT_EQ(read_file(root_.at("src/index.html")), first);
  EXPECT_EQ(first, "[sub|0|1|1|1||sub/][a|0|2|0|1||a.txt]\nfiles:1=a.txt \n"
                   "total:1/1");

  // A new file changes its own folder's listing only.
  put(root_, "src/sub/c.txt");
  o = run(settings_, formatter_, root_);
  EXPECT_EQ(listings_line(o), "1 listing written, 2 already current.");
  EXPECT_EQ(mtime_of(root_.at("src/index.html")), 1000000000);
  EXPECT_NE(read_file(root_.at("src/sub/index.html")).find("[c|"),
            std::string::npos);
  const std::string cmd = "cd '" + root_.at("src") +
                          "' && sha256sum --quiet -c .dirgen-listings";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_F(Build, WritingListingsDoesNotChangeTheFolderTimesTheyShow) {
  put(root_, "src/a.txt");
  put(root_, "src/sub/deeper/b.txt");
  root_.write("kvdata/times.txt",
              "<!--#for var=all--><!--#echo var=name_all-->@<!--#echo "
              "var=time_all--> <!--#endfor-->");
  settings_.format = variant("times.txt");
  settings_.date_format = variant("%s");
  for (const char* folder : {"src", "src/sub", "src/sub/deeper"}) {
    age(root_.at(folder));
  }
  recursive(false);
  settings_.save = variant("index.html");
  build_outcome o = run(settings_, formatter_, root_);
  ASSERT_EQ(o.code, kBuildOk);
  EXPECT_NE(read_file(root_.at("src/index.html")).find("sub@1000000000"),
            std::string::npos);
  EXPECT_EQ(mtime_of(root_.at("src/sub")), 1000000000);
  o = run(settings_, formatter_, root_);
  EXPECT_EQ(listings_line(o), "0 listings written, 3 already current.");
  // One file per folder or one file, the record's folder keeps its time too.
  recursive(true);
  settings_.save = variant("sub/all.html");
  o = run(settings_, formatter_, root_);
  ASSERT_EQ(o.code, kBuildOk);
  EXPECT_EQ(mtime_of(root_.at("src/sub")), 1000000000);
  o = run(settings_, formatter_, root_);
  EXPECT_EQ(listings_line(o), "0 listings written, 1 already current.");
}

TEST_F(Build, SingleListingInsideItsSourceNeverListsItselfOrLeftovers) {
  put(root_, "src/a.txt");
  put(root_, "src/sub/b.txt");
  // A temporary file of a killed build, and one of a build still running.
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  const std::string stale =
      "src/.index.html.dirgen-" + std::to_string(child) + "-abcdef";
  const std::string running =
      "src/sub/.index.html.dirgen-" + std::to_string(getppid()) + "-abcdef";
  put(root_, stale);
  put(root_, running);
  recursive(true);
  settings_.save = variant("index.html");
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(run(settings_, formatter_, root_).code, kBuildOk);
    EXPECT_EQ(read_file(root_.at("src/index.html")),
              "[sub|1|1|1|1||sub/][b|0|2|0|1|sub/|sub/b.txt][|0|0|1|0||]"
              "[a|0|3|0|1||a.txt]\nfiles:1=b.txt 2=a.txt \ntotal:2/1");
  }
  EXPECT_FALSE(exists(root_.at(stale)));
  EXPECT_TRUE(exists(root_.at(running)));
}

TEST_F(Build, PerFolderListingsClearLeftoversOfKilledBuildsBesideThem) {
  put(root_, "src/a.txt");
  put(root_, "src/sub/deeper/b.txt");
  pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  const std::string stale =
      "src/sub/deeper/.index.html.dirgen-" + std::to_string(child) + "-abcdef";
  const std::string running =
      "src/sub/.index.html.dirgen-" + std::to_string(getppid()) + "-abcdef";
  put(root_, stale);
  put(root_, running);
  recursive(false);
  settings_.save = variant("index.html");
  ASSERT_EQ(run(settings_, formatter_, root_).code, kBuildOk);
  EXPECT_TRUE(exists(root_.at("src/sub/deeper/index.html")));
  EXPECT_FALSE(exists(root_.at(stale)));
  EXPECT_TRUE(exists(root_.at(running)));
}

// Child process: the file size limit makes every write past 100 bytes fail
// as on a full disk.
int build_with_a_full_disk(const settings_record& settings,
                           const data_tables& formatter,
                           const std::string& data) {
  signal(SIGXFSZ, SIG_IGN);
  rlimit limit{100, 100};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
  build_outcome outcome = run_build(settings, formatter, data, nullptr);
  std::fprintf(stderr, "%s\n", result_line(outcome, false).c_str());
  return outcome.code == kBuildCantCreateOutput &&
                 outcome.reason == "File too large"
             ? 0
             : 1;
}

TEST_F(Build, FailedWritesLeaveEveryOldListingWholeAndNoTemporaryFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int i = 0; i < 50; ++i) {
    put(root_, "src/sub/file" + std::to_string(i) + ".txt", "x");
  }
  put(root_, "src/a.txt", "x");
  put(root_, "out.html", "old listing");
  settings_.replace_existing = variant(1);
  recursive(true);
  formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
  EXPECT_EXIT(
      exit(build_with_a_full_disk(settings_, formatter_, root_.at("kvdata/"))),
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(read_file(root_.at("out.html")), "old listing");

  // One file per folder: the subfolder's listing cannot be made, so the
  // top folder's, written after it, is not put in place either.
  put(root_, "src/list.html", "old top");
  root_.make_folder("src/sub/list.html");
  recursive(false);
  settings_.save = variant("list.html");
  build_outcome outcome =
      run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
  EXPECT_EQ(outcome.code, kBuildCantCreateOutput);
  EXPECT_EQ(outcome.path, root_.at("src/sub/list.html"));
  EXPECT_EQ(outcome.reason, "Is a directory");
  EXPECT_EQ(read_file(root_.at("src/list.html")), "old top");
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
}

// Makes depth nested folders named "level" under top, each holding f.txt.
bool make_chain(const std::string& top, int depth) {
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; fd >= 0 && i < depth; ++i) {
    const int next = mkdirat(fd, "level", 0755) == 0
                         ? openat(fd, "level", O_RDONLY | O_DIRECTORY)
                         : -1;
    close(fd);
    fd = next;
    const int f = fd < 0 ? -1 : openat(fd, "f.txt", O_CREAT | O_WRONLY, 0644);
    if (f < 0) break;
    close(f);
  }
  if (fd < 0) return false;
  close(fd);
  return true;
}

// What a walk down the chain under top finds, through descriptors.
struct chain_contents {
  std::set<std::string> listed;  // what the listings name, relative to top
  std::set<std::string> found;   // the entries but listings and the record
  std::vector<std::string> temporary;  // temporary files
  int listings = 0;
};

// Walks the chain under top, reading each folder's entries and its
// index.html (one name per line). With mark, appends it to the deepest
// listing first.
chain_contents read_chain(const std::string& top, const char* mark = nullptr) {
  chain_contents c;
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  for (std::string rel; fd >= 0; rel += "level/") {
    DIR* d = fdopendir(dup(fd));
    while (const dirent* e = d ? readdir(d) : nullptr) {
      const std::string name = e->d_name;
      if (is_temporary_name(name, nullptr)) c.temporary.push_back(name);
      if (name != "." && name != ".." && name != "index.html" &&
          name != ".dirgen-listings") {
        c.found.insert(rel + name);
      }
    }
    if (d) closedir(d);
    const int next = openat(fd, "level", O_RDONLY | O_DIRECTORY);
    if (mark && next < 0) {
      const int out = openat(fd, "index.html", O_WRONLY | O_APPEND);
      if (out >= 0 && write(out, mark, strlen(mark)) > 0) close(out);
    }
    const int in = openat(fd, "index.html", O_RDONLY);
    std::string text;
    char buffer[4096];
    for (ssize_t n; in >= 0 && (n = read(in, buffer, sizeof buffer)) > 0;) {
      text.append(buffer, static_cast<size_t>(n));
    }
    if (in >= 0) {
      close(in);
      ++c.listings;
    }
    for (size_t start = 0, end;
         (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
      const std::string url = text.substr(start, end - start);
      c.listed.insert(rel + url.substr(0, url.find('/')));
    }
    close(fd);
    fd = next;
  }
  return c;
}

// Child: with the open-file limit at the common default, builds a listing
// in every folder of a chain deeper than that limit, then again over its
// own listings, then after the deepest was changed by hand. Exits 0 when
// each run did what it should, else says what went wrong.
int build_deep_chain(const settings_record& settings, data_tables& formatter,
                     const scratch_folder& root, int depth) {
  const rlimit limit{1024, 1024};
  if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 2;
  const std::string top = root.at("src");
  build_outcome o = run(settings, formatter, root);
  if (o.code != kBuildOk || o.unreadable != 0 ||
      o.listings_written != depth + 1) {
    std::fprintf(stderr, "first: %s (%lld unreadable, %s)\n",
                 result_line(o, false).c_str(),
                 static_cast<long long>(o.unreadable),
                 listings_line(o).c_str());
    return 3;
  }
  const chain_contents first = read_chain(top);
  if (first.found.size() != 2u * depth || first.listed != first.found ||
      first.listings != depth + 1 || !first.temporary.empty()) {
    std::fprintf(stderr, "entries %zu, listed %zu in %d, temporary %zu\n",
                 first.found.size(), first.listed.size(), first.listings,
                 first.temporary.size());
    return 4;
  }
  o = run(settings, formatter, root);
  if (o.code != kBuildOk || o.listings_current != depth + 1) {
    std::fprintf(stderr, "second: %s, %s\n", result_line(o, false).c_str(),
                 listings_line(o).c_str());
    return 5;
  }
  const chain_contents marked = read_chain(top, "mine\n");
  o = run(settings, formatter, root);
  const chain_contents after = read_chain(top);
  if (o.code != kBuildForeignOutput || o.refused_count != 1 ||
      o.refused[0].size() < 8000 || after.listed != marked.listed ||
      !after.temporary.empty()) {
    std::fprintf(stderr, "third: %s\n", result_line(o, false).c_str());
    return 6;
  }
  return 0;
}

TEST_F(Build, PerFolderListingsOfAChainDeeperThanTheOpenFileLimit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int depth = 1560;  // the deepest paths are over 9,000 bytes long
  ASSERT_TRUE(make_chain(root_.at("src"), depth));
  root_.write("kvdata/urls.txt",
              "<!--#for var=all--><!--#echo var=url_all-->\n<!--#endfor-->");
  settings_.format = variant("urls.txt");
  settings_.save = variant("index.html");
  recursive(false);
  EXPECT_EXIT(exit(build_deep_chain(settings_, formatter_, root_, depth)),
              testing::ExitedWithCode(0), "");
}

// Cancels at the first poll that comes after some output was written.
class cancel_after_output : public build_progress {
 public:
  void on_progress(int64_t, int64_t, int64_t bytes) override { bytes_ = bytes; }
  bool cancel_requested() override { return ++polls_ > 3; }

 private:
  int64_t bytes_ = 0;
  int polls_ = 0;
};

TEST_F(Build, CancelledBuildLeavesEveryOldListing) {
  put(root_, "src/a.txt", "x");
  put(root_, "src/sub/b.txt", "x");
  put(root_, "src/sub/deeper/c.txt", "x");
  put(root_, "src/sub/list.html", "old sub");
  settings_.replace_existing = variant(1);
  recursive(false);
  settings_.save = variant("list.html");
  cancel_after_output progress;
  formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
  build_outcome outcome =
      run_build(settings_, formatter_, root_.at("kvdata/"), &progress);
  EXPECT_EQ(outcome.code, kBuildCancelled);
  EXPECT_EQ(result_line(outcome, false), "Build was cancelled.");
  EXPECT_FALSE(exists(root_.at("src/list.html")));
  EXPECT_EQ(read_file(root_.at("src/sub/list.html")), "old sub");
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
}

TEST_F(Build, CancelWhileAnArchiveIsReadLeavesTheOldListing) {
  struct cancel_on_entries : build_progress {
    void on_progress(int64_t, int64_t entries, int64_t) override {
      this->entries = entries;
    }
    bool cancel_requested() override { return ++polls > 2; }
    int64_t entries = 0;
    int polls = 0;
  } progress;
  std::vector<std::string> names;
  for (int i = 0; i < 50; ++i) names.push_back("f" + std::to_string(i));
  root_.write("a.tar", tar_of(names));
  put(root_, "out.html", "old listing");
  settings_.replace_existing = variant(1);
  settings_.source = variant(1);
  settings_.path = variant(std::string_view(root_.at("a.tar")));
  formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
  build_outcome outcome =
      run_build(settings_, formatter_, root_.at("kvdata/"), &progress);
  EXPECT_EQ(outcome.code, kBuildCancelled);
  EXPECT_EQ(result_line(outcome, true), "Build was cancelled.");
  EXPECT_LT(progress.entries, 50);  // the read stopped, not just the output
  EXPECT_EQ(read_file(root_.at("out.html")), "old listing");
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
}

TEST_F(Build, PerFolderModeGivesEmptyFoldersTheirListingToo) {
  put(root_, "src/a.txt", "x");
  root_.make_folder("src/empty");
  recursive(false);
  settings_.save = variant("list.html");
  // The lists of entries do not exist in a listing without entries: an
  // unguarded loop would put the interpreter's error message into the
  // empty folder's listing, so the build fails and writes nothing.
  root_.write("kvdata/all.txt",
              "<!--#for var=all--><!--#echo var=name_all--><!--#endfor-->");
  build_outcome outcome =
      run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
  EXPECT_EQ(outcome.code, kBuildTemplateError);
  EXPECT_EQ(outcome.reason,
            "line 1, column 1: for over all, which a listing without such "
            "entries does not have");
  EXPECT_FALSE(exists(root_.at("src/list.html")));
  EXPECT_EQ(leftovers(root_.path()), std::vector<std::string>{});
  root_.write("kvdata/all.txt",
              "<!--#if var=total_files--><!--#for var=files-->"
              "<!--#echo var=name_files--><!--#endfor--><!--#endif-->"
              "total:<!--#echo var=total_files-->/"
              "<!--#echo var=total_folders-->");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("src/empty/list.html")), "total:0/0");
  EXPECT_EQ(read_file(root_.at("src/list.html")), "atotal:1/1");
}

TEST_F(Build, OutputPathIsRelativeToTheListedFolderOrTheArchivesFolder) {
  settings_record s;
  s.path = variant("/data/src/");
  s.save = variant("out/list.html");
  EXPECT_EQ(listing_output_path(s), "/data/src/out/list.html");
  s.save = variant("/abs/list.html");
  EXPECT_EQ(listing_output_path(s), "/abs/list.html");
  s.subfolders = variant(1);
  EXPECT_EQ(listing_output_path(s), "/data/src/list.html");
  s.subfolders = variant(0);
  s.source = variant(1);
  s.path = variant("/data/a.tar");
  s.save = variant("out/list.html");
  EXPECT_EQ(listing_output_path(s), "/data/out/list.html");
  s.path = variant("a.tar");
  EXPECT_EQ(listing_output_path(s), "out/list.html");
  s.save = variant("");
  EXPECT_EQ(listing_output_path(s), "");
}

TEST_F(Build, TiesKeepTheByteOrderOfTheFullNames) {
  for (const char* f : {"x.txt", "x.doc", "x.c", "Y.txt", "y.a"}) {
    put(root_, std::string("src/") + f, "same");
  }
  settings_.order_files = variant(1);  // name: x.c, x.doc, x.txt tie
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_NE(read_file(root_.at("out.html"))
                .find("files:1=Y.txt 2=x.c 3=x.doc 4=x.txt 5=y.a \n"),
            std::string::npos);
  settings_.order_files = variant(3);  // size: every file ties
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_NE(read_file(root_.at("out.html"))
                .find("files:1=Y.txt 2=x.c 3=x.doc 4=x.txt 5=y.a \n"),
            std::string::npos);
}

// A value or a pattern no build can use stops the build before anything is
// read: the old listing stays as it was.
TEST_F(Build, RefusedSettingsAndPatternsLeaveTheOldListing) {
  put(root_, "src/a.txt", "x");
  put(root_, "out.html", "mine");
  settings_.replace_existing = variant(1);  // the good case replaces it
  struct Case {
    const char* key;
    const char* value;
    const char* line_start;
  } cases[] = {
      {"size_units", "1Kb", "Bad value \"1Kb\" for size_units: it has "},
      {"subfolders", "yes", "Bad value \"yes\" for subfolders: "},
      {"mask", "*.(txt", "Invalid pattern \"*.(txt\" in mask: "},
      {"folder_skip", "[ab]*.bak; old", ""},  // good: the build runs
      {"skip_files", "[z", "Invalid pattern \"[z\" in skip_files: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    settings_record saved = settings_;
    *settings_field(&settings_, c.key) = variant(c.value);
    build_outcome outcome =
        run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
    settings_ = saved;
    if (*c.line_start == 0) {
      EXPECT_EQ(outcome.code, kBuildOk);
      put(root_, "out.html", "mine");
      continue;
    }
    EXPECT_EQ(outcome.code, kBuildSettingsRefused);
    const std::string line = result_line(outcome, false);
    EXPECT_EQ(line.rfind(c.line_start, 0), 0u) << line;
    EXPECT_EQ(read_file(root_.at("out.html")), "mine");
  }
}

// Saved anywhere, a listing's links open its entries: from a folder beside,
// above or below the listed one, through a linked path.
TEST_F(Build, LinksOpenTheirEntriesWhereverTheListingIsSaved) {
  put(root_, "my src/sub dir/b&c.txt", "b");
  put(root_, "my src/a%20.txt", "a");
  root_.write("kvdata/urls.txt",
              "<!--#for var=all--><!--#echo var=url_all-->\n<!--#endfor-->");
  root_.make_folder("far/away");
  ASSERT_EQ(symlink(root_.at("my src").c_str(), root_.at("alias").c_str()), 0);
  ASSERT_EQ(symlink(root_.at("far/away").c_str(), root_.at("near").c_str()),
            0);
  settings_.format = variant("urls.txt");
  settings_.path = variant(std::string_view(root_.at("alias")));
  recursive(true);
  settings_.order_files = variant(1);
  settings_.skip_files = variant("list.html");
  for (const char* out : {"far/away/list.html", "near/list.html", "list.html",
                          "my src/sub dir/list.html", "my src/list.html"}) {
    SCOPED_TRACE(out);
    const std::string listing = root_.at(out);
    settings_.save = variant(std::string_view(listing));
    ASSERT_EQ(build(), kBuildOk);
    std::vector<std::string> found;
    std::string text = read_file(listing);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos;
         at = end + 1) {
      const std::string href = text.substr(at, end - at);
      if (href.empty()) continue;  // the folder-end marker
      found.push_back(href);
    }
    ASSERT_EQ(found.size(), 3u) << text;
    // Folders come first: sub dir, its file, then a%20.txt.
    EXPECT_TRUE(same_file(resolve(listing, found[0]),
                          root_.at("my src/sub dir")))
        << found[0];
    EXPECT_TRUE(same_file(resolve(listing, found[1]),
                          root_.at("my src/sub dir/b&c.txt")))
        << found[1];
    EXPECT_TRUE(same_file(resolve(listing, found[2]),
                          root_.at("my src/a%20.txt")))
        << found[2];
  }
  // Published elsewhere, every link starts at the base address.
  settings_.base_url = variant("https://example.org/files");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("my src/list.html")),
            "https://example.org/files/sub%20dir/\n"
            "https://example.org/files/sub%20dir/b%26c.txt\n\n"
            "https://example.org/files/a%2520.txt\n");
}

// Each listing of a per-folder build names its folder, its way back to the
// top, and shows its own README.
TEST_F(Build, PerFolderListingsNameTheirFolderTrailAndReadme) {
  put(root_, "src/README", "top <b>");
  put(root_, "src/sub/deeper/README.md", "# deep");
  put(root_, "src/sub/x.txt", "x");
  root_.write("kvdata/where.txt",
              "<!--#echo var=title-->|<!--#echo var=folder_path-->|"
              "<!--#for var=name_trail--><!--#echo var=name_trail-->=<!--#echo "
              "var=url_trail--> <!--#endfor-->|<!--#echo var=parent_listing-->|"
              "<!--#echo var=readme_name-->:<!--#echo var=readme_text-->");
  settings_.format = variant("where.txt");
  settings_.save = variant("i.html");
  recursive(false);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("src/i.html")),
            "src|src|src=i.html ||README:top &lt;b&gt;");
  EXPECT_EQ(read_file(root_.at("src/sub/i.html")),
            "sub|src/sub|src=../i.html sub=i.html |../i.html|:");
  EXPECT_EQ(read_file(root_.at("src/sub/deeper/i.html")),
            "deeper|src/sub/deeper|src=../../i.html sub=../i.html "
            "deeper=i.html |../i.html|README.md:# deep");
  // A README the filters leave out is not shown; a title names every page.
  settings_.skip_files = variant("README*");
  settings_.title = variant("Files");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("src/i.html")), "Files|src|src=i.html ||:");
}

// With no images folder set (the default), the page carries its icons,
// read from the shipped icons beside the data folder.
TEST_F(Build, DefaultListingCarriesItsIcons) {
  put(root_, "src/a.txt", "x");
  root_.write("kvdata/type2img.txt", "<other>f.svg</other>");
  root_.write("images/f.svg", "<svg/>");
  root_.write("kvdata/icons.txt",
              "<!--#echo var=icon_css-->|<!--#for var=files--><!--#echo "
              "var=image_files--> <!--#echo var=icon_class_files--><!--#endfor-->");
  settings_.format = variant("icons.txt");
  EXPECT_EQ(settings_.image_dir.str(), "");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")),
            ".i-f_2Esvg{background-image:url(\"data:image/svg+xml;base64,"
            "PHN2Zy8+\")}|data:image/svg+xml;base64,PHN2Zy8+ i-f_2Esvg");
  settings_.image_dir = variant("/images/public");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(read_file(root_.at("out.html")),
            ".i-f_2Esvg{background-image:url(\"/images/public/f.svg\")}|"
            "/images/public/f.svg i-f_2Esvg");
}

TEST(ResultLine, GivesTheMessageThenThePathAndTheReason) {
  build_outcome o;
  EXPECT_EQ(result_line(o, false), "Build is successful.");
  o.unreadable = 26;
  EXPECT_EQ(result_line(o, false),
            "Build is complete; 26 entries could not be read.");
  o.unreadable = 1;
  EXPECT_EQ(result_line(o, true),
            "Build is complete; 1 entry could not be read.");
  o = build_outcome();
  o.code = kBuildSettingsRefused;
  o.reason = "Unknown key \"sav\".";
  EXPECT_EQ(result_line(o, false), "Unknown key \"sav\".");
  o = build_outcome();
  o.code = kBuildSourceMissing;
  o.path = "/x/src";
  o.reason = "No such file or directory";
  EXPECT_EQ(result_line(o, false),
            "Source directory doesn't exist. /x/src: No such file or "
            "directory");
  o.code = kBuildNoEntries;
  o.reason.clear();
  EXPECT_EQ(result_line(o, true), "File is not valid tar archive. /x/src");
}

}  // namespace
