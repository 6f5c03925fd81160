#include "subtitles/markup.h"

#include <array>
#include <limits>
#include <utility>
#include <vector>

namespace cuemark {

namespace {

// The conversion rewrites the first remaining code of each kind, round after
// round. Done on a flat string that is quadratic in the number of codes, so
// the text is held as a linked list of characters with one search position
// per kind of code; each position only moves forward, except when removing a
// "{y}" joins two pieces into a new code, which can begin at most four
// characters before the join.
class CodeRewriter {
public:
    enum Kind { Italic, Bold, Close, KindCount };

    explicit CodeRewriter(const std::string& s) {
        const int n = static_cast<int>(s.size());
        ch_.reserve(n + 1);
        ch_.push_back('\0'); // node 0: the head sentinel
        next_.reserve(n + 1);
        prev_.reserve(n + 1);
        pos_.reserve(n + 1);
        next_.push_back(n > 0 ? 1 : none);
        prev_.push_back(none);
        pos_.push_back(-1);
        for (int i = 0; i < n; ++i) {
            ch_.push_back(s[i]);
            next_.push_back(i + 1 < n ? i + 2 : none);
            prev_.push_back(i);
            pos_.push_back(i);
        }
        removed_.assign(ch_.size(), false);
        for (int k = 0; k < KindCount; ++k) from_[k] = next_[0];
    }

    // One round: returns false once no code is left.
    bool round(bool& italicOpen, bool& boldOpen) {
        int found[KindCount];
        for (int k = 0; k < KindCount; ++k) found[k] = find(static_cast<Kind>(k));
        if (found[Italic] == none && found[Bold] == none && found[Close] == none) return false;
        if (found[Italic] != none) {
            replaceOpening(Italic, found[Italic], 'i');
            italicOpen = true;
        }
        if (found[Bold] != none) {
            replaceOpening(Bold, found[Bold], 'b');
            boldOpen = true;
        }
        if (found[Close] != none) {
            std::string tags;
            if (italicOpen) tags += "</i>";
            if (boldOpen) tags += "</b>";
            italicOpen = boldOpen = false;
            replaceClosing(found[Close], tags);
        }
        return true;
    }

    std::string text() const {
        std::string out;
        for (int node = next_[0]; node != none; node = next_[node]) out.push_back(ch_[node]);
        return out;
    }

private:
    static constexpr int none = -1;
    static constexpr std::array<const char*, KindCount> codes{"{y:i}", "{y:b}", "{y}"};

    bool matchesAt(int node, Kind kind) const {
        for (const char* c = codes[kind]; *c; ++c, node = next_[node])
            if (node == none || ch_[node] != *c) return false;
        return true;
    }

    int find(Kind kind) {
        int node = from_[kind];
        while (node != none && !matchesAt(node, kind)) node = next_[node];
        from_[kind] = node;
        return node;
    }

    int advance(int node, int steps) const {
        while (steps-- > 0 && node != none) node = next_[node];
        return node;
    }

    long long order(int node) const { return node == none ? std::numeric_limits<long long>::max() : pos_[node]; }

    void replaceOpening(Kind kind, int first, char letter) {
        // "{y:i}" becomes "<i>": the first three nodes are reused.
        const int second = next_[first], third = next_[second];
        const int fourth = next_[third], fifth = next_[fourth];
        ch_[first] = '<';
        ch_[second] = letter;
        ch_[third] = '>';
        removed_[fourth] = removed_[fifth] = true;
        link(third, next_[fifth]);
        from_[kind] = next_[third];
        for (int k = 0; k < KindCount; ++k)
            if (from_[k] != none && removed_[from_[k]]) from_[k] = next_[third];
    }

    void replaceClosing(int first, const std::string& tags) {
        const int last = advance(first, 2);
        const int left = prev_[first], right = next_[last];
        for (int node = first; node != right; node = next_[node]) removed_[node] = true;
        int tail = left;
        int successor = right;
        for (size_t i = 0; i < tags.size(); ++i) {
            const int node = static_cast<int>(ch_.size());
            ch_.push_back(tags[i]);
            next_.push_back(none);
            prev_.push_back(none);
            pos_.push_back(pos_[first]);
            removed_.push_back(false);
            link(tail, node);
            tail = node;
            if (i == 0) successor = node;
        }
        link(tail, right);
        for (int k = 0; k < KindCount; ++k)
            if (from_[k] != none && removed_[from_[k]]) from_[k] = successor;
        from_[Close] = successor;
        if (!tags.empty()) return; // tags hold no code characters: nothing can join
        int start = left;
        for (int back = 0; back < 4 && start > 0; ++back, start = prev_[start])
            for (int k = 0; k < KindCount; ++k)
                if (order(start) < order(from_[k]) && matchesAt(start, static_cast<Kind>(k))) from_[k] = start;
    }

    void link(int a, int b) {
        next_[a] = b;
        if (b != none) prev_[b] = a;
    }

    std::vector<char> ch_;
    std::vector<int> next_, prev_;
    std::vector<long long> pos_;
    std::vector<bool> removed_;
    int from_[KindCount];
};

// Removes `tag` until none is left, in one pass: a removal can expose a new
// occurrence ("<<i>i>"), which shows as the output ending in the tag. Every
// tag ends in '>', so the output is checked only there.
std::string removeAll(std::string_view s, std::string_view tag) {
    std::string out;
    out.reserve(s.size());
    size_t at = 0;
    while (at < s.size()) {
        size_t close = s.find('>', at);
        if (close == std::string_view::npos) {
            out.append(s.substr(at));
            break;
        }
        out.append(s.substr(at, close + 1 - at));
        at = close + 1;
        if (out.size() >= tag.size() && std::string_view(out).substr(out.size() - tag.size()) == tag)
            out.resize(out.size() - tag.size());
    }
    return out;
}

// The rounds as written, on the string itself: quadratic, so only for short lines.
void rewriteInPlace(std::string& s, bool& italic, bool& bold) {
    for (;;) {
        const size_t opensItalic = s.find("{y:i}");
        if (opensItalic != std::string::npos) {
            s.replace(opensItalic, 5, "<i>");
            italic = true;
        }
        const size_t opensBold = s.find("{y:b}");
        if (opensBold != std::string::npos) {
            s.replace(opensBold, 5, "<b>");
            bold = true;
        }
        const size_t closes = s.find("{y}");
        if (closes != std::string::npos) {
            const char* tags = italic ? (bold ? "</i></b>" : "</i>") : (bold ? "</b>" : "");
            s.replace(closes, 3, tags);
            italic = bold = false;
        }
        if (opensItalic == std::string::npos && opensBold == std::string::npos && closes == std::string::npos) return;
    }
}

} // namespace

void MarkupState::CodesToTags(std::string& s) {
    if (s.find("{y") == std::string::npos) return;
    // Subtitle lines are short: rewriting them in place costs less than
    // building the list, whose worth shows only on long lines of many codes.
    if (s.size() <= 256) {
        rewriteInPlace(s, italicOpen, boldOpen);
        return;
    }
    CodeRewriter rewriter(s);
    while (rewriter.round(italicOpen, boldOpen)) {
    }
    s = rewriter.text();
}

void MarkupState::CloseOpenTags(std::string& s) {
    if (italicOpen) s += "</i>";
    if (boldOpen) s += "</b>";
    italicOpen = boldOpen = false;
}

std::string TagsToCodes(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    AppendTagsAsCodes(out, s);
    return out;
}

// Every tag holds one "<", at its start, so no two can overlap and one pass
// from the left finds what replacing each tag in turn would.
void AppendTagsAsCodes(std::string& out, std::string_view s) {
    static constexpr std::pair<std::string_view, std::string_view> Codes[] = {
        {"<i>", "{y:i}"}, {"<b>", "{y:b}"}, {"</i>", "{y}"}, {"</b>", "{y}"}};
    size_t copied = 0;
    for (size_t at = s.find('<'); at != std::string_view::npos; at = s.find('<', at + 1)) {
        for (const auto& [tag, code] : Codes) {
            if (s.compare(at, tag.size(), tag) != 0) continue;
            out.append(s.substr(copied, at - copied)).append(code);
            copied = at + tag.size();
            at = copied - 1;
            break;
        }
    }
    out.append(s.substr(copied));
}

std::string StripTags(std::string_view s) {
    if (s.find('<') == std::string_view::npos) return std::string(s);
    std::string out = removeAll(s, "<i>");
    out = removeAll(out, "<b>");
    out = removeAll(out, "</i>");
    return removeAll(out, "</b>");
}

} // namespace cuemark
