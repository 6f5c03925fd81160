#include "subtitles/text_corrections.h"

#include <string_view>
#include <vector>

namespace cuemark {

namespace {

bool IsCapital(char c) {
    return c >= 'A' && c <= 'Z';
}

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        if (at == std::string_view::npos) break;
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + separator.size());
    }
    parts.push_back(text);
    return parts;
}

// Slashes go, except the one of a closing tag ("</b>"), which would
// otherwise turn into an opening one.
std::string WithoutMarkingSlashes(std::string_view word) {
    std::string kept;
    kept.reserve(word.size());
    for (std::size_t k = 0; k < word.size(); ++k) {
        if (word[k] == '/' && !(k > 0 && word[k - 1] == '<')) continue;
        kept += word[k];
    }
    return kept;
}

} // namespace

std::string CorrectText(const std::string& text) {
    std::string out = text;
    bool sentenceStart = true;
    bool changed = false;
    for (std::size_t k = 0; k < out.size(); ++k) {
        char& c = out[k];
        if (sentenceStart && c == 'l') {
            c = 'I';
            changed = true;
        } else if (!sentenceStart && c == 'I' && (k + 1 == out.size() || !IsCapital(out[k + 1]))) {
            c = 'l';
            changed = true;
        }
        if (c != '\r' && c != ' ' && c != '\n' && c != '-') sentenceStart = false;
        if (c == '.' || c == '!' || c == '?') sentenceStart = true;
    }
    return changed ? out : std::string();
}

std::string SlashToItalic(const std::string& text) {
    bool changed = false;
    std::string out;
    bool firstLine = true;
    for (std::string_view line : Split(text, "\r\n")) {
        std::string outLine;
        bool inItalic = false;
        for (std::string_view word : Split(line, " ")) {
            std::string w(word);
            const bool marked = !w.empty() && w.front() == '/';
            if (inItalic && !marked) {
                outLine += "</i>";
                inItalic = false;
            } else if (!inItalic && marked) {
                w = "<i>" + w;
                inItalic = true;
                changed = true;
            }
            if (!outLine.empty()) outLine += ' ';
            if (inItalic) w = WithoutMarkingSlashes(w);
            outLine += w;
        }
        if (inItalic) outLine += "</i>";
        if (!firstLine) out += "\r\n";
        out += outLine;
        firstLine = false;
    }
    return changed ? out : std::string();
}

std::string RepairLineBreaks(std::string text) {
    for (std::size_t p = 1; p + 1 < text.size(); ++p) {
        if ((text[p] == '\n' && text[p - 1] != '\r') || (text[p] == '\r' && text[p + 1] != '\n')) text[p] = ' ';
    }
    return text;
}

} // namespace cuemark
