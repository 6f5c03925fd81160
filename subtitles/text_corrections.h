#pragma once
// Whole-text corrections of one title's text, and the repair of the line
// breaks a person typed into a one-line cell. Texts use CR LF between lines.

#include <string>

namespace cuemark {

// Swaps "l" and "I" where scanning put the wrong one: a sentence starting
// with "l" gets "I", an "I" inside a sentence becomes "l" unless a capital
// follows. Empty when nothing was replaced.
std::string CorrectText(const std::string& text);
// Words marked with a leading "/" become italic ("/Hello /world" gives
// "<i>Hello world</i>"); italic never runs past a line end. Empty when no
// word was marked.
std::string SlashToItalic(const std::string& text);
// A lone LF or a lone CR inside the text (not its first or last character)
// becomes a space, so the text holds only CR LF line breaks.
std::string RepairLineBreaks(std::string text);

} // namespace cuemark
