#pragma once
// The texts of the editor list's three cells for one title.

#include <QString>
#include <cstdint>
#include <string>

namespace cuemark {

class SUBTITLES;

// The editor list's columns, left to right. Unscoped, so that a column meets
// Qt's int sections and QModelIndex::column() without casts.
enum TitleColumn : int { TextColumn, StartColumn, DurationColumn };
inline constexpr int TitleColumnCount = DurationColumn + 1;

// The Text cell as shown in one row: each line break as a visible return
// symbol, never a silent join.
QString TextCellDisplay(const std::string& text);
// The in-place editor's text back into a title's text (return symbols become
// CR LF again).
std::string TextFromCellEditor(const QString& edited);
// The Start cell: the time as time text; empty when too large to write.
std::string StartCellText(double start);
// The Duration cell: the rounded duration in the general number form (up to
// 15 significant digits, no trailing zeros, the user's decimal separator).
std::string DurationCellText(double duration);
// The duration of a title as its cell shows it.
std::string DurationCellText(double start, double end);
// Title ix's cell; the Text column gives the text as stored (CR LF between
// lines).
std::string CellText(const SUBTITLES& Subt, std::int32_t ix, TitleColumn column);

} // namespace cuemark
