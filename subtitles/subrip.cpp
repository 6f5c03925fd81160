#include "subtitles/subrip.h"

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
        // from the 18th character on.
        const double start = TextToTime(timesView.substr(0, 12));
        const double end = TextToTime(timesView.size() > 17 ? timesView.substr(17) : std::string_view());

        // The first line after the times is text even when it is empty.
        std::string text = in.ReadLine();
        markup.CodesToTags(text);
        while (!in.AtEnd()) {
            const std::string_view view = in.NextLine();
            if (view.empty()) break;
            line.assign(view);
            markup.CodesToTags(line);
            text.append("\r\n").append(line);
        }
        if (auto full = format::AddTitle(in, Subt, markup, start, end, std::move(text))) return *full;
    }
    return ReadOutcome{};
}

void WriteSubRip(LineWriter& out, const SUBTITLES& Subt) {
    std::string timesLine;
    for (int32_t i = 1; i <= Subt.Count(); ++i) {
        char number[16];
        const auto printed = std::to_chars(number, number + sizeof number, i);
        out.WriteLine(std::string_view(number, static_cast<size_t>(printed.ptr - number)));

        timesLine = TimeToText(Subt.StartTime(i));
        timesLine.append(" --> ").append(TimeToText(Subt.EndTime(i)));
        out.WriteLine(timesLine);

        const std::string& text = Subt.Text(i);
        if (text.find('<') == std::string::npos) {
            out.WriteLine(text);
        } else {
            out.WriteLine(StripTags(text));
        }
        out.WriteLine("");
    }
}

} // namespace cuemark
