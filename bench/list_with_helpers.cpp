// Makes the listing a settings file describes, as kdgn20 does, with a given
// number of helper threads reading folders ahead (0: every folder on the
// build's own thread). Used by scan_bench.sh to say what the helpers give.
// Usage (in a folder holding kvdata/): list_with_helpers SETTINGS HELPERS
#include <cstdio>
#include <cstdlib>
#include <string>

#include "listing/build.h"
#include "project/data_tables.h"
#include "project/settings_record.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: list_with_helpers SETTINGS HELPERS\n");
    return 2;
  }
  settings_record settings;
  std::string err;
  if (!settings.load_settings(variant(argv[1]), &err)) {
    std::fprintf(stderr, "%s\n", err.c_str());
    return 1;
  }
  const std::string data_folder = "kvdata/";
  data_tables formatter;
  formatter.load_tables(variant(std::string_view(data_folder)));
  build_outcome outcome = run_build(settings, formatter, data_folder, nullptr,
                                    nullptr, std::atoi(argv[2]));
  if (outcome.code != kBuildOk) {
    std::fprintf(stderr, "%s\n",
                 result_line(outcome, settings.source.as_bool()).c_str());
    return 1;
  }
  return 0;
}
