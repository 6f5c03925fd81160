#pragma once
// Numbers at the start of a text, read the forgiving way subtitle files need.

#include <string_view>

namespace cuemark {

// Leading blanks (spaces, tabs) skipped, then an optional sign, digits and an
// optional decimal point with more digits; reading stops at the first other
// character. A text that does not begin with a number gives 0.
double LeadingNumber(std::string_view text);

// Spaces (only spaces: tabs stay) removed at both ends.
std::string_view TrimSpaces(std::string_view text);

} // namespace cuemark
