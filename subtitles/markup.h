#pragma once
// MicroDVD style codes ({y:i}, {y:b}, {y}) versus the store's inline tags
// (<i>, <b> and their closing tags). All matching is case-sensitive.

#include <string>
#include <string_view>

namespace cuemark {

// The open-style flags outlive one call: a code opened on one line of a title
// stays open over its following lines until CloseOpenTags ends the title. The
// main window owns one of these and hands it to the readers.
class MarkupState {
public:
    void CodesToTags(std::string& s);
    void CloseOpenTags(std::string& s);

    bool italicOpen = false;
    bool boldOpen = false;
};

std::string TagsToCodes(std::string_view s);
// TagsToCodes(s) appended to `out`, without a string of its own.
void AppendTagsAsCodes(std::string& out, std::string_view s);
std::string StripTags(std::string_view s);

} // namespace cuemark
