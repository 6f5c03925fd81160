#pragma once
// Which inline tags stand open at the caret of the title edit box, and the
// closing of tags left open. Positions are QString indices, as the text
// box's caret counts them.

#include <QString>

namespace cuemark {

struct InlineTag {
    QString open;  // "<b>"
    QString close; // "</b>"
};

inline const InlineTag BoldTag{QStringLiteral("<b>"), QStringLiteral("</b>")};
inline const InlineTag ItalicTag{QStringLiteral("<i>"), QStringLiteral("</i>")};

// True when the last opening tag stands after the last closing tag in the
// text up to the caret (one character past it, unless the caret is at the
// end). Case-sensitive; a tag counts only when it lies wholly inside.
bool TagOpenAt(const QString& text, int caret, const InlineTag& tag);

// True when the whole text opens the tag after its last closing one.
bool TagLeftOpen(const QString& text, const InlineTag& tag);

// The text with "</b>" appended if bold is left open, then "</i>" if italic
// is, so "<i>..<b>.." ends in "</b></i>".
QString CloseOpenTags(QString text);

// The caption of a tag button: "<&b>" to open, "</&b>" to close.
QString TagButtonCaption(const InlineTag& tag, bool open);

} // namespace cuemark
