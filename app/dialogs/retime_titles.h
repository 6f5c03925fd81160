#pragma once
// What the shift and stretch dialogs share: re-timing the chosen titles by
// one map, and telling the user why they will not.

#include <optional>
#include <string>

#include "subtitles/retiming.h"

namespace cuemark {

class EditorWindow;

// Re-times the titles the shift and stretch act on: every row, or only the
// selected rows when the editor has a multiple selection, marking each one
// changed. Returns how many changed; nothing (and no title touched) when a
// new time would not be a finite number.
// Adjust passes Titles::All: it re-times the whole file whatever is selected.
enum class Titles { Chosen, All };
std::optional<int> RetimeChosenTitles(EditorWindow& editor, const LinearMap& map, Titles which = Titles::Chosen);

// The earliest start among the titles RetimeChosenTitles would move.
double LowestChosenStart(EditorWindow& editor);

// The texts the two dialogs use to refuse an OK.
namespace refusals {
inline constexpr const char* NotFinite = "The new times would be too large to hold, so nothing was changed.";
}

// A notice with an OK button through the program's window services.
void TellUser(EditorWindow& editor, const std::string& text);

} // namespace cuemark
