#include "app/widgets/tag_buttons.h"

namespace cuemark {

bool TagLeftOpen(const QString& text, const InlineTag& tag) {
    // A missing tag counts as -1, so an opening tag alone is open and no tag
    // at all is closed.
    return text.lastIndexOf(tag.open) > text.lastIndexOf(tag.close);
}

bool TagOpenAt(const QString& text, int caret, const InlineTag& tag) {
    const int n = static_cast<int>(text.size());
    const int p = caret < 0 ? 0 : (caret > n ? n : caret);
    const int examined = (p == n && n > 0) ? n : p + 1;
    return TagLeftOpen(text.left(examined), tag);
}

QString CloseOpenTags(QString text) {
    if (TagLeftOpen(text, BoldTag)) text += BoldTag.close;
    if (TagLeftOpen(text, ItalicTag)) text += ItalicTag.close;
    return text;
}

QString TagButtonCaption(const InlineTag& tag, bool open) {
    // The ampersand makes the tag's letter the access key (Alt+B, Alt+I).
    const QString& shown = open ? tag.close : tag.open;
    QString caption = shown;
    caption.insert(caption.size() - 2, QLatin1Char('&'));
    return caption;
}

} // namespace cuemark
