// Archives made at test time by the real tools, each listed by us and by
// the tool's own listing (GNU tar, bsdtar, zipinfo); the two must agree on
// names, kinds, sizes, times and folder structure. Then damaged archives,
// which must fail with the right kind of failure and never list anything.
#include "listing/archive_reader.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "listing/archive_fixture_test_util.h"
#include "support/scratch_folder.h"

namespace {

// One entry of a listing: "D path time" for a folder, "F path size time"
// for anything else. Paths without "./", leading or trailing "/".
using listing = std::vector<std::string>;

// Builds the sorted listing a correct reader gives for the entries a tool
// listed: each folder once, folders implied by paths added, and a folder
// without an entry of its own timed by the newest entry below it.
class expected_listing {
 public:
  void add(std::string path, bool folder, int64_t size, int64_t time) {
    while (path.rfind("./", 0) == 0) path.erase(0, 2);
    while (!path.empty() && path[0] == '/') path.erase(0, 1);
    while (!path.empty() && path.back() == '/') path.pop_back();
    if (path.empty() || path == ".") return;
    for (size_t s = path.find('/'); s != std::string::npos;
         s = path.find('/', s + 1)) {
      folders_.try_emplace(path.substr(0, s), kImplied);
    }
    if (folder) {
      folders_[path] = time;
    } else {
      files_.push_back("F " + path + " " + std::to_string(size) + " " +
                       std::to_string(time));
      times_.emplace_back(path, time);
    }
  }

  listing lines() const {
    listing out = files_;
    for (const auto& [path, time] : folders_) {
      out.push_back("D " + path + " " + std::to_string(time_of(path, time)));
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  static constexpr int64_t kImplied = -1;
  int64_t time_of(const std::string& folder, int64_t stored) const {
    if (stored != kImplied) return stored;
    int64_t newest = 0;
    std::string prefix = folder + "/";
    for (const auto& [path, time] : times_) {
      if (path.rfind(prefix, 0) == 0) newest = std::max(newest, time);
    }
    for (const auto& [path, time] : folders_) {
      if (path.rfind(prefix, 0) == 0) {
        newest = std::max(newest, time_of(path, time));
      }
    }
    return newest;
  }
  std::map<std::string, int64_t> folders_;
  listing files_;
  std::vector<std::pair<std::string, int64_t>> times_;
};

// The name part of a tool's line: what follows the first n fields, less a
// link's target.
std::string name_after_fields(const std::string& line, int n, char type) {
  size_t pos = 0;
  for (int i = 0; i < n; ++i) {
    pos = line.find_first_not_of(' ', pos);
    pos = line.find(' ', pos);
  }
  std::string name = line.substr(line.find_first_not_of(' ', pos));
  if (type == 'l') name = name.substr(0, name.find(" -> "));
  // bsdtar marks a hard link so whatever its type letter.
  return name.substr(0, name.find(" link to "));
}

int64_t size_field(const std::string& text) {
  // A device shows "major,minor" where others show a size.
  return text.find(',') == std::string::npos ? std::stoll(text) : 0;
}

int64_t utc(int year, int mon, int day, int hour, int min, int sec) {
  struct tm t = {};
  t.tm_year = year - 1900, t.tm_mon = mon - 1, t.tm_mday = day;
  t.tm_hour = hour, t.tm_min = min, t.tm_sec = sec;
  return timegm(&t);
}

// GNU tar --full-time -tv: "perm owner size yyyy-mm-dd hh:mm:ss name".
void parse_gnu_tar(const std::string& line, expected_listing* out) {
  std::istringstream in(line);
  std::string perm, owner, size;
  int y, mo, d, h, mi, s;
  char c;
  in >> perm >> owner >> size >> y >> c >> mo >> c >> d >> h >> c >> mi >> c >>
      s;
  if (perm[0] == 'V' || perm[0] == 'M') return;  // volume label, continuation
  out->add(name_after_fields(line, 5, perm[0]), perm[0] == 'd',
           size_field(size), utc(y, mo, d, h, mi, s));
}

// bsdtar -tv: "perm links owner group size Mon dd hh:mm name" for times of
// the last six months (which the fixtures keep to), "Mon dd yyyy" else.
void parse_bsdtar(const std::string& line, expected_listing* out) {
  std::istringstream in(line);
  std::string perm, links, owner, group, size, month, clock;
  int day;
  in >> perm >> links >> owner >> group >> size >> month >> day >> clock;
  static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  int mon = static_cast<int>(kMonths.find(month)) / 3 + 1;
  time_t now = time(nullptr);
  struct tm today;
  gmtime_r(&now, &today);
  int64_t t;
  if (clock.find(':') == std::string::npos) {
    t = utc(std::stoi(clock), mon, day, 0, 0, 0);
  } else {
    int hour = std::stoi(clock), min = std::stoi(clock.substr(3));
    t = utc(today.tm_year + 1900, mon, day, hour, min, 0);
    if (t > now + 86400) t = utc(today.tm_year + 1899, mon, day, hour, min, 0);
  }
  out->add(name_after_fields(line, 8, perm[0]), perm[0] == 'd',
           size_field(size), t);
}

// zipinfo -T: "perm version os size tx method yyyymmdd.hhmmss name".
void parse_zipinfo(const std::string& line, expected_listing* out) {
  std::istringstream in(line);
  std::string perm, version, os, size, tx, method, stamp;
  in >> perm >> version >> os >> size >> tx >> method >> stamp;
  if (stamp.size() != 15 || stamp[8] != '.') return;  // header or footer
  auto num = [&](size_t at, size_t n) {
    return std::stoi(stamp.substr(at, n));
  };
  out->add(
      name_after_fields(line, 7, perm[0]), perm[0] == 'd', std::stoll(size),
      utc(num(0, 4), num(4, 2), num(6, 2), num(9, 2), num(11, 2), num(13, 2)));
}

enum class oracle { gnu_tar, bsdtar, zipinfo };

// The tool's own listing of path, or an empty listing when it failed.
listing tool_listing(oracle tool, const std::string& path) {
  const char* command[] = {"tar --full-time --quoting-style=literal -tvf ",
                           "bsdtar -tvf ", "unzip -Z -T "};
  std::string text;
  if (!run_command(command[static_cast<int>(tool)] + shell_quoted(path),
                   &text)) {
    return {};
  }
  expected_listing want;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    if (tool == oracle::gnu_tar) parse_gnu_tar(line, &want);
    if (tool == oracle::bsdtar) parse_bsdtar(line, &want);
    if (tool == oracle::zipinfo) parse_zipinfo(line, &want);
  }
  return want.lines();
}

listing our_listing(const file_tree& tree) {
  listing out;
  for (const file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    std::string path(n->full_name());
    for (const file_node* a = n->parent; a; a = a->parent) {
      path = std::string(a->full_name()) + "/" + path;
    }
    out.push_back(n->is_folder ? "D " + path + " " + std::to_string(n->time)
                               : "F " + path + " " + std::to_string(n->size) +
                                     " " + std::to_string(n->time));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Each folder name at most once among its siblings.
bool folders_unique(const file_tree& tree) {
  for (const file_node* n = tree.root(); n; n = file_tree::next_preorder(n)) {
    for (const file_node* s = n->next_sibling; s; s = s->next_sibling) {
      if (n->is_folder && s->is_folder && n->full_name() == s->full_name())
        return false;
    }
  }
  return true;
}

struct maker {
  const char* label;
  std::vector<std::string> tools;
  // Shell command run in the scratch folder; SRC is the source folder,
  // OUT the archive to make.
  std::string command;
  oracle tool;
};

const maker kMakers[] = {
    {"tar v7", {"tar"}, "tar --format=v7 -cf OUT -C SRC .", oracle::gnu_tar},
    {"tar oldgnu",
     {"tar"},
     "tar --format=oldgnu -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar gnu", {"tar"}, "tar --format=gnu -cf OUT -C SRC .", oracle::gnu_tar},
    {"tar ustar",
     {"tar"},
     "tar --format=ustar -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar posix",
     {"tar"},
     "tar --format=posix -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar gnu sparse",
     {"tar"},
     "tar --format=gnu -S -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar posix sparse 0.0",
     {"tar"},
     "tar --format=posix -S --sparse-version=0.0 -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar posix sparse 0.1",
     {"tar"},
     "tar --format=posix -S --sparse-version=0.1 -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar posix sparse 1.0",
     {"tar"},
     "tar --format=posix -S --sparse-version=1.0 -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar incremental",
     {"tar"},
     "tar -g snapshot -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar volume label",
     {"tar"},
     "tar -V label -cf OUT -C SRC .",
     oracle::gnu_tar},
    {"tar of a file list",
     {"tar"},
     "cd SRC && find . -type f | tar -cf OUT -T -",
     oracle::gnu_tar},
    {"bsdtar pax",
     {"bsdtar"},
     "bsdtar --format=pax -cf OUT -C SRC .",
     oracle::bsdtar},
    {"tar.gz",
     {"tar", "gzip"},
     "tar -cf - -C SRC . | gzip > OUT",
     oracle::gnu_tar},
    {"tar.bz2",
     {"tar", "bzip2"},
     "tar -cf - -C SRC . | bzip2 > OUT",
     oracle::gnu_tar},
    {"tar.xz", {"tar", "xz"}, "tar -cf - -C SRC . | xz > OUT", oracle::gnu_tar},
    {"tar.lzma",
     {"tar", "xz", "bsdtar"},
     "tar -cf - -C SRC . | xz -F lzma > OUT",
     oracle::bsdtar},
    {"tar.zst",
     {"tar", "zstd"},
     "tar -cf - -C SRC . | zstd -q > OUT",
     oracle::gnu_tar},
    {"tar.lz4",
     {"tar", "lz4", "bsdtar"},
     "tar -cf - -C SRC . | lz4 -q > OUT",
     oracle::bsdtar},
    {"tar.Z",
     {"tar", "compress"},
     "tar -cf - -C SRC . | compress -c > OUT",
     oracle::gnu_tar},
    {"zip", {"zip", "unzip"}, "cd SRC && zip -qry OUT .", oracle::zipinfo},
    {"zip64", {"zip", "unzip"}, "cd SRC && zip -qr -fz OUT .", oracle::zipinfo},
    {"zip of a file list",
     {"zip", "unzip"},
     "cd SRC && find . -type f | zip -q OUT -@",
     oracle::zipinfo},
    {"7z",
     {"7z", "bsdtar"},
     "cd SRC && 7z a -bd -y OUT . >/dev/null",
     oracle::bsdtar},
    {"iso",
     {"genisoimage", "bsdtar"},
     "genisoimage -quiet -R -o OUT SRC",
     oracle::bsdtar},
    {"cpio",
     {"cpio", "bsdtar"},
     "cd SRC && find . | cpio --quiet -o -H newc > OUT",
     oracle::bsdtar},
    {"cpio odc",
     {"cpio", "bsdtar"},
     "cd SRC && find . | cpio --quiet -o -H odc > OUT",
     oracle::bsdtar},
    {"ar",
     {"ar", "bsdtar"},
     "cd SRC/d && ar rc OUT f.txt hard",
     oracle::bsdtar},
};

// Writes bytes to the file name in dir and gives its path.
std::string put(const scratch_folder& dir, const std::string& name,
                const std::string& bytes) {
  EXPECT_TRUE(dir.write(name, bytes)) << name;
  return dir.at(name);
}

std::string replace_all(std::string text, const std::string& from,
                        const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class ArchiveReader : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    tzset();
    make_source();
  }

  // Files, links, a sparse file, empty and nested folders and awkward
  // names, every one timed to a distinct whole minute of the last day.
  void make_source() {
    const std::string src = dir_.at("src");
    ASSERT_TRUE(run_command(
        "set -e; cd " + shell_quoted(dir_.at("")) +
        "; mkdir -p src/d/e src/empty src/deep/a/b; cd src;"
        " printf 'hello\\n' > d/f.txt; : > zero; printf x > 'with space.txt';"
        " printf u > '\xc3\xa9t\xc3\xa9.txt'; printf c > deep/a/b/c.txt;"
        " ln -s d/f.txt link; ln d/f.txt d/hard;"
        " truncate -s 3145728 sparse; printf end >> sparse"));
    int64_t minute = (time(nullptr) / 60 - 60) * 60;
    std::string stamp;
    for (const char* p :
         {"d/f.txt", "d/hard", "zero", "with space.txt",
          "\xc3\xa9t\xc3\xa9.txt", "deep/a/b/c.txt", "link", "sparse", "d/e",
          "empty", "deep/a/b", "deep/a", "deep", "d", "."}) {
      minute -= 60;
      stamp += "touch -h -d @" + std::to_string(minute) + " " +
               shell_quoted(src + "/" + p) + ";";
    }
    ASSERT_TRUE(run_command(stamp));
  }

  // Makes the archive as m says; "" when a tool is missing, which
  // missing_tool() then names.
  std::string make(const maker& m) {
    for (const std::string& t : m.tools) {
      if (!have_tool(t)) {
        missing_tool_ = t;
        return "";
      }
    }
    std::string out = dir_.at(std::string(m.label) + ".archive");
    std::string command =
        replace_all(m.command, "SRC", shell_quoted(dir_.at("src")));
    command = replace_all(command, "OUT", shell_quoted(out));
    EXPECT_TRUE(run_command("cd " + shell_quoted(dir_.at("")) + " && " +
                            command + " 2>/dev/null"))
        << command;
    return out;
  }

  // The archive of the maker with this label, made; "" when a tool is
  // missing.
  std::string make(const std::string& label) {
    for (const maker& m : kMakers) {
      if (label == m.label) return make(m);
    }
    ADD_FAILURE() << "no maker " << label;
    return "";
  }

  const std::string& missing_tool() const { return missing_tool_; }

  scratch_folder dir_;
  std::string missing_tool_;
};

const char* failure_name(archive_failure f) {
  switch (f) {
    case archive_failure::unreadable:
      return "unreadable";
    case archive_failure::not_archive:
      return "not_archive";
    case archive_failure::damaged:
      return "damaged";
    case archive_failure::truncated:
      return "truncated";
    case archive_failure::too_deep:
      return "too_deep";
    case archive_failure::corrupt_data:
      return "corrupt_data";
    case archive_failure::cancelled:
      return "cancelled";
  }
  return "?";
}

// Reads bytes written to a file named name: "ok" or the failure's name.
// A failure must always come with a reason.
std::string outcome(const scratch_folder& dir, const std::string& name,
                    const std::string& bytes, archive_error* err) {
  file_tree tree;
  if (read_archive(put(dir, name, bytes), &tree, nullptr, err)) return "ok";
  EXPECT_FALSE(err->reason.empty()) << name;
  return failure_name(err->failure);
}

std::string outcome(const scratch_folder& dir, const std::string& name,
                    const std::string& bytes) {
  archive_error err;
  return outcome(dir, name, bytes, &err);
}

std::string flipped(std::string bytes, size_t at, int bit) {
  bytes.at(at) = static_cast<char>(bytes.at(at) ^ (1 << bit));
  return bytes;
}

class ArchiveFormat : public ArchiveReader,
                      public ::testing::WithParamInterface<maker> {};

TEST_P(ArchiveFormat, ListsWhatItsOwnToolLists) {
  const maker& m = GetParam();
  std::string path = make(m);
  if (path.empty()) GTEST_SKIP() << missing_tool() << " is not installed";
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(path, &tree, nullptr, &err)) << err.reason;
  listing want = tool_listing(m.tool, path);
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(our_listing(tree), want);
  EXPECT_TRUE(folders_unique(tree));
}

void PrintTo(const maker& m, std::ostream* os) { *os << m.label; }

std::string test_name(const ::testing::TestParamInfo<maker>& info) {
  std::string name;
  for (const char* p = info.param.label; *p; ++p) {
    name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Tools, ArchiveFormat, ::testing::ValuesIn(kMakers),
                         test_name);

}  // namespace

TEST_F(ArchiveReader, ArchivesCutShortFailWhereverTheCutFalls) {
  struct {
    const char* label;
    const char* name;
    std::vector<double> cuts;  // fractions of the size
    const char* want;          // failures allowed, space separated
  } cases[] = {
      // The sparse file's 3 MiB of data fill most of a plain tar.
      {"tar ustar", "a.tar", {0.01, 0.3, 0.5, 0.9}, "truncated not_archive"},
      {"tar.gz", "a.tgz", {0.01, 0.5, 0.99}, "corrupt_data"},
      {"tar.xz", "a.txz", {0.5, 0.99}, "corrupt_data"},
      {"zip", "a.zip", {0.1, 0.5, 0.99}, "not_archive damaged truncated"},
      {"7z", "a.7z", {0.5, 0.99}, "not_archive damaged truncated"},
      {"iso", "a.iso", {0.02, 0.5}, "not_archive damaged truncated"},
  };
  for (const auto& c : cases) {
    std::string path = make(c.label);
    if (path.empty()) continue;  // the format's own test says which tool
    std::string whole = read_file(path);
    for (double cut : c.cuts) {
      size_t at = static_cast<size_t>(whole.size() * cut);
      std::string got = outcome(dir_, c.name, whole.substr(0, at));
      EXPECT_NE((std::string(" ") + c.want + " ").find(" " + got + " "),
                std::string::npos)
          << c.label << " cut at " << at << ": " << got;
    }
  }
}

TEST_F(ArchiveReader, DamagedHeadersFail) {
  std::string tar = make("tar ustar");
  std::string zip = make("zip");
  std::string seven = make("7z");
  struct {
    std::string bytes;
    const char* name;
    const char* want;
  } cases[] = {
      // The size field of the second header: its checksum no longer holds.
      {flipped(read_file(tar), 512 + 124 + 6, 1), "a.tar", "damaged"},
      {flipped(read_file(tar), 512 + 148 + 2, 0), "a.tar", "damaged"},
      {flipped(read_file(tar), 100, 0), "a.tar", "not_archive"},
  };
  for (const auto& c : cases) {
    if (tar.empty()) break;
    EXPECT_EQ(outcome(dir_, c.name, c.bytes), c.want);
  }
  // A header whose checksum is off by one, after a good entry.
  std::string bad = tar_member({.name = "good"}, "g") +
                    tar_block({.name = "bad", .bad_checksum = true}) +
                    tar_end();
  EXPECT_EQ(outcome(dir_, "b.tar", bad), "damaged");
  if (!zip.empty()) {
    std::string bytes = read_file(zip);
    const std::string central("PK\x01\x02", 4), local("PK\x03\x04", 4);
    size_t second = bytes.find(central, bytes.find(central) + 4);
    size_t name_length = bytes.find(local, 4) + 26;
    for (size_t at : {second + 2, second + 28, name_length}) {
      EXPECT_EQ(outcome(dir_, "a.zip", flipped(bytes, at, 6)), "damaged") << at;
    }
  }
  if (!seven.empty()) {
    std::string bytes = read_file(seven);
    // The reader reads the header at the end first: damage there can
    // also look like a cut.
    for (size_t at : {size_t{12}, bytes.size() - 30}) {
      std::string got = outcome(dir_, "a.7z", flipped(bytes, at, 0));
      EXPECT_TRUE(got == "damaged" || got == "truncated") << at << " " << got;
    }
  }
}

TEST_F(ArchiveReader, NonArchivesAreNotTakenForArchives) {
  std::string html = "<!DOCTYPE html><title>x</title>\n";
  std::string noise;
  for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 7919) >> 3);
  for (const char* name :
       {"a.tar", "a.tgz", "a.tar.gz", "a.zip", "a.7z", "a.iso", "a.tar.xz",
        "a.cpio", "a.a", "noextension"}) {
    EXPECT_EQ(outcome(dir_, name, html), "not_archive") << name;
    EXPECT_EQ(outcome(dir_, name, noise), "not_archive") << name;
  }
  // Unpacked well, but no archive inside: the gzip is reported.
  ASSERT_TRUE(write_gzip(dir_.at("text.tgz"), html));
  file_tree tree;
  archive_error err;
  EXPECT_FALSE(read_archive(dir_.at("text.tgz"), &tree, nullptr, &err));
  EXPECT_EQ(err.failure, archive_failure::not_archive);
  EXPECT_TRUE(err.gzip);
  EXPECT_EQ(outcome(dir_, "plain.tgz", html, &err), "not_archive");
  EXPECT_FALSE(err.gzip);
}

TEST_F(ArchiveReader, EmptyArchivesGiveEmptyListingsAndMissingFilesFail) {
  const std::string empty_zip("PK\x05\x06" + std::string(18, '\0'));
  for (const auto& [name, bytes] :
       std::vector<std::pair<std::string, std::string>>{
           {"zero.tar", ""},
           {"zero.zip", ""},
           {"zero.7z", ""},
           {"empty.zip", empty_zip},
           {"ends.tar", tar_end()}}) {
    EXPECT_EQ(outcome(dir_, name, bytes), "ok") << name;
  }
  file_tree tree;
  archive_error err;
  EXPECT_FALSE(read_archive(dir_.at("missing.tar"), &tree, nullptr, &err));
  EXPECT_EQ(err.failure, archive_failure::unreadable);
  EXPECT_EQ(err.reason, "No such file or directory");
  EXPECT_FALSE(read_archive(dir_.at("src"), &tree, nullptr, &err));
  EXPECT_EQ(err.failure, archive_failure::unreadable);
}

TEST_F(ArchiveReader, TarEndsAtItsEndBlockAndMayBeFollowedByJunk) {
  std::string one = tar_member({.name = "one"}, "1");  // exactly 2 blocks
  for (const std::string& bytes :
       {one + std::string(512, '\0'), one + tar_end() + "trailing junk",
        one + tar_end() + one}) {
    file_tree tree;
    archive_error err;
    ASSERT_TRUE(read_archive(put(dir_, "t.tar", bytes), &tree, nullptr, &err))
        << err.reason;
    EXPECT_EQ(archive_shape(tree), "one");
  }
  // Without its end block the archive may have been cut after any entry.
  archive_error err;
  EXPECT_EQ(outcome(dir_, "t.tar", one, &err), "truncated");
  EXPECT_EQ(err.family, archive_family::tar);
  // An extended header for the next entry, then nothing.
  std::string bytes = one + tar_member({.name = "PaxHeader",
                                        .type = 'x',
                                        .magic = std::string("ustar\0"
                                                             "00",
                                                             8)},
                                       "14 path=x.txt\n");
  EXPECT_EQ(outcome(dir_, "t.tar", bytes), "truncated");
}

// Five files and a folder, as GNU tar writes them; cut at every offset up to
// its end block, never listed (the header blocks being libarchive's blind
// spot: a cut inside one used to read as the archive's end).
TEST_F(ArchiveReader, GnuTarCutAnywhereBeforeItsEndBlockFails) {
  ASSERT_TRUE(make_five_file_gnu_tar(dir_.at("")));
  const std::string whole = read_file(dir_.at("five.tar"));
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(dir_.at("five.tar"), &tree, nullptr, &err));
  const listing full = our_listing(tree);
  ASSERT_EQ(full, tool_listing(oracle::gnu_tar, dir_.at("five.tar")));
  ASSERT_EQ(full.size(), 6u);
  // Every data block holds text, so the first zero block is the end.
  size_t end = 0;
  while (whole.compare(end, 512, std::string(512, '\0')) != 0) end += 512;
  ASSERT_GT(end, 512u * 6);
  scratch_folder shm("/dev/shm");  // thousands of small files
  for (size_t cut = 1; cut < whole.size(); ++cut) {
    if (cut > end + 1024 && cut % 512 != 0) continue;  // zeros only
    std::string got = outcome(shm, "cut.tar", whole.substr(0, cut), &err);
    if (cut < end + 512) {
      // Too short even for a header: no tar is recognised at all.
      const char* want = cut < 512 ? "not_archive" : "truncated";
      ASSERT_EQ(got, want) << "cut at " << cut << ": " << err.reason;
    } else {
      ASSERT_EQ(got, "ok") << "cut at " << cut;
      ASSERT_TRUE(read_archive(shm.at("cut.tar"), &tree, nullptr, &err));
      ASSERT_EQ(our_listing(tree), full) << "cut at " << cut;
    }
  }
}

// A name in bytes that are not the charset its header declares is still a
// name: GNU tar writes a pax path as it finds it on disk, whatever the
// bytes.
TEST_F(ArchiveReader, PaxNameThatIsNotUtf8IsListedByItsBytes) {
  ASSERT_TRUE(run_command("cd " + shell_quoted(dir_.at("")) +
                          " && mkdir latin && printf x > latin/caf$(printf "
                          "'\\351').txt && printf y > latin/ok.txt && tar "
                          "--format=posix -cf latin.tar -C latin ."));
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(dir_.at("latin.tar"), &tree, nullptr, &err))
      << err.reason;
  EXPECT_EQ(our_listing(tree),
            tool_listing(oracle::gnu_tar, dir_.at("latin.tar")));
  EXPECT_NE(find_node(tree, "caf\xe9.txt"), nullptr);
}

// Python's zipfile, told to write the names' bytes as given and to clear
// the UTF-8 flag, makes the zip an old Windows zipper would.
TEST_F(ArchiveReader, ZipNamesWithoutTheUtf8FlagAreCp437UnlessUtf8) {
  if (!have_tool("python3")) GTEST_SKIP() << "python3 is missing";
  const char* script =
      "import sys, zipfile\n"
      "class Raw(zipfile.ZipInfo):\n"
      "    __slots__ = ('raw',)\n"
      "    def _encodeFilenameFlags(self):\n"
      "        return self.raw, self.flag_bits & ~0x800\n"
      "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
      "    for raw in (b'caf\\x82.txt', b'docs/na\\x8bve.txt',\n"
      "                b'\\xc3\\xa9t\\xc3\\xa9.txt', b'plain.txt'):\n"
      "        info = Raw(raw.decode('cp437'), date_time=(2020, 1, 2, 3, 4, "
      "6))\n"
      "        info.raw = raw\n"
      "        info.create_system = 0  # MS-DOS\n"
      "        z.writestr(info, b'x')\n";
  ASSERT_TRUE(dir_.write("raw.py", script));
  ASSERT_TRUE(run_command("python3 " + shell_quoted(dir_.at("raw.py")) + " " +
                          shell_quoted(dir_.at("old.zip"))));
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(dir_.at("old.zip"), &tree, nullptr, &err))
      << err.reason;
  EXPECT_EQ(archive_shape(tree),
            "caf\xc3\xa9.txt,docs(na\xc3\xafve.txt),\xc3\xa9t\xc3\xa9.txt,"
            "plain.txt");
}

// Deflate data damaged in the middle often still inflates, into garbage
// that the tar reader takes for a damaged header; only gzip's checksum
// tells. Whichever byte is damaged, the listing is whole or the gzip is
// blamed.
TEST_F(ArchiveReader, GzipDamagedInTheMiddleIsBlamedNotTheTar) {
  std::vector<std::string> names;
  std::string tar;
  uint32_t seed = 12345;
  for (int i = 0; i < 40; ++i) {
    const std::string text = random_letters(&seed, 3000);
    names.push_back("file" + std::to_string(i) + ".txt");
    tar += tar_member({.name = names.back()}, text);
  }
  ASSERT_TRUE(write_gzip(dir_.at("a.tgz"), tar + tar_end()));
  const std::string whole = read_file(dir_.at("a.tgz"));
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(dir_.at("a.tgz"), &tree, nullptr, &err));
  const std::string full = archive_shape(tree);
  int checksum_failures = 0;
  scratch_folder shm("/dev/shm");
  for (size_t at = 20; at + 8 < whole.size(); at += whole.size() / 150) {
    std::string got = outcome(shm, "b.tgz", flipped(whole, at, 2), &err);
    if (got == "ok") {
      ASSERT_TRUE(read_archive(shm.at("b.tgz"), &tree, nullptr, &err));
      EXPECT_EQ(archive_shape(tree), full) << at;
      continue;
    }
    EXPECT_EQ(got, "corrupt_data") << at << ": " << err.reason;
    EXPECT_TRUE(err.gzip);
    if (err.reason.find("gzip checksum") != std::string::npos) {
      ++checksum_failures;
    }
  }
  EXPECT_GT(checksum_failures, 0);
}

TEST_F(ArchiveReader, NamesLoseRootMarksButNeverClimbOut) {
  std::string bytes = tar_block({.name = "./", .type = '5', .mtime = 50}) +
                      tar_member({.name = "/abs/f"}, "f") +
                      tar_member({.name = "../up/x"}, "x") +
                      tar_member({.name = "a/../../b"}, "b") +
                      tar_member({.name = "./c//d"}, "d") + tar_end();
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(put(dir_, "n.tar", bytes), &tree, nullptr, &err))
      << err.reason;
  EXPECT_EQ(archive_shape(tree), "abs(f),..(up(x)),a(..(..(b))),c(d)");
}

TEST_F(ArchiveReader, LongNamesInEveryTarFormatThatHoldsThem) {
  std::string folder = "long/" + std::string(90, 'n');
  std::string split = folder + "/" + std::string(95, 'm') + ".txt";
  std::string single = std::string(200, 'q');
  ASSERT_TRUE(run_command("cd " + shell_quoted(dir_.at("")) +
                          " && mkdir -p long/" + folder + " && : > long/" +
                          split + " && : > long/" + single));
  for (const char* format : {"ustar", "gnu", "oldgnu", "posix"}) {
    SCOPED_TRACE(format);
    bool whole = std::string(format) != "ustar";  // no 200-byte components
    std::string out = dir_.at(std::string(format) + ".tar");
    ASSERT_TRUE(run_command("cd " + shell_quoted(dir_.at("long")) +
                            " && tar --format=" + format + " -cf " +
                            shell_quoted(out) + " " + split +
                            (whole ? " " + single : "")));
    file_tree tree;
    archive_error err;
    ASSERT_TRUE(read_archive(out, &tree, nullptr, &err)) << err.reason;
    EXPECT_EQ(our_listing(tree), tool_listing(oracle::gnu_tar, out));
    EXPECT_NE(find_node(tree, std::string(95, 'm') + ".txt"), nullptr);
  }
}

TEST_F(ArchiveReader, HugeEntriesKeepTheirSize) {
  const int64_t size = int64_t{5} << 30;
  std::string path =
      put(dir_, "big.tar",
          tar_block({.name = "big", .size = size, .base256_size = true}));
  // A sparse file: the data blocks read as zeros without taking space.
  ASSERT_EQ(truncate(path.c_str(), 512 + size + 1024), 0);
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(path, &tree, nullptr, &err)) << err.reason;
  ASSERT_EQ(archive_shape(tree), "big");
  EXPECT_EQ(tree.root()->size, 5368709120);
}

TEST_F(ArchiveReader, DevicesAndFifosAreListedAsTarListsThem) {
  if (geteuid() != 0) GTEST_SKIP() << "mknod needs root";
  std::string out = dir_.at("dev.tar");
  ASSERT_TRUE(run_command("cd " + shell_quoted(dir_.at("")) +
                          " && mkdir dev && mknod dev/null c 1 3 && mkfifo "
                          "dev/pipe && tar -cf dev.tar dev"));
  file_tree tree;
  archive_error err;
  ASSERT_TRUE(read_archive(out, &tree, nullptr, &err)) << err.reason;
  EXPECT_EQ(our_listing(tree), tool_listing(oracle::gnu_tar, out));
  EXPECT_EQ(tree.root()->child_count, 2);
}

TEST_F(ArchiveReader, ProgressCountsEntriesAndCanStopTheReading) {
  std::string path = make("tar posix");
  if (path.empty()) GTEST_SKIP() << "tar is missing";
  file_tree tree;
  archive_error err;
  std::vector<int64_t> seen;
  ASSERT_TRUE(read_archive(
      path, &tree,
      [&](int64_t n) {
        seen.push_back(n);
        return true;
      },
      &err));
  ASSERT_EQ(seen.size(), 15u);  // every entry, the root "./" included
  EXPECT_EQ(seen.back(), 15);
  EXPECT_FALSE(read_archive(
      path, &tree, [](int64_t n) { return n < 3; }, &err));
  EXPECT_EQ(err.failure, archive_failure::cancelled);
}
