// The icons a listing carries inside itself: the shipped icon files read
// once each and written as data: URIs, so that a page shows its icons
// wherever it is saved or opened, and the CSS classes that name them.
#ifndef DIRGEN_LISTING_EMBEDDED_ICONS_H_
#define DIRGEN_LISTING_EMBEDDED_ICONS_H_

#include <map>
#include <string>
#include <string_view>

// Icon files of one folder, read on first use.
// Threading: one thread at a time (reads are cached).
class icon_files {
 public:
  // folder: where the icon files lie, ending in "/" (or empty: no icons).
  explicit icon_files(std::string folder) : folder_(std::move(folder)) {}

  // The data: URI of the icon file called name ("data:image/svg+xml;
  // base64,..."), or the empty text when name is not a plain file name of
  // a picture type, or its file cannot be read or is larger than
  // kMaxIconBytes. The text stays valid as long as this object.
  const std::string& data_uri(std::string_view name);

  // An icon is a small picture: a larger file is no icon (and would weigh
  // on every page that names it).
  static constexpr long kMaxIconBytes = 256 * 1024;

 private:
  std::string folder_;
  std::map<std::string, std::string, std::less<>> uris_;
};

// The CSS class of the icon file called name: "i-" followed by the name
// with every byte other than A-Z a-z 0-9 "-" written as "_" and two hex
// digits ("folder.svg" -> "i-folder_2Esvg"), so that different names never
// share a class. The empty text for an empty name.
std::string icon_class(std::string_view name);

// A CSS rule giving the class of the icon called name the background image
// at url: '.i-x{background-image:url("...")}', the url written as a CSS
// string that cannot end the string or the style element it stands in.
std::string icon_rule(std::string_view name, std::string_view url);

// The media type of a picture file by its extension (svg, png, gif, jpg,
// jpeg, webp, ico, bmp; any letter case), or the empty text. A data: URI
// needs the exact type for a browser to draw it.
std::string picture_type(std::string_view name);

#endif  // DIRGEN_LISTING_EMBEDDED_ICONS_H_
