// The nearest known name to a misspelt one, for "did you mean" hints in the
// messages that refuse an unknown settings key or template variable.
#ifndef DIRGEN_TEXT_NEAREST_NAME_H_
#define DIRGEN_TEXT_NEAREST_NAME_H_

#include <string>
#include <string_view>
#include <vector>

// The number of single-byte edits (insert, delete, replace, or swap of two
// neighbouring bytes) that turn a into b. Bytes are compared as they are.
int edit_distance(std::string_view a, std::string_view b);

// The name of known closest to name by edit_distance, or the empty text when
// even the closest is too far to be a likely slip: more than a third of the
// longer of the two names (and always more than 3 edits; at least 1 edit
// is allowed). On a tie the name listed first wins, so the answer does
// not depend on anything but the list.
std::string nearest_name(std::string_view name,
                         const std::vector<std::string_view>& known);

#endif  // DIRGEN_TEXT_NEAREST_NAME_H_
