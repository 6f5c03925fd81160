#include "app/dialogs/retime_titles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "app/desktop/window_services.h"
#include "app/editor/editor_window.h"
#include "subtitles/store.h"

namespace cuemark {

std::optional<int> RetimeChosenTitles(EditorWindow& editor, const LinearMap& map, Titles which) {
    SUBTITLES& Subt = editor.store();
    const bool onlySelected = which == Titles::Chosen && editor.MultipleSelected();
    const std::int32_t rows = std::min(editor.RowCount(), Subt.Count());
    std::vector<std::int32_t> chosen;
    for (std::int32_t i = 1; i <= rows; ++i) {
        if (onlySelected && !editor.RowSelected(i)) continue;
        if (!std::isfinite(map(Subt.StartTime(i))) || !std::isfinite(map(Subt.EndTime(i)))) return std::nullopt;
        chosen.push_back(i);
    }
    std::vector<bool> take(static_cast<std::size_t>(Subt.Count()) + 1, false);
    for (std::int32_t row : chosen) take[static_cast<std::size_t>(row)] = true;
    ApplyMap(Subt, map, [&take](int i) { return take[static_cast<std::size_t>(i)]; });
    for (std::int32_t row : chosen) editor.MarkChanged(row); // a copy: the editor may write to it
    return static_cast<int>(chosen.size());
}

double LowestChosenStart(EditorWindow& editor) {
    const SUBTITLES& Subt = editor.store();
    const bool onlySelected = editor.MultipleSelected();
    const std::int32_t rows = std::min(editor.RowCount(), Subt.Count());
    double lowest = std::numeric_limits<double>::infinity();
    for (std::int32_t i = 1; i <= rows; ++i) {
        if (!onlySelected || editor.RowSelected(i)) lowest = std::min(lowest, Subt.StartTime(i));
    }
    return lowest;
}

void TellUser(EditorWindow& editor, const std::string& text) {
    editor.services().MessageBox(text, MessageButtons::OK, MessageIcon::None);
}

} // namespace cuemark
