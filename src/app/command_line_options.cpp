#include "app/command_line_options.h"

#include <getopt.h>

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "text/ascii.h"

namespace {

// The open ends of a window given on one side only: 1752-09-14 and
// 9999-12-31 23:59:59 UTC, the widest the window's date pickers show.
constexpr int64_t kEarliestTime = -6857222400;
constexpr int64_t kLatestTime = 253402300799;
constexpr int64_t kLargestSize = std::numeric_limits<int64_t>::max();

// Long options without a short form.
enum option_id : int {
  kPerFolder = 256,
  kInclude,
  kExclude,
  kIncludeFolders,
  kExcludeFolders,
  kSort,
  kReverse,
  kMinSize,
  kMaxSize,
  kNewer,
  kOlder,
  kDateFormat,
  kUtc,
  kSizeUnits,
  kImageDir,
  kFolders,
  kNoFolders,
  kSummary,
  kNoSummary,
  kEscapeLinks,
  kBaseUrl,
  kTitle,
  kReplaceExisting,
  kSettings,
  kSaveSettings,
  kPrintSettings,
  kListStyles,
  kCheck,
  kVersion,
};

const char kShortOptions[] = ":o:s:rqvh";

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"style", required_argument, nullptr, 's'},
    {"recursive", no_argument, nullptr, 'r'},
    {"per-folder", no_argument, nullptr, kPerFolder},
    {"include", required_argument, nullptr, kInclude},
    {"exclude", required_argument, nullptr, kExclude},
    {"include-folders", required_argument, nullptr, kIncludeFolders},
    {"exclude-folders", required_argument, nullptr, kExcludeFolders},
    {"sort", required_argument, nullptr, kSort},
    {"reverse", no_argument, nullptr, kReverse},
    {"min-size", required_argument, nullptr, kMinSize},
    {"max-size", required_argument, nullptr, kMaxSize},
    {"newer", required_argument, nullptr, kNewer},
    {"older", required_argument, nullptr, kOlder},
    {"date-format", required_argument, nullptr, kDateFormat},
    {"utc", no_argument, nullptr, kUtc},
    {"size-units", required_argument, nullptr, kSizeUnits},
    {"image-dir", required_argument, nullptr, kImageDir},
    {"folders", no_argument, nullptr, kFolders},
    {"no-folders", no_argument, nullptr, kNoFolders},
    {"summary", no_argument, nullptr, kSummary},
    {"no-summary", no_argument, nullptr, kNoSummary},
    {"escape-links", no_argument, nullptr, kEscapeLinks},
    {"base-url", required_argument, nullptr, kBaseUrl},
    {"title", required_argument, nullptr, kTitle},
    {"replace-existing", no_argument, nullptr, kReplaceExisting},
    {"settings", required_argument, nullptr, kSettings},
    {"save-settings", required_argument, nullptr, kSaveSettings},
    {"print-settings", no_argument, nullptr, kPrintSettings},
    {"list-styles", no_argument, nullptr, kListStyles},
    {"check", no_argument, nullptr, kCheck},
    {"quiet", no_argument, nullptr, 'q'},
    {"verbose", no_argument, nullptr, 'v'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// A word of a fixed set and the settings value it stands for.
struct word_value {
  const char* word;
  const char* value;
};

const word_value kSortWords[] = {
    {"none", "0"}, {"name", "1"}, {"ext", "2"}, {"size", "3"}, {"date", "4"}};
const word_value kUnitWords[] = {{"bytes", "0"},
                                 {"kb", "1"},
                                 {"mb", "2"},
                                 {"human", "3"},
                                 {"human-binary", "4"}};

template <size_t N>
bool look_up(const word_value (&words)[N], const char* word,
             std::string* value) {
  for (const word_value& w : words) {
    if (std::strcmp(w.word, word) == 0) {
      *value = w.value;
      return true;
    }
  }
  return false;
}

template <size_t N>
std::string word_list(const word_value (&words)[N]) {
  std::string list;
  for (const word_value& w : words) {
    if (!list.empty()) list += ", ";
    list += w.word;
  }
  return list;
}

std::string absolute(const std::string& cwd, const std::string& path) {
  if (path.empty() || path[0] == '/' || cwd.empty()) return path;
  return cwd.back() == '/' ? cwd + path : cwd + "/" + path;
}

// The option getopt_long just refused, as the user wrote it: the long
// option in the word before optind when that word is one (optopt is 0 for
// an unknown one, else the option's id), else the short option optopt.
std::string refused_option(const std::vector<char*>& argv, int index,
                           int id) {
  if (index >= 1 && index < int(argv.size())) {
    std::string word = argv[index - 1];
    if (word.starts_with("--")) {
      word = word.substr(0, word.find('='));
      if (id == 0) return word;
      for (const option& o : kLongOptions) {
        if (o.name && o.val == id &&
            (std::string("--") + o.name).starts_with(word)) {
          return word;
        }
      }
    }
  }
  return std::string("-") + char(id);
}

// Collects what the options say, then hands it to the request in one go,
// so that options that interact (-r and --per-folder, the two ends of a
// window) do not depend on their order.
class option_reader {
 public:
  option_reader(const std::string& cwd, command_line_request* r)
      : cwd_(cwd), r_(r) {}

  bool take(int id, const char* arg, std::string* err);
  bool finish(std::string* err);

 private:
  void set(const char* key, std::string value) {
    r_->settings.emplace_back(key, std::move(value));
  }
  void add_pattern(std::string* list, const char* arg) {
    if (!list->empty()) list->push_back(';');
    *list += arg;
  }

  const std::string& cwd_;
  command_line_request* r_;
  bool recursive_ = false;
  bool per_folder_ = false;
  bool output_given_ = false;
  std::string output_;
  std::string patterns_[4];  // mask, skip_files, folder_include, folder_skip
  bool min_size_given_ = false, max_size_given_ = false;
  int64_t min_size_ = 0, max_size_ = kLargestSize;
  bool newer_given_ = false, older_given_ = false;
  int64_t newer_ = kEarliestTime, older_ = kLatestTime;
};

bool option_reader::take(int id, const char* arg, std::string* err) {
  std::string value;
  switch (id) {
    case 'o':
      output_ = arg;
      output_given_ = true;
      return true;
    case 's':
      r_->style = arg;
      return true;
    case 'r':
      recursive_ = true;
      return true;
    case kPerFolder:
      per_folder_ = true;
      return true;
    case kInclude:
    case kExclude:
    case kIncludeFolders:
    case kExcludeFolders:
      add_pattern(&patterns_[id - kInclude], arg);
      return true;
    case kSort:
      if (look_up(kSortWords, arg, &value)) {
        set("order_files", value);
        return true;
      }
      *err = std::string("--sort takes ") + word_list(kSortWords) +
             ", not \"" + arg + "\"";
      return false;
    case kReverse:
      set("sort_order", "1");
      return true;
    case kMinSize:
    case kMaxSize: {
      const bool min = id == kMinSize;
      if (!parse_size(arg, min ? &min_size_ : &max_size_)) {
        *err = std::string(min ? "--min-size" : "--max-size") +
               " takes a size such as 500, 20K or 4M, not \"" + arg + "\"";
        return false;
      }
      (min ? min_size_given_ : max_size_given_) = true;
      return true;
    }
    case kNewer:
    case kOlder: {
      const bool newer = id == kNewer;
      if (!parse_date(arg, newer ? &newer_ : &older_)) {
        *err = std::string(newer ? "--newer" : "--older") +
               " takes a date such as 2024-05-31, \"2024-05-31 18:00\" or "
               "@1717171717, not \"" +
               arg + "\"";
        return false;
      }
      (newer ? newer_given_ : older_given_) = true;
      return true;
    }
    case kDateFormat:
      set("date_format", arg);
      return true;
    case kUtc:
      set("is_gmt_date", "1");
      return true;
    case kSizeUnits:
      if (look_up(kUnitWords, arg, &value)) {
        set("size_units", value);
        return true;
      }
      *err = std::string("--size-units takes ") + word_list(kUnitWords) +
             ", not \"" + arg + "\"";
      return false;
    case kImageDir:
      set("image_dir", std::strcmp(arg, "embedded") == 0 ? "" : arg);
      return true;
    case kFolders:
    case kNoFolders:
      set("show_folders", id == kFolders ? "1" : "0");
      return true;
    case kSummary:
    case kNoSummary:
      set("show_summary", id == kSummary ? "1" : "0");
      return true;
    case kEscapeLinks:
      set("url_html_escape", "1");
      return true;
    case kBaseUrl:
      set("base_url", arg);
      return true;
    case kTitle:
      set("title", arg);
      return true;
    case kReplaceExisting:
      set("replace_existing", "1");
      return true;
    case kSettings:
      r_->settings_file = std::strcmp(arg, kStandardStream) == 0
                              ? std::string(arg)
                              : absolute(cwd_, arg);
      return true;
    case kSaveSettings:
      r_->save_settings = arg;
      return true;
    case kPrintSettings:
      r_->print_settings = true;
      return true;
    case kListStyles:
      r_->list_styles = true;
      return true;
    case kCheck:
      r_->check = true;
      return true;
    case 'q':
    case 'v':
      r_->verbosity = id == 'q' ? -1 : 1;
      return true;
    case 'h':
      r_->help = true;
      return true;
    case kVersion:
      r_->version = true;
      return true;
    default:
      assert(false && "an option of kLongOptions is not handled");
      return false;
  }
}

bool option_reader::finish(std::string* err) {
  static const char* const kPatternKeys[4] = {"mask", "skip_files",
                                              "folder_include", "folder_skip"};
  for (int i = 0; i < 4; ++i) {
    if (!patterns_[i].empty()) set(kPatternKeys[i], patterns_[i]);
  }
  // One listing per folder takes only the file name of -o: it stays as
  // written. Standard output stays "-".
  if (output_given_) {
    set("save", per_folder_ || output_ == kStandardStream
                    ? output_
                    : absolute(cwd_, output_));
  }
  if (per_folder_ || recursive_) {
    set("subfolders", "1");
    set("subfolders_in_one_file", per_folder_ ? "0" : "1");
  }
  if (min_size_given_ || max_size_given_) {
    if (min_size_ > max_size_) {
      *err = "--min-size is larger than --max-size";
      return false;
    }
    set("size_filter", "1");
    set("size_start", std::to_string(min_size_));
    set("size_end", std::to_string(max_size_));
  }
  if (newer_given_ || older_given_) {
    if (newer_ > older_) {
      *err = "--newer is later than --older";
      return false;
    }
    set("time_filter", "1");
    set("time_start", std::to_string(newer_));
    set("time_end", std::to_string(older_));
  }
  if (per_folder_ && output_ == kStandardStream) {
    *err = "-o - writes one listing; --per-folder makes one per folder";
    return false;
  }
  return true;
}

}  // namespace

bool parse_command_line(const std::vector<std::string>& args,
                        const std::string& cwd, command_line_request* request,
                        std::string* err) {
  *request = command_line_request();
  // getopt_long permutes its argv, so it gets copies.
  std::vector<std::string> words(1, "kdgn20");
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  option_reader reader(cwd, request);
  optind = 0;  // a fresh scan, as glibc defines it
  opterr = 0;  // the caller reports
  int id;
  while ((id = getopt_long(argc, argv.data(), kShortOptions, kLongOptions,
                           nullptr)) != -1) {
    if (id == '?') {
      *err = "unknown option " + refused_option(argv, optind, optopt);
      return false;
    }
    if (id == ':') {
      *err = "option " + refused_option(argv, optind, optopt) +
             " needs a value";
      return false;
    }
    if (!reader.take(id, optarg, err)) return false;
  }
  if (argc - optind > 1) {
    *err = "give one SOURCE, not also " + std::string(argv[optind + 1]);
    return false;
  }
  if (optind < argc) request->source = absolute(cwd, argv[optind]);
  return reader.finish(err);
}

void apply_command_line(const command_line_request& request, bool is_folder,
                        settings_record* settings) {
  if (!request.source.empty()) {
    settings->path = variant(std::string_view(request.source));
    settings->source = variant(is_folder ? "0" : "1");
  }
  for (const auto& [key, value] : request.settings) {
    variant* field = settings_field(settings, key.c_str());
    assert(field != nullptr);
    *field = variant(std::string_view(value));
  }
}

bool parse_size(std::string_view text, int64_t* bytes) {
  size_t i = 0;
  int64_t n = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    const int digit = text[i++] - '0';
    if (n > (kLargestSize - digit) / 10) return false;
    n = n * 10 + digit;
  }
  if (i == 0) return false;
  std::string unit = ascii_lower(text.substr(i));
  static const char* const kUnits[] = {"k", "m", "g", "t"};
  int shift = 0;
  if (!unit.empty() && unit != "b") {
    for (int u = 0; u < 4 && shift == 0; ++u) {
      if (unit == kUnits[u] || unit == std::string(kUnits[u]) + "b" ||
          unit == std::string(kUnits[u]) + "ib") {
        shift = 10 * (u + 1);
      }
    }
    if (shift == 0) return false;
  }
  if (n > (kLargestSize >> shift)) return false;
  *bytes = n << shift;
  return true;
}

bool parse_date(std::string_view text, int64_t* seconds) {
  std::string s(text);
  if (!s.empty() && s[0] == '@') {
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(s.c_str() + 1, &end, 10);
    if (s.size() == 1 || *end != '\0' || errno != 0) return false;
    *seconds = v;
    return true;
  }
  const bool utc = !s.empty() && (s.back() == 'Z' || s.back() == 'z');
  if (utc) s.pop_back();
  static const char* const kFormats[] = {"%Y-%m-%d %H:%M:%S", "%Y-%m-%dT%H:%M:%S",
                                         "%Y-%m-%d %H:%M", "%Y-%m-%dT%H:%M",
                                         "%Y-%m-%d"};
  for (const char* format : kFormats) {
    struct tm tm = {};
    const char* end = strptime(s.c_str(), format, &tm);
    if (end == nullptr || *end != '\0') continue;
    tm.tm_isdst = -1;  // the rules in force on that date
    const time_t t = utc ? timegm(&tm) : mktime(&tm);
    if (t == static_cast<time_t>(-1) && tm.tm_year != 69) return false;
    *seconds = static_cast<int64_t>(t);
    return true;
  }
  return false;
}

int find_style(const std::vector<std::string>& style_names,
               const std::vector<std::string>& style_files,
               std::string_view name) {
  const std::string wanted = ascii_lower(name);
  for (size_t i = 0; i < style_names.size(); ++i) {
    if (ascii_lower(style_names[i]) == wanted) return static_cast<int>(i);
  }
  for (size_t i = 0; i < style_files.size(); ++i) {
    const std::string& file = style_files[i];
    const bool txt = file.size() > 4 && file.ends_with(".txt");
    if (file == name || (txt && file.substr(0, file.size() - 4) == name)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool looks_like_settings_file(std::string_view head) {
  // Text in UTF-16 is a settings file written in the wrong encoding, which
  // the settings form explains.
  if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
    return true;
  }
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  const size_t first = head.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos || head[first] == '<';
}
