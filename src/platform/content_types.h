// The content type (MIME type) of a file extension, from the user's
// ~/.mime.types and then the system's /etc/mime.types. The listing build asks
// once per distinct extension, so the files are parsed once into a hash map
// and every lookup is a single probe.
#ifndef DIRGEN_PLATFORM_CONTENT_TYPES_H_
#define DIRGEN_PLATFORM_CONTENT_TYPES_H_

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "value/variant.h"

class content_types {
 public:
  content_types() = default;

  // Parses the mime.types files in order ("type ext ext ..." lines, "#"
  // starts a comment); an extension takes the type of its first listing, so
  // earlier files win. Missing or unreadable files are skipped.
  static content_types from_files(const std::vector<std::string>& paths);
  // from_files of home_folder()/.mime.types and /etc/mime.types.
  static content_types from_environment();

  // Adds the listings of one mime.types text (extensions already known keep
  // their type).
  void add_listing(std::string_view text);

  // True when ext (without its dot; any case) is listed; *type then holds
  // the lower-case content type. False leaves *type untouched.
  bool find(std::string_view ext, std::string* type) const;
  size_t size() const { return types_.size(); }

 private:
  std::unordered_map<std::string, std::string> types_;  // lower-case keys
};

// The table of the user running the program, loaded on first use (thread
// safe) and kept for the life of the process.
const content_types& shared_content_types();

// The content type of file_name's extension (from its last "." to its end)
// in table. Returns false, *result the empty text, when the name has no "."
// or the extension is not listed; otherwise true and the lower-case type.
bool content_type_for(const content_types& table, std::string_view file_name,
                      std::string* result);

// As above with shared_content_types(), for variant callers. *result becomes
// text in every case.
bool content_type_for(const variant& file_name, variant* result);

#endif  // DIRGEN_PLATFORM_CONTENT_TYPES_H_
