// Keeping the user's own styles when a reinstallation brings a new style
// catalogue (kvdata/styles.txt). The catalogue is a run of entries, each
// beginning with <style_name>NAME</style_name> and running to the next one;
// text before the first entry is a header.
#ifndef DIRGEN_SETUP_CATALOGUE_MERGE_H_
#define DIRGEN_SETUP_CATALOGUE_MERGE_H_

#include <string>
#include <string_view>

// The shipped catalogue followed by every entry of the user's catalogue
// whose name the shipped one lacks, in the user's order, each taken
// byte for byte. The user's versions of shipped entries are not taken.
std::string merge_catalogue(std::string_view shipped, std::string_view users);

#endif  // DIRGEN_SETUP_CATALOGUE_MERGE_H_
