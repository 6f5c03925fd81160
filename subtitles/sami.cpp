#include "subtitles/sami.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "subtitles/format_support.h"
#include "subtitles/messages.h"
#include "subtitles/number_text.h"
#include "subtitles/time_text.h"

namespace cuemark {
namespace {

constexpr std::string_view LineEnd = "\r\n";

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `lowerNeedle` in `text`, ignoring the case of ASCII letters.
size_t FindIgnoringCase(std::string_view text, std::string_view lowerNeedle) {
    if (lowerNeedle.size() > text.size()) return std::string_view::npos;
    for (size_t i = 0; i + lowerNeedle.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < lowerNeedle.size() && LowerAscii(text[i + k]) == lowerNeedle[k]) ++k;
        if (k == lowerNeedle.size()) return i;
    }
    return std::string_view::npos;
}

void TrimInPlace(std::string& s) {
    const size_t last = s.find_last_not_of(' ');
    if (last == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(last + 1);
    s.erase(0, s.find_first_not_of(' '));
}

// The body, a piece at a time. The rest of the current line (SamiPending)
// is a view into the reader's text, so a body written on one long line is
// never copied over and over.
class SamiScanner {
public:
    SamiScanner(LineReader& in, std::string firstPending)
        : in_(in), first_(std::move(firstPending)), pending_(first_) {}
    SamiScanner(const SamiScanner&) = delete;
    SamiScanner& operator=(const SamiScanner&) = delete;

    // The text up to the next "<", lines joined by single blanks. Valid
    // until the next call.
    std::string_view SamiTextBefore() { return take('<', false); }
    // The next tag, up to and including its ">". Valid until the next call.
    std::string_view SamiNextTag() { return take('>', true); }

    bool exhausted() const { return pending_.empty() && in_.AtEnd(); }
    std::string_view pending() const { return pending_; }

private:
    // r = r, a blank and the part, with blanks at both ends removed.
    static void join(std::string& r, std::string_view part) {
        if (r.empty()) {
            r.assign(TrimSpaces(part));
            return;
        }
        const size_t last = part.find_last_not_of(' ');
        if (last == std::string_view::npos) return;
        r.push_back(' ');
        r.append(part.substr(0, last + 1));
    }

    // Every pass either reads a line or consumes pending text, and the end
    // of the input ends it, so no input can keep it going.
    std::string_view take(char stop, bool includeStop) {
        std::string& r = result_;
        r.clear();
        while (true) {
            if (pending_.empty() && !in_.AtEnd()) {
                pending_ = TrimSpaces(in_.NextLine());
                continue;
            }
            const size_t at = pending_.find(stop);
            if (at != std::string_view::npos) {
                const size_t taken = includeStop ? at + 1 : at;
                const std::string_view part = pending_.substr(0, taken);
                pending_.remove_prefix(taken);
                // Most tokens lie within one line: they are handed out where
                // they lie, and only a token over several lines is copied.
                if (r.empty()) return TrimSpaces(part);
                join(r, part);
                return r;
            }
            join(r, pending_);
            pending_ = {};
            if (in_.AtEnd()) return r;
        }
    }

    LineReader& in_;
    std::string first_; // the rest of the "<body>" line; later lines are views into the reader
    std::string_view pending_;
    std::string result_;
};

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (LowerAscii(text[i]) != lower[i]) return false;
    return true;
}

// The tags the reader acts on, by their name: what lies between "<" and ">",
// blanks removed at both ends, up to the first blank, in any case. A tag cut
// off by the end of the file has no name.
enum class TagKind { Other, Br, P, Sync, BodyEnd };

TagKind KindOf(std::string_view tag) {
    if (tag.size() < 2 || tag.front() != '<' || tag.back() != '>') return TagKind::Other;
    std::string_view name = TrimSpaces(tag.substr(1, tag.size() - 2));
    name = name.substr(0, name.find(' '));
    if (EqualsIgnoringCase(name, "br")) return TagKind::Br;
    if (EqualsIgnoringCase(name, "p")) return TagKind::P;
    if (EqualsIgnoringCase(name, "sync")) return TagKind::Sync;
    if (EqualsIgnoringCase(name, "/body")) return TagKind::BodyEnd;
    return TagKind::Other;
}

// Where an attribute's name is in a tag: at once for the spelling files
// almost always use ("<SYNC Start=", "<P Class="), else by a search that
// ignores case, which finds the same place for those spellings.
size_t AttributeAt(std::string_view tag, std::string_view usual, size_t at, std::string_view lowerName) {
    if (tag.size() > usual.size() && tag.substr(0, usual.size()) == usual) return at;
    return FindIgnoringCase(tag, lowerName);
}

// A SYNC start as some files write it, Start="1000", reads like Start=1000.
double SyncMilliseconds(std::string_view afterEquals) {
    size_t i = afterEquals.find_first_not_of(' ');
    if (i != std::string_view::npos && (afterEquals[i] == '"' || afterEquals[i] == '\'')) {
        afterEquals.remove_prefix(i + 1);
    }
    return LeadingNumber(afterEquals);
}

bool HoldsTitle(const std::string& t) {
    return !t.empty() && t != LineEnd;
}

void AppendMilliseconds(std::string& out, double seconds) {
    int64_t ms = 0;
    if (!format::ToInt64(RoundHalfEven(seconds * 1000.0), ms)) throw TimeOverflow();
    format::AppendNumber(out, ms);
}

constexpr const char* FixedHeader[] = {
    "<SAMI>",
    "<HEAD>",
    "<STYLE TYPE=\"Text/css\"><!--",
    "P {margin-left: 29pt; margin-right: 29pt; font-size: 14pt;",
    "text-align: center; font-family: tahoma, arial, sans-serif;",
    "font-weight: bold; color: white; background-color: black;}",
    ".SUBTTL {Name: 'Subtitles'; SAMIType: CC;}",
    "-->",
    "</STYLE>",
    "</HEAD>",
    "",
    "<BODY>",
    "<SYNC Start=0><P Class=SUBTTL><br>",
};

} // namespace

ReadOutcome ReadSami(LineReader& in, SUBTITLES& Subt, SamiState& sami) {
    sami.SamiHeaderKept = false;
    sami.SamiHeader.clear();
    // Footer and class from an earlier file must not end up in this one's.
    sami.SamiFooter.clear();
    sami.SamiClass.clear();
    sami.SamiPending.clear();

    constexpr std::string_view bodyTag = "<body>";
    bool bodyFound = false;
    while (!bodyFound && !in.AtEnd()) {
        const std::string line = in.ReadLine();
        const size_t at = FindIgnoringCase(line, bodyTag);
        bodyFound = at != std::string_view::npos;
        const size_t headerPart = bodyFound ? at + bodyTag.size() : line.size();
        sami.SamiHeader.append(line, 0, headerPart).append(LineEnd);
        if (bodyFound) sami.SamiPending.assign(TrimSpaces(std::string_view(line).substr(headerPart)));
    }
    // What follows "<body>" on its own line is body too, even on the last line.
    if (!bodyFound || (in.AtEnd() && sami.SamiPending.empty())) {
        return format::StoppedAt(in, ReadOutcome::Status::BadInput, messages::SamiCorrupt);
    }

    sami.SamiHeaderKept = true;
    SamiScanner scan(in, sami.SamiPending);
    const auto stop = [&](ReadOutcome::Status status, const char* message) {
        sami.SamiPending.assign(scan.pending());
        return format::StoppedAt(in, status, message);
    };

    std::string t;
    std::string_view g;
    double s = 0.0;
    bool bodyDone = false;
    try {
        // Text still waiting after the last line has been read is read too:
        // the last line may hold a SYNC and "</body>" together.
        while (!bodyDone && !scan.exhausted()) {
            t += scan.SamiTextBefore();
            g = scan.SamiNextTag();
            const TagKind kind = KindOf(g);
            if (kind == TagKind::Br) {
                if (!t.empty()) {
                    TrimInPlace(t);
                    t.append(LineEnd);
                }
            } else if (kind == TagKind::P) {
                if (AttributeAt(g, "<P Class=", 3, "class") != std::string::npos) {
                    const size_t equals = g.find('=');
                    if (equals == std::string::npos) return stop(ReadOutcome::Status::BadInput, messages::SamiCorrupt);
                    std::string_view name = TrimSpaces(std::string_view(g).substr(equals + 1));
                    name = TrimSpaces(name.substr(0, name.find('>')));
                    sami.SamiClass.assign(name);
                }
            } else if (kind == TagKind::Sync) {
                const size_t start = AttributeAt(g, "<SYNC Start=", 6, "start");
                const size_t equals = start == std::string::npos ? std::string::npos : g.find('=', start + 5);
                if (equals == std::string::npos) return stop(ReadOutcome::Status::BadInput, messages::SamiCorrupt);
                const double u = SyncMilliseconds(std::string_view(g).substr(equals + 1)) / 1000.0;
                if (!withinTimeRange(u)) return stop(ReadOutcome::Status::BadInput, messages::SamiCorrupt);
                TrimInPlace(t);
                if (HoldsTitle(t)) {
                    Subt.Add(s, u, std::move(t));
                    t.clear();
                }
                s = u;
            } else if (kind == TagKind::BodyEnd) {
                // Nothing ends the last title, so it lasts 10 seconds, as
                // long as a time can hold that.
                if (HoldsTitle(t)) {
                    if (!withinTimeRange(s + 10.0)) return stop(ReadOutcome::Status::BadInput, messages::SamiCorrupt);
                    Subt.Add(s, s + 10.0, t);
                }
                bodyDone = true;
            } else if ((g == "<i>" || g == "</i>") && !t.empty()) {
                t.append(" ").append(g).append(" ");
            } else {
                t += g; // any other tag stays in the title as written
            }
        }
    } catch (const StoreFull&) {
        return stop(ReadOutcome::Status::StoreFull, messages::StoreFull);
    }
    if (!bodyDone) return stop(ReadOutcome::Status::BadInput, messages::SamiCorrupt);

    sami.SamiFooter.assign(g).append(scan.pending()).append(LineEnd);
    while (!in.AtEnd()) sami.SamiFooter.append(in.ReadLine()).append(LineEnd);
    sami.SamiPending.clear();
    return ReadOutcome{};
}

void WriteSami(LineWriter& out, const SUBTITLES& Subt, const SamiState& sami) {
    if (sami.SamiHeaderKept) {
        out.Write(sami.SamiHeader);
        // "<P Class=>" would be no valid class; a file whose body named no
        // class gets its first paragraph without one, as every title's is.
        out.WriteLine(sami.SamiClass.empty() ? std::string("<SYNC Start=0><P><br>")
                                             : "<SYNC Start=0><P Class=" + sami.SamiClass + "><br>");
    } else {
        for (const char* line : FixedHeader) out.WriteLine(line);
    }

    std::string line;
    const auto writeEnd = [&](double end) {
        line.assign("<SYNC Start=");
        AppendMilliseconds(line, end);
        line.append("><P><br>");
        out.WriteLine(line);
    };
    for (int32_t i = 1; i <= Subt.Count(); ++i) {
        line.assign("<SYNC Start=");
        AppendMilliseconds(line, Subt.StartTime(i));
        line.append("><P>");
        const std::string& text = Subt.Text(i);
        size_t from = 0;
        for (size_t pair; (pair = text.find(LineEnd, from)) != std::string::npos; from = pair + LineEnd.size()) {
            line.append(text, from, pair - from).append("<br>");
        }
        line.append(text, from, std::string::npos);
        out.WriteLine(line);
        // A title that runs into the next one is ended by the next one's SYNC.
        if (i == Subt.Count() || Subt.EndTime(i) < Subt.StartTime(i + 1)) writeEnd(Subt.EndTime(i));
    }

    // A read that stopped inside the body kept the header but found no footer.
    if (sami.SamiHeaderKept && !sami.SamiFooter.empty()) {
        // The kept footer ends in a line end of its own; the line written
        // after it leaves the file ending in an empty line.
        out.WriteLine(sami.SamiFooter);
    } else {
        out.WriteLine("</BODY>");
        out.WriteLine("</SAMI>");
    }
}

} // namespace cuemark
