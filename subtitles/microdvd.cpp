#include "subtitles/microdvd.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "subtitles/format_support.h"
#include "subtitles/messages.h"
#include "subtitles/number_text.h"
#include "subtitles/time_text.h"

namespace cuemark {
namespace {

using format::AppendNumber;
using format::IsBlank;

int64_t FrameOf(double seconds, double FrameRate) {
    int64_t frame = 0;
    if (!format::ToInt64(RoundHalfEven(seconds * FrameRate), frame)) throw TimeOverflow();
    return frame;
}

} // namespace

ReadOutcome ReadMicroDVD(LineReader& in, SUBTITLES& Subt, MarkupState& markup, double FrameRate) {
    std::string text;
    std::string piece;
    while (!in.AtEnd()) {
        const std::string_view line = TrimSpaces(in.NextLine());
        if (line.empty()) continue;
        if (line.front() != '{') {
            return format::StoppedAt(in, ReadOutcome::Status::BadInput, messages::MicroDVDCorrupt,
                                     IsBlank(line) && in.RestIsBlank());
        }
        const double start = LeadingNumber(line.substr(1)) / FrameRate;
        // Without a second "{" the end reads from the first one, which gives
        // 0, and the text starts after the first "}".
        const size_t p = line.find('{', 1);
        const double end = p == std::string_view::npos ? 0.0 : LeadingNumber(line.substr(p + 1)) / FrameRate;
        // A frame so far on that its time cannot be held is no frame number.
        if (!withinTimeRange(start) || !withinTimeRange(end))
            return format::StoppedAt(in, ReadOutcome::Status::BadInput, messages::MicroDVDCorrupt);
        const size_t q = line.find('}', p == std::string_view::npos ? 0 : p + 1);
        // No "}" at all: the whole line is kept as text rather than dropped.
        const std::string_view body = q == std::string_view::npos ? line : line.substr(q + 1);

        text.clear();
        size_t from = 0;
        while (true) {
            const size_t bar = body.find('|', from);
            piece.assign(body.substr(from, bar == std::string_view::npos ? std::string_view::npos : bar - from));
            markup.CodesToTags(piece);
            if (from != 0) text.append("\r\n");
            text.append(piece);
            if (bar == std::string_view::npos) break;
            from = bar + 1;
        }
        if (auto full = format::AddTitle(in, Subt, markup, start, end, std::move(text))) return *full;
    }
    return ReadOutcome{};
}

void WriteMicroDVD(LineWriter& out, const SUBTITLES& Subt, double FrameRate) {
    std::string line;
    for (int32_t i = 1; i <= Subt.Count(); ++i) {
        line.assign("{");
        AppendNumber(line, FrameOf(Subt.StartTime(i), FrameRate));
        line.append("}{");
        AppendNumber(line, FrameOf(Subt.EndTime(i), FrameRate));
        line.push_back('}');
        // The title's lines joined by "|", their tags as style codes.
        const std::string_view text = Subt.Text(i);
        size_t from = 0;
        for (size_t pair; (pair = text.find("\r\n", from)) != std::string_view::npos; from = pair + 2) {
            AppendTagsAsCodes(line, text.substr(from, pair - from));
            line.push_back('|');
        }
        AppendTagsAsCodes(line, text.substr(from));
        out.WriteLine(line);
    }
}

} // namespace cuemark
