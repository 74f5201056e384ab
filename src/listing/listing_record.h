// listing_record: the record of the listings Dirgen wrote, so that a later
// build can tell its own listings from the user's files. One record per
// build, the file ".dirgen-listings" beside the top listing (for one file
// per folder: in the source folder), in the format of sha256sum: a line
// "<64 hex digits>  <path relative to the record's folder>" per listing,
// which `sha256sum -c .dirgen-listings` checks. A file counts as one of
// Dirgen's listings when a record in its own folder or in a folder above
// it, up to the top listing's folder, names it with the file's current
// checksum; a file the user changed since no longer does.
//
// Thread safety: an object is used by one thread at a time.
#ifndef DIRGEN_LISTING_LISTING_RECORD_H_
#define DIRGEN_LISTING_LISTING_RECORD_H_

#include <map>
#include <string>
#include <string_view>

// The record's file name. A listing never lists a file of this name.
extern const char kListingRecordName[];  // ".dirgen-listings"

class listing_record {
 public:
  // Reads the record in folder (which may be "" for the current folder). A
  // missing record is an empty one. False with *err (the file and the
  // reason) when it exists but cannot be read; lines that are not in the
  // format are skipped.
  bool load(const std::string& folder, std::string* err);

  // The checksum recorded for relative, or "" when none is.
  std::string checksum_of(const std::string& relative) const;

  // Records checksum for relative.
  void set(const std::string& relative, const std::string& checksum);

  // Forgets every entry whose file no longer exists in the record's folder.
  void forget_missing();

  // The record as text, lines ordered by path (sha256sum's escaping for a
  // path holding a backslash or a line feed).
  std::string text() const;

  // Writes the record into the folder it was loaded from, atomically, when
  // its text differs from what the file holds. False with *err when it
  // cannot be written; the old record then stays.
  bool save(std::string* err);

 private:
  std::string folder_;
  std::string loaded_text_;
  std::map<std::string, std::string> checksums_;  // by relative path
};

// Parses one line of a record into *checksum and *relative; false for a
// line that is not in the format.
bool parse_record_line(std::string_view line, std::string* checksum,
                       std::string* relative);

// Whether the regular file at folder + "/" + name is a listing Dirgen wrote
// and nobody changed since: some record from folder up to top (folder
// itself or one of its parents, given as paths that top begins; folder ==
// top checks one record) names it with its current checksum. records
// caches the records read, by folder. checksum is the file's current
// checksum.
bool is_recorded_listing(const std::string& top, const std::string& folder,
                         const std::string& name, const std::string& checksum,
                         std::map<std::string, listing_record>* records);

#endif  // DIRGEN_LISTING_LISTING_RECORD_H_
