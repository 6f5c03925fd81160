#pragma once
// Which titles contain a search text: by any of its words, all of them, or
// the whole text, ignoring case by the user's locale.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cuemark {

class SUBTITLES;

enum class SearchMode { AnyWord, AllWords, ExactPhrase };

// The words of an already lower-cased search text, split at every space. A
// leading space or two spaces in a row give an empty word (which every text
// contains); a trailing space gives none.
QStringList SplitSearchWords(const QString& lowered);

class TitleSearch {
public:
    // An empty search text matches no title.
    TitleSearch(const QString& searchText, SearchMode mode, const QLocale& locale = QLocale());

    // The search words in their order; empty for an exact phrase.
    const QStringList& words() const { return words_; }
    bool Matches(const std::string& text) const;
    // The first title after `from` that matches, or Count + 1 when none does.
    std::int32_t NextMatch(const SUBTITLES& Subt, std::int32_t from) const;

private:
    bool matches(std::string_view text, std::string& asciiLower) const;
    bool containsNeedles(const QString& lowered) const;
    bool containsNeedles(std::string_view lowered) const;

    QLocale locale_;
    bool any_;
    QStringList words_;
    // What a title is searched for: the words, or the one phrase.
    QStringList needles_;
    std::vector<std::string> utf8Needles_;
    // Most titles are plain ASCII; where the locale lowers ASCII as the
    // C locale does, those skip decoding and locale lowering altogether.
    bool asciiLowersPlainly_;
};

} // namespace cuemark
