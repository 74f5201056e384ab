// Hostile sources for a whole build: extreme names and paths, a huge
// folder, link loops, folders that cannot be read, an output path that is a
// folder and damaged archives. Each build must end with its documented
// code and message, and write nothing but its output file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "listing/archive_fixture_test_util.h"
#include "listing/build.h"
#include "project/data_tables.h"
#include "project/settings_record.h"
#include "support/scratch_folder.h"
#include "tree_snapshot.h"

namespace {

// One line per node: [relative path, name, extension].
const char kTemplate[] =
    "<!--#for var=all-->[<!--#echo var=rel_path_all--><!--#echo "
    "var=name_all--><!--#echo var=ext_all-->]\n<!--#endfor-->"
    "total:<!--#echo var=total_files-->/<!--#echo var=total_folders-->";

std::string message_of(int code, const variant& source) {
  variant message("(none)");
  result_message(code, &message, source);
  return message.str();
}

class HostileBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    ASSERT_TRUE(root_.write("kvdata/list.txt", kTemplate));
    ASSERT_TRUE(root_.make_folder("src"));
    settings_.path = variant(std::string_view(root_.at("src")));
    settings_.save = variant(std::string_view(root_.at("out.html")));
    settings_.format = variant("list.txt");
    settings_.order_files = variant(1);
  }

  // Runs the build and records every change it made to the scratch tree.
  int build() { return build_outcome_of().code; }
  build_outcome build_outcome_of() {
    formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
    tree_snapshot before = snapshot(root_.path());
    build_outcome outcome =
        run_build(settings_, formatter_, root_.at("kvdata/"), nullptr);
    changed_ = changes(before, snapshot(root_.path()));
    return outcome;
  }
  void recursive() {
    settings_.subfolders = variant(1);
    settings_.subfolders_in_one_file = variant(1);
  }
  void archive(const std::string& name) {
    settings_.source = variant(1);
    settings_.path = variant(std::string_view(root_.at(name)));
  }
  std::string output() const { return read_file(root_.at("out.html")); }

  // In memory where the system has it: a hundred thousand files take a
  // disk-backed folder tens of seconds on a busy machine.
  scratch_folder root_{"/dev/shm"};
  settings_record settings_;
  data_tables formatter_;
  std::vector<std::string> changed_;
};

// The listing, and the record of the listings written beside it.
const std::vector<std::string> kOnlyOutput = {"+.dirgen-listings",
                                              "+out.html"};
const std::vector<std::string> kNothing = {};

TEST_F(HostileBuild, LongestNamesAreListedWhole) {
  const std::string file = std::string(251, 'f') + ".txt";
  const std::string folder(255, 'd');
  ASSERT_TRUE(root_.write("src/" + file, "x"));
  ASSERT_TRUE(root_.write("src/" + folder + "/" + file, "y"));
  recursive();
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(changed_, kOnlyOutput);
  const std::string out = output();
  EXPECT_NE(out.find("[" + std::string(251, 'f') + ".txt]"), std::string::npos);
  EXPECT_NE(out.find("[" + folder + "/" + std::string(251, 'f') + ".txt]"),
            std::string::npos);
  EXPECT_NE(out.find("total:2/1"), std::string::npos);
}

TEST_F(HostileBuild, PathsOfMoreThanEightThousandBytesAreListedToTheBottom) {
  // Made level by level through descriptors: the whole path is longer than
  // any path the system calls take.
  int fd = open(root_.at("src").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  const std::string level(250, 'q');
  std::string rel;
  for (int depth = 0; depth < 33; ++depth) {
    ASSERT_EQ(mkdirat(fd, level.c_str(), 0700), 0);
    int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    rel += level + "/";
  }
  int file = openat(fd, "bottom.txt", O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(file, 0);
  close(file);
  close(fd);
  ASSERT_GT((root_.at("src/") + rel + "bottom.txt").size(), 8000u);
  recursive();
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(changed_, kOnlyOutput);
  EXPECT_NE(output().find("[" + rel + "bottom.txt]"), std::string::npos);

  // One file per folder: the deepest folder gets its listing too.
  settings_.subfolders_in_one_file = variant(0);
  settings_.save = variant("list.html");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(changed_.size(), 35u);  // and the record
  EXPECT_EQ(changed_.back(), "+src/" + rel + "list.html");
}

TEST_F(HostileBuild, FolderOfOneHundredThousandEntriesIsListedWhole) {
  int dir = open(root_.at("src").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dir, 0);
  char name[32];
  for (int i = 0; i < 100000; ++i) {
    snprintf(name, sizeof name, "f%06d.txt", i);
    int fd = openat(dir, name, O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0) << name;
    close(fd);
  }
  close(dir);
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(changed_, kOnlyOutput);
  const std::string out = output();
  EXPECT_EQ(out.substr(0, 12), "[f000000.txt");
  EXPECT_NE(out.find("[f099999.txt]\ntotal:100000/0"), std::string::npos);
}

TEST_F(HostileBuild, SymbolicLinkLoopsAreListedButNeverEntered) {
  ASSERT_TRUE(root_.write("src/a/file.txt", "x"));
  ASSERT_EQ(symlink("..", root_.at("src/a/up").c_str()), 0);
  ASSERT_EQ(symlink("loop2", root_.at("src/loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", root_.at("src/loop2").c_str()), 0);
  ASSERT_EQ(symlink("self", root_.at("src/self").c_str()), 0);
  recursive();
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(changed_, kOnlyOutput);
  const std::string out = output();
  EXPECT_NE(out.find("[a/up]"), std::string::npos);
  EXPECT_EQ(out.find("up/"), std::string::npos);
  EXPECT_NE(out.find("[loop1]"), std::string::npos);
  EXPECT_NE(out.find("[self]"), std::string::npos);
}

TEST_F(HostileBuild, LinkLoopsInPerFolderModeEndToo) {
  ASSERT_TRUE(root_.write("src/a/file.txt", "x"));
  ASSERT_EQ(symlink("..", root_.at("src/a/up").c_str()), 0);
  ASSERT_EQ(symlink("../a", root_.at("src/a/again").c_str()), 0);
  settings_.subfolders = variant(1);
  settings_.subfolders_in_one_file = variant(0);
  settings_.save = variant("list.html");
  ASSERT_EQ(build(), kBuildOk);
  const std::vector<std::string> want = {
      "+src/.dirgen-listings", "+src/a/list.html", "+src/list.html"};
  EXPECT_EQ(changed_, want);
}

// Collects what the build could not read.
class unreadable_log : public build_progress {
 public:
  void on_progress(int64_t, int64_t, int64_t) override {}
  void on_unreadable(const std::string& path,
                     const std::string& reason) override {
    lines.push_back(path + ": " + reason);
  }
  std::vector<std::string> lines;
};

// Child process, as "nobody" when started as root, so that permissions
// apply: builds and prints what it reported; exits 0 when the listing holds
// what could be read and the locked folder was reported.
int build_as_nobody(const settings_record& settings,
                    const data_tables& formatter, const std::string& data,
                    const std::string& locked, const std::string& out) {
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
  unreadable_log log;
  build_outcome outcome = run_build(settings, formatter, data, &log);
  for (const std::string& line : log.lines)
    fprintf(stderr, "%s\n", line.c_str());
  const std::string listing = read_file(out);
  const std::vector<std::string> want = {locked + ": Permission denied"};
  return outcome.code == kBuildOk && outcome.unreadable == 1 &&
                 log.lines == want &&
                 listing.find("[locked]") != std::string::npos &&
                 listing.find("[open.txt]") != std::string::npos &&
                 listing.find("inner") == std::string::npos
             ? 0
             : 1;
}

TEST_F(HostileBuild, UnreadableSubfolderIsReportedAndTheRestIsListed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ASSERT_TRUE(root_.write("src/locked/inner.txt", "secret"));
  ASSERT_TRUE(root_.write("src/open.txt", "x"));
  // Everything but the locked folder is open to anyone.
  ASSERT_EQ(chmod(root_.path().c_str(), 0777), 0);
  for (const char* f : {"src", "kvdata"}) {
    ASSERT_EQ(chmod(root_.at(f).c_str(), 0777), 0);
  }
  ASSERT_EQ(chmod(root_.at("kvdata/list.txt").c_str(), 0644), 0);
  ASSERT_EQ(chmod(root_.at("src/locked").c_str(), 0), 0);
  recursive();
  formatter_.load_tables(variant(std::string_view(root_.at("kvdata"))));
  EXPECT_EXIT(
      exit(build_as_nobody(settings_, formatter_, root_.at("kvdata/"),
                           root_.at("src/locked"), root_.at("out.html"))),
      testing::ExitedWithCode(0), "");
}

TEST_F(HostileBuild, OutputPathThatIsAFolderFailsAndWritesNothing) {
  ASSERT_TRUE(root_.write("src/a.txt", "x"));
  ASSERT_TRUE(root_.make_folder("outdir"));
  settings_.save = variant(std::string_view(root_.at("outdir")));
  int code = build();
  EXPECT_EQ(code, kBuildCantCreateOutput);
  EXPECT_EQ(message_of(code, settings_.source), "Can't create output file.");
  EXPECT_EQ(changed_, kNothing);
  // Nor into a folder the build cannot write to.
  settings_.save = variant(std::string_view(root_.at("nowhere/out.html")));
  EXPECT_EQ(build(), kBuildCantCreateOutput);
  EXPECT_EQ(changed_, kNothing);
}

TEST_F(HostileBuild, OutputThatIsTheSourceArchiveByAnyPathChangesNothing) {
  ASSERT_TRUE(root_.write("a.tar", tar_of({"one.txt", "two.txt"})));
  ASSERT_EQ(symlink("a.tar", root_.at("link.html").c_str()), 0);
  ASSERT_EQ(link(root_.at("a.tar").c_str(), root_.at("hard.html").c_str()), 0);
  archive("a.tar");
  for (const char* save : {"a.tar", "link.html", "hard.html", "./a.tar"}) {
    settings_.save = variant(save);
    EXPECT_EQ(build(), kBuildCantCreateOutput) << save;
    EXPECT_EQ(changed_, kNothing) << save;
  }
  settings_.save = variant("kvdata/list.txt");  // the template
  EXPECT_EQ(build(), kBuildCantCreateOutput);
  EXPECT_EQ(changed_, kNothing);
}

TEST_F(HostileBuild, FailedBuildsLeaveNoTemporaryFileAnywhere) {
  ASSERT_TRUE(root_.write("src/a.txt", "x"));
  ASSERT_TRUE(root_.write("src/b/c/d.txt", "x"));
  ASSERT_TRUE(root_.write("src/list.html", "old"));
  ASSERT_TRUE(root_.make_folder("src/b/c/list.html"));  // cannot be replaced
  settings_.subfolders = variant(1);
  settings_.subfolders_in_one_file = variant(0);
  settings_.save = variant("list.html");
  EXPECT_EQ(build(), kBuildCantCreateOutput);
  EXPECT_EQ(changed_, kNothing);
  settings_.format = variant("missing.txt");
  EXPECT_EQ(build(), kBuildNoTemplate);
  EXPECT_EQ(changed_, kNothing);
}

TEST_F(HostileBuild, TarClaimingMoreDataThanItHoldsIsNotValid) {
  tar_fields big;
  big.name = "big.bin";
  big.size = 1000000;
  tar_fields huge;
  huge.name = "huge.bin";
  huge.size = int64_t{1} << 40;  // one TiB, in octal
  for (const tar_fields& fields : {big, huge}) {
    ASSERT_TRUE(
        root_.write("lie.tar", tar_block(fields) + std::string(512, 'd')));
    ASSERT_TRUE(
        write_gzip(root_.at("lie.tgz"), read_file(root_.at("lie.tar"))));
    for (const char* name : {"lie.tar", "lie.tgz"}) {
      archive(name);
      int code = build();
      EXPECT_EQ(code, kBuildNoEntries) << name << " " << fields.name;
      EXPECT_EQ(message_of(code, settings_.source),
                "File is not valid tar archive.");
      EXPECT_EQ(changed_, kNothing);
    }
  }
}

TEST_F(HostileBuild, ZipWithItsCentralDirectoryCutCannotBeDecompressed) {
  if (!have_tool("zip")) GTEST_SKIP() << "zip is missing";
  ASSERT_TRUE(run_command(
      "cd " + shell_quoted(root_.at("")) +
      " && mkdir -p z/docs && cd z && for f in docs/a.txt docs/b.txt x.bin;"
      " do echo \"contents of $f\" > $f; done && zip -qr ../whole.zip ."));
  const std::string whole = read_file(root_.at("whole.zip"));
  // The end record (22 bytes) gives the directory's size and offset.
  ASSERT_GT(whole.size(), 22u);
  const size_t end_record = whole.size() - 22;
  auto le32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
      v = (v << 8) | static_cast<uint8_t>(whole[at + i]);
    return v;
  };
  const size_t dir_start = le32(end_record + 16);
  ASSERT_LT(dir_start, end_record);
  const std::string cut_tail = whole.substr(0, end_record - 10);
  const std::string cut_middle =
      whole.substr(0, dir_start + (end_record - dir_start) / 2) +
      whole.substr(end_record);
  for (const std::string& bytes : {cut_tail, cut_middle}) {
    ASSERT_TRUE(root_.write("cut.zip", bytes));
    archive("cut.zip");
    int code = build();
    EXPECT_EQ(code, kBuildCantUnzip) << bytes.size();
    EXPECT_EQ(message_of(code, settings_.source), "Can't decompress zip file.");
    EXPECT_EQ(changed_, kNothing);
  }
}

TEST_F(HostileBuild, ArchivePathNestedFiftyThousandDeepIsRefusedNotListed) {
  // One entry, a hundred kilobytes of pax path: listing every folder's
  // path would take gigabytes.
  std::string path;
  for (int i = 0; i < 50000; ++i) path += "a/";
  path += "f.txt";
  std::string pax = " path=" + path + "\n";
  std::string digits = std::to_string(pax.size() + 7);
  pax = std::to_string(pax.size() + digits.size()) + pax;
  ASSERT_TRUE(root_.write("deep.tar", tar_member({.name = "PaxHeader",
                                                  .type = 'x',
                                                  .magic = std::string("ustar\0"
                                                                       "00",
                                                                       8)},
                                                 pax) +
                                          tar_member({.name = "f.txt"}, "f") +
                                          tar_end()));
  // Gzipped, the gzip is intact and is not what the build blames.
  ASSERT_TRUE(
      write_gzip(root_.at("deep.tgz"), read_file(root_.at("deep.tar"))));
  for (const char* name : {"deep.tar", "deep.tgz"}) {
    archive(name);
    build_outcome outcome = build_outcome_of();
    EXPECT_EQ(outcome.code, kBuildNoEntries) << name;
    EXPECT_EQ(result_line(outcome, true),
              "File is not valid tar archive. " + root_.at(name) +
                  ": folders nest too deep to be listed");
    EXPECT_EQ(changed_, kNothing);
  }
}

// A download cut short: wherever the cut falls (at a block boundary, inside
// a header), the build stops and names the archive damaged, where bsdtar
// also fails; cut after the end block, the listing is whole.
TEST_F(HostileBuild, TarCutAnywhereIsNeverListedInPart) {
  ASSERT_TRUE(make_five_file_gnu_tar(root_.at("")));
  const std::string whole = read_file(root_.at("five.tar"));
  archive("cut.tar");
  ASSERT_TRUE(root_.write("cut.tar", whole));
  ASSERT_EQ(build(), kBuildOk);
  const std::string full = output();
  EXPECT_NE(full.find("total:5/1"), std::string::npos) << full;
  ASSERT_TRUE(root_.write("cut.tar", whole + std::string(4096, '\0')));
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(output(), full);
  size_t end = 0;  // the end block: the first zero block (data is text)
  while (whole.compare(end, 512, std::string(512, '\0')) != 0) end += 512;
  const bool bsdtar = have_tool("bsdtar");
  for (size_t block = 0; block < end; block += 512) {
    bool header = whole.compare(block, 2, "./") == 0;  // all names
    for (size_t at : {0, 1, 100, 156, 257, 511}) {
      if (!header && at != 0 && at != 1) continue;
      if (block + at == 0) continue;  // an empty file is an empty archive
      const std::string cut = whole.substr(0, block + at);
      ASSERT_TRUE(root_.write("cut.tar", cut));
      build_outcome outcome = build_outcome_of();
      EXPECT_EQ(outcome.code, kBuildNoEntries) << "cut at " << cut.size();
      EXPECT_EQ(message_of(outcome.code, settings_.source),
                "File is not valid tar archive.");
      EXPECT_EQ(output(), full) << "cut at " << cut.size();  // untouched
      if (bsdtar && header && at != 0) {
        EXPECT_FALSE(run_command("bsdtar -tf " +
                                 shell_quoted(root_.at("cut.tar")) +
                                 " >/dev/null 2>&1"))
            << "bsdtar lists the tar cut at " << cut.size();
      }
    }
  }
}

// Deflate data damaged in the middle often inflates into garbage that
// looks like a damaged tar header; gzip's checksum says what broke.
TEST_F(HostileBuild, GzipDamagedInTheMiddleNamesTheGzip) {
  std::string tar;
  uint32_t seed = 7;
  for (int i = 0; i < 40; ++i) {
    const std::string text = random_letters(&seed, 3000);
    tar += tar_member({.name = "file" + std::to_string(i) + ".txt"}, text);
  }
  ASSERT_TRUE(write_gzip(root_.at("a.tgz"), tar + tar_end()));
  const std::string whole = read_file(root_.at("a.tgz"));
  archive("bad.tgz");
  int failed = 0;
  for (size_t at = 20; at + 8 < whole.size() && failed < 3;
       at += whole.size() / 100) {
    std::string bytes = whole;
    bytes[at] = static_cast<char>(bytes[at] ^ 4);
    ASSERT_TRUE(root_.write("bad.tgz", bytes));
    build_outcome outcome = build_outcome_of();
    if (outcome.code == kBuildOk) continue;
    ++failed;
    EXPECT_EQ(message_of(outcome.code, settings_.source),
              "Can't decompress gz file.")
        << at << ": " << outcome.reason;
    EXPECT_NE(outcome.reason.find("gzip"), std::string::npos) << at;
  }
  EXPECT_GT(failed, 0);
}

// Names the archive gives in bytes other than its declared charset: GNU
// tar's pax path of a Latin-1 file name, and an old Windows zip's CP437.
TEST_F(HostileBuild, OddlyEncodedArchiveNamesAreListed) {
  ASSERT_TRUE(run_command("cd " + shell_quoted(root_.at("")) +
                          " && mkdir latin && printf x > latin/caf$(printf "
                          "'\\351').txt && tar --format=posix -cf latin.tar "
                          "-C latin ."));
  archive("latin.tar");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_NE(output().find("[caf\xe9.txt]"), std::string::npos) << output();
  if (!have_tool("python3")) GTEST_SKIP() << "python3 is missing";
  ASSERT_TRUE(root_.write(
      "raw.py",
      "import sys, zipfile\n"
      "class Raw(zipfile.ZipInfo):\n"
      "    __slots__ = ('raw',)\n"
      "    def _encodeFilenameFlags(self):\n"
      "        return self.raw, self.flag_bits & ~0x800\n"
      "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
      "    info = Raw('cafe.txt', date_time=(2020, 1, 2, 3, 4, 6))\n"
      "    info.raw = b'caf\\x82.txt'\n"
      "    z.writestr(info, b'x')\n"));
  ASSERT_TRUE(run_command("python3 " + shell_quoted(root_.at("raw.py")) + " " +
                          shell_quoted(root_.at("old.zip"))));
  archive("old.zip");
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_NE(output().find("[caf\xc3\xa9.txt]"), std::string::npos) << output();
}

// Reading a fifo would wait for a writer for ever, a character device
// could give endless bytes: both are refused before anything is read.
TEST_F(HostileBuild, FifoOrDeviceAsTheArchiveIsRefusedAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ASSERT_EQ(mkfifo(root_.at("pipe.tar").c_str(), 0644), 0);
  struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {root_.at("pipe.tar"), "it is a fifo (named pipe), not a file"},
      {"/dev/zero", "it is a character device, not a file"},
  };
  for (const auto& c : cases) {
    settings_.source = variant(1);
    settings_.path = variant(std::string_view(c.path));
    // In a child, so that a build that blocks ends with the alarm.
    EXPECT_EXIT(
        {
          alarm(20);
          build_outcome outcome = build_outcome_of();
          exit(outcome.code == kBuildSourceWrongKind &&
                       result_line(outcome, true) ==
                           "Source must be an archive file. " + c.path + ": " +
                               c.reason &&
                       changed_.empty()
                   ? 0
                   : 1);
        },
        testing::ExitedWithCode(0), "")
        << c.path;
  }
}

TEST_F(HostileBuild, TemplateThatNeverClosesADirectiveIsCopiedAfterIt) {
  const std::string text =
      "<ul><!--#for var=all--><li><!--#echo var=name_all--></li>"
      "<!--#endfor--></ul><!--#echo var=\"name_all --> never closed";
  ASSERT_TRUE(root_.write("kvdata/list.txt", text));
  ASSERT_TRUE(root_.write("src/a.txt", "x"));
  ASSERT_EQ(build(), kBuildOk);
  EXPECT_EQ(changed_, kOnlyOutput);
  EXPECT_EQ(output(),
            "<ul><li>a</li></ul><!--#echo var=\"name_all --> never closed");
}

}  // namespace
