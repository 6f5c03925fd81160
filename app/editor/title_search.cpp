#include "app/editor/title_search.h"

#include <algorithm>

#include "subtitles/store.h"

namespace cuemark {

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool lowersAsciiPlainly(const QLocale& locale) {
    QString all;
    QString expected;
    for (int c = 1; c < 0x80; ++c) {
        all += QLatin1Char(static_cast<char>(c));
        expected += QLatin1Char(asciiLower(static_cast<char>(c)));
    }
    return locale.toLower(all) == expected;
}

// Lowers a plain-ASCII text into `out`; false (out undefined) when the text
// has any other byte.
bool lowerAscii(std::string_view text, std::string& out) {
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
        out[i] = asciiLower(text[i]);
    }
    return true;
}

} // namespace

QStringList SplitSearchWords(const QString& lowered) {
    QStringList words = lowered.split(QLatin1Char(' '));
    if (words.last().isEmpty()) words.removeLast();
    return words;
}

TitleSearch::TitleSearch(const QString& searchText, SearchMode mode, const QLocale& locale)
    : locale_(locale), any_(mode == SearchMode::AnyWord), asciiLowersPlainly_(lowersAsciiPlainly(locale)) {
    if (searchText.isEmpty()) return;
    const QString lowered = locale_.toLower(searchText);
    if (mode == SearchMode::ExactPhrase) {
        needles_ = {lowered};
    } else {
        words_ = SplitSearchWords(lowered);
        needles_ = words_;
    }
    for (const QString& needle : needles_) utf8Needles_.push_back(needle.toStdString());
}

bool TitleSearch::containsNeedles(const QString& lowered) const {
    const auto occurs = [&](const QString& needle) { return lowered.contains(needle); };
    return any_ ? std::any_of(needles_.begin(), needles_.end(), occurs)
                : std::all_of(needles_.begin(), needles_.end(), occurs);
}

bool TitleSearch::containsNeedles(std::string_view lowered) const {
    const auto occurs = [&](const std::string& needle) { return lowered.find(needle) != std::string_view::npos; };
    return any_ ? std::any_of(utf8Needles_.begin(), utf8Needles_.end(), occurs)
                : std::all_of(utf8Needles_.begin(), utf8Needles_.end(), occurs);
}

bool TitleSearch::matches(std::string_view text, std::string& asciiLower) const {
    if (needles_.isEmpty()) return false;
    if (asciiLowersPlainly_ && lowerAscii(text, asciiLower)) return containsNeedles(std::string_view(asciiLower));
    return containsNeedles(locale_.toLower(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))));
}

bool TitleSearch::Matches(const std::string& text) const {
    std::string buffer;
    return matches(text, buffer);
}

std::int32_t TitleSearch::NextMatch(const SUBTITLES& Subt, std::int32_t from) const {
    const std::int32_t count = Subt.Count();
    if (needles_.isEmpty() || from >= count) return count + 1;
    std::string buffer;
    for (std::int32_t ix = std::max(from, 0) + 1; ix <= count; ++ix) {
        if (matches(Subt.Text(ix), buffer)) return ix;
    }
    return count + 1;
}

} // namespace cuemark
