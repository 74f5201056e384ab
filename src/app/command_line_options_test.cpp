#include "app/command_line_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

// The record the arguments make from the defaults, or a failure's reason.
struct parsed {
  bool ok = false;
  std::string err;
  command_line_request request;
  settings_record settings;
};

parsed parse(const std::vector<std::string>& args, bool is_folder = true) {
  parsed p;
  p.ok = parse_command_line(args, "/home/u", &p.request, &p.err);
  if (p.ok) apply_command_line(p.request, is_folder, &p.settings);
  return p;
}

TEST(CommandLineOptions, EveryOptionSetsItsSettingsKey) {
  parsed p = parse({"-o", "out.html", "--include", "*.jpg", "--exclude",
                    "*~", "--include-folders", "pub*", "--exclude-folders",
                    ".git", "--sort", "size", "--reverse", "--date-format",
                    "%F", "--utc", "--size-units", "human-binary",
                    "--image-dir", "/icons", "--no-folders", "--summary",
                    "--escape-links", "--base-url", "https://x.org/files/",
                    "--title", "Files & more", "--replace-existing", "src"});
  ASSERT_TRUE(p.ok) << p.err;
  const settings_record& s = p.settings;
  EXPECT_EQ(s.path.str(), "/home/u/src");
  EXPECT_EQ(s.source.str(), "0");
  EXPECT_EQ(s.save.str(), "/home/u/out.html");
  EXPECT_EQ(s.mask.str(), "*.jpg");
  EXPECT_EQ(s.skip_files.str(), "*~");
  EXPECT_EQ(s.folder_include.str(), "pub*");
  EXPECT_EQ(s.folder_skip.str(), ".git");
  EXPECT_EQ(s.order_files.as_int(), 3);
  EXPECT_TRUE(s.sort_order.as_bool());
  EXPECT_EQ(s.date_format.str(), "%F");
  EXPECT_TRUE(s.is_gmt_date.as_bool());
  EXPECT_EQ(s.size_units.as_int(), 4);
  EXPECT_EQ(s.image_dir.str(), "/icons");
  EXPECT_FALSE(s.show_folders.as_bool());
  EXPECT_TRUE(s.show_summary.as_bool());
  EXPECT_TRUE(s.url_html_escape.as_bool());
  EXPECT_EQ(s.base_url.str(), "https://x.org/files/");
  EXPECT_EQ(s.title.str(), "Files & more");
  EXPECT_TRUE(s.replace_existing.as_bool());
  // Untouched keys keep their defaults.
  EXPECT_FALSE(s.subfolders.as_bool());
  EXPECT_FALSE(s.size_filter.as_bool());
  EXPECT_FALSE(s.time_filter.as_bool());
  EXPECT_EQ(s.format.str(), "download.txt");
}

TEST(CommandLineOptions, WordsAndSwitchesTakeTheirValues) {
  const char* const sorts[] = {"none", "name", "ext", "size", "date"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(parse({"--sort", sorts[i], "d"}).settings.order_files.as_int(),
              i);
  }
  const char* const units[] = {"bytes", "kb", "mb", "human", "human-binary"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(parse({"--size-units=" + std::string(units[i]), "d"})
                  .settings.size_units.as_int(),
              i);
  }
  EXPECT_EQ(parse({"--image-dir", "embedded", "d"}).settings.image_dir.str(),
            "");
  EXPECT_TRUE(parse({"--folders", "d"}).settings.show_folders.as_bool());
  EXPECT_FALSE(parse({"--no-summary", "d"}).settings.show_summary.as_bool());
  // An archive is told by the caller, who looks at the file.
  EXPECT_EQ(parse({"a.tar"}, false).settings.source.str(), "1");
}

TEST(CommandLineOptions, RecursionDoesNotDependOnTheOrderOfOptions) {
  for (auto args : {std::vector<std::string>{"-r", "d"},
                    std::vector<std::string>{"d", "--recursive"}}) {
    parsed p = parse(args);
    EXPECT_TRUE(p.settings.subfolders.as_bool());
    EXPECT_TRUE(p.settings.subfolders_in_one_file.as_bool());
  }
  for (auto args : {std::vector<std::string>{"-r", "--per-folder", "d"},
                    std::vector<std::string>{"--per-folder", "-r", "d"},
                    std::vector<std::string>{"--per-folder", "d"}}) {
    parsed p = parse(args);
    EXPECT_TRUE(p.settings.subfolders.as_bool());
    EXPECT_FALSE(p.settings.subfolders_in_one_file.as_bool());
  }
}

TEST(CommandLineOptions, RepeatedPatternsAddUp) {
  parsed p = parse({"--include", "*.jpg", "--include=*.png", "-r", "d",
                    "--exclude-folders", "a", "--exclude-folders", "b"});
  EXPECT_EQ(p.settings.mask.str(), "*.jpg;*.png");
  EXPECT_EQ(p.settings.folder_skip.str(), "a;b");
}

TEST(CommandLineOptions, WindowsOpenOnTheSideNotGiven) {
  setenv("TZ", "UTC", 1);
  tzset();
  parsed p = parse({"--min-size", "20K", "--newer", "2024-05-31", "d"});
  ASSERT_TRUE(p.ok) << p.err;
  EXPECT_TRUE(p.settings.size_filter.as_bool());
  EXPECT_EQ(p.settings.size_start.as_int64(), 20480);
  EXPECT_EQ(p.settings.size_end.str(), "9223372036854775807");
  EXPECT_TRUE(p.settings.time_filter.as_bool());
  EXPECT_EQ(p.settings.time_start.as_int64(), 1717113600);
  EXPECT_EQ(p.settings.time_end.as_int64(), 253402300799);  // 9999-12-31

  p = parse({"--max-size", "1M", "--older", "@100", "d"});
  EXPECT_EQ(p.settings.size_start.as_int64(), 0);
  EXPECT_EQ(p.settings.size_end.as_int64(), 1048576);
  EXPECT_EQ(p.settings.time_start.as_int64(), -6857222400);  // 1752-09-14
  EXPECT_EQ(p.settings.time_end.as_int64(), 100);
}

TEST(CommandLineOptions, PathsBecomeAbsoluteButStandardOutputStays) {
  parsed p = parse({"-o", "-", "--settings", "s.txt", "/srv/files"});
  ASSERT_TRUE(p.ok) << p.err;
  EXPECT_EQ(p.settings.save.str(), "-");
  EXPECT_EQ(p.settings.path.str(), "/srv/files");
  EXPECT_EQ(p.request.settings_file, "/home/u/s.txt");
  EXPECT_EQ(parse({"--settings=-"}).request.settings_file, "-");
  EXPECT_EQ(parse({"--per-folder", "-o", "sub/i.html", "d"}).settings.save.str(),
            "sub/i.html");
  EXPECT_EQ(parse({"-o", "a", "-o", "b", "d"}).settings.save.str(),
            "/home/u/b");
  // No SOURCE: path is left to the settings file.
  p = parse({"--settings", "s.txt", "--title", "T"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.settings.path.str(), "");
  EXPECT_EQ(p.request.source, "");
}

TEST(CommandLineOptions, ActionsAndVerbosity) {
  parsed p = parse({"--check", "--list-styles", "--print-settings",
                    "--save-settings", "x.txt", "-v", "-s", "table", "-h",
                    "--version"});
  ASSERT_TRUE(p.ok) << p.err;
  EXPECT_TRUE(p.request.check && p.request.list_styles &&
              p.request.print_settings && p.request.help &&
              p.request.version);
  EXPECT_EQ(p.request.save_settings, "x.txt");
  EXPECT_EQ(p.request.style, "table");
  EXPECT_EQ(p.request.verbosity, 1);
  EXPECT_EQ(parse({"-v", "--quiet"}).request.verbosity, -1);
  EXPECT_EQ(parse({"-qv"}).request.verbosity, 1);
}

TEST(CommandLineOptions, MistakesAreRefusedWithTheirReason) {
  struct {
    std::vector<std::string> args;
    const char* err;
  } cases[] = {
      {{"-x", "d"}, "unknown option -x"},
      {{"--nosuch", "d"}, "unknown option --nosuch"},
      {{"--title=x", "--recursive=1", "d"}, "unknown option --recursive"},
      {{"d", "-o"}, "option -o needs a value"},
      {{"d", "--sort"}, "option --sort needs a value"},
      {{"--sort", "size2", "d"},
       "--sort takes none, name, ext, size, date, not \"size2\""},
      {{"--size-units", "KB", "d"},
       "--size-units takes bytes, kb, mb, human, human-binary, not \"KB\""},
      {{"--min-size", "12X", "d"},
       "--min-size takes a size such as 500, 20K or 4M, not \"12X\""},
      {{"--min-size", "2M", "--max-size", "1M", "d"},
       "--min-size is larger than --max-size"},
      {{"--newer", "2024-05-31", "--older", "2020-01-01", "d"},
       "--newer is later than --older"},
      {{"a", "b"}, "give one SOURCE, not also b"},
      {{"-o", "-", "--per-folder", "d"},
       "-o - writes one listing; --per-folder makes one per folder"},
  };
  for (const auto& c : cases) {
    parsed p = parse(c.args);
    EXPECT_FALSE(p.ok) << c.err;
    EXPECT_EQ(p.err, c.err);
  }
  // A failed parse leaves nothing behind for the next one.
  EXPECT_TRUE(parse({"-r", "d"}).ok);
}

TEST(CommandLineOptions, SizesTakeBinaryUnits) {
  int64_t n = -1;
  EXPECT_TRUE(parse_size("0", &n));
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(parse_size("500b", &n));
  EXPECT_EQ(n, 500);
  EXPECT_TRUE(parse_size("3k", &n));
  EXPECT_EQ(n, 3072);
  EXPECT_TRUE(parse_size("4MiB", &n));
  EXPECT_EQ(n, 4 << 20);
  EXPECT_TRUE(parse_size("2GB", &n));
  EXPECT_EQ(n, int64_t{2} << 30);
  EXPECT_TRUE(parse_size("1T", &n));
  EXPECT_EQ(n, int64_t{1} << 40);
  EXPECT_TRUE(parse_size("9223372036854775807", &n));
  for (const char* bad : {"", "K", "-1", "1.5M", "1 M", "1P",
                          "9223372036854775808", "9000000T"}) {
    EXPECT_FALSE(parse_size(bad, &n)) << bad;
  }
}

TEST(CommandLineOptions, DatesInLocalTimeUnlessMarkedUtc) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  int64_t t = 0;
  EXPECT_TRUE(parse_date("2024-01-15 12:00", &t));
  EXPECT_EQ(t, 1705316400);  // 11:00 UTC in winter
  EXPECT_TRUE(parse_date("2024-07-15T12:00:30", &t));
  EXPECT_EQ(t, 1721037630);  // 10:00:30 UTC in summer
  EXPECT_TRUE(parse_date("2024-07-15 12:00Z", &t));
  EXPECT_EQ(t, 1721044800);
  EXPECT_TRUE(parse_date("@-5", &t));
  EXPECT_EQ(t, -5);
  for (const char* bad : {"", "@", "@1x", "2024-13-01", "2024-07-15 25:00",
                          "15.07.2024", "2024-07-15 12"}) {
    EXPECT_FALSE(parse_date(bad, &t)) << bad;
  }
  setenv("TZ", "UTC", 1);
  tzset();
}

TEST(CommandLineOptions, StylesByNameFileOrShortName) {
  const std::vector<std::string> names = {"Download page",
                                          "Sortable table with search"};
  const std::vector<std::string> files = {"download.txt", "table.txt"};
  EXPECT_EQ(find_style(names, files, "sortable TABLE with search"), 1);
  EXPECT_EQ(find_style(names, files, "table.txt"), 1);
  EXPECT_EQ(find_style(names, files, "table"), 1);
  EXPECT_EQ(find_style(names, files, "download"), 0);
  EXPECT_EQ(find_style(names, files, "Table"), -1);  // file names keep case
  EXPECT_EQ(find_style(names, files, "tab"), -1);
  EXPECT_EQ(find_style(names, files, ""), -1);
}

TEST(CommandLineOptions, SettingsFilesAreToldFromArchivesByTheirStart) {
  EXPECT_TRUE(looks_like_settings_file("<path>/srv</path>\r\n"));
  EXPECT_TRUE(looks_like_settings_file("\xEF\xBB\xBF\r\n  <!-- x --><a>"));
  EXPECT_TRUE(looks_like_settings_file(""));
  EXPECT_TRUE(looks_like_settings_file(std::string_view("\xFF\xFE<\0", 4)));
  EXPECT_FALSE(looks_like_settings_file("\x1f\x8b\x08"));  // gzip
  EXPECT_FALSE(looks_like_settings_file("PK\x03\x04"));    // zip
  EXPECT_FALSE(looks_like_settings_file(std::string_view("a.txt\0\0", 7)));
  EXPECT_FALSE(looks_like_settings_file("!<arch>\n"));
}

}  // namespace
