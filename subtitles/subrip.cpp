#include "subtitles/subrip.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "subtitles/format_support.h"
#include "subtitles/messages.h"
#include "subtitles/number_text.h"
#include "subtitles/time_text.h"

namespace cuemark {

ReadOutcome ReadSubRip(LineReader& in, SUBTITLES& Subt, MarkupState& markup) {
    std::string line;
    while (!in.AtEnd()) {
        const std::string_view counter = in.NextLine();
        // Only whether the counter is non-zero matters, never its value.
        if (LeadingNumber(counter) == 0.0) {
            return format::StoppedAt(in, ReadOutcome::Status::BadInput, messages::SubRipCorrupt,
                                     format::IsBlank(counter) && in.RestIsBlank());
        }
        if (in.AtEnd()) break;
        const std::string_view timesView = in.NextLine();
        if (in.AtEnd()) break;

        // Fixed positions: the start is the first 12 characters, the end runs
        // from the 18th character on. A cut that misses the pieces reads as
        // 0, but a piece that is no number ("nan", full-width digits) or
        // too many hours is no time at all.
        const std::string_view startText = timesView.substr(0, 12);
        const std::string_view endText = timesView.size() > 17 ? timesView.substr(17) : std::string_view();
        const std::optional<double> start = TimeFromFile(startText);
        const std::optional<double> end = start ? TimeFromFile(endText) : std::nullopt;
        if (!end) return format::StoppedAt(in, ReadOutcome::Status::BadInput, messages::SubRipCorrupt);

        // The first line after the times is text even when it is empty.
        std::string text = in.ReadLine();
        markup.CodesToTags(text);
        while (!in.AtEnd()) {
            const std::string_view view = in.NextLine();
            if (view.empty()) break;
            text.append("\r\n");
            // Most lines hold no style code, and go in without a copy of their own.
            if (view.find('{') == std::string_view::npos) {
                text.append(view);
                continue;
            }
            line.assign(view);
            markup.CodesToTags(line);
            text.append(line);
        }
        if (auto full = format::AddTitle(in, Subt, markup, *start, *end, std::move(text))) return *full;
    }
    return ReadOutcome{};
}

namespace {

// Writes a title's lines as the reader will split them (CR, CR LF or LF). An
// empty line after the first would end the block there and leave the rest as
// a block the reader stops on, so it is left out: "a<br><br>b" comes back as
// the two lines "a" and "b". The first line stays even when empty, as the
// reader takes it as text.
void WriteTextLines(LineWriter& out, std::string_view text) {
    size_t from = 0;
    bool first = true;
    const auto lineEnd = [&text](size_t at) {
        at = FindLineEnd(text.data(), at, text.size());
        return at == text.size() ? std::string_view::npos : at;
    };
    while (true) {
        const size_t end = lineEnd(from);
        const std::string_view line = text.substr(from, end == std::string_view::npos ? end : end - from);
        if (first || !line.empty()) out.WriteLine(line);
        first = false;
        if (end == std::string_view::npos) return;
        from = end + 1;
        if (text[end] == '\r' && from < text.size() && text[from] == '\n') ++from;
        if (from == text.size()) return;
    }
}

} // namespace

void WriteSubRip(LineWriter& out, const SUBTITLES& Subt) {
    for (int32_t i = 1; i <= Subt.Count(); ++i) {
        // The number and the times lines, built in place.
        char lines[16 + 2 + 2 * TimeTextMax + 5 + 2];
        char* at = std::to_chars(lines, lines + 16, i).ptr;
        *at++ = '\r';
        *at++ = '\n';
        at = TimeToChars(Subt.StartTime(i), at);
        at = std::copy_n(" --> ", 5, at);
        at = TimeToChars(Subt.EndTime(i), at);
        out.WriteLine(std::string_view(lines, static_cast<size_t>(at - lines)));

        const std::string& text = Subt.Text(i);
        if (text.find('<') == std::string::npos) {
            WriteTextLines(out, text);
        } else {
            WriteTextLines(out, StripTags(text));
        }
        out.WriteLine("");
    }
}

} // namespace cuemark
