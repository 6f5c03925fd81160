#include "subtitles/time_text.h"

#include <cmath>
#include <optional>
#include <string>

namespace cuemark {

namespace {

// A piece of a time text as a whole number: blanks around it allowed, an
// optional sign, then digits only. Anything else is "not a number".
std::optional<double> wholeNumber(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    double value = 0.0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10.0 + (c - '0');
    }
    return negative ? -value : value;
}

// Where TextToTime finds the pieces of a time text.
struct Layout {
    static constexpr size_t npos = std::string_view::npos;
    bool negative = false;
    std::string_view text; // without its sign
    size_t c1 = npos, c2 = npos, d = npos;

    explicit Layout(std::string_view t) : text(t) {
        if (!text.empty() && text.front() == '-') {
            negative = true;
            text.remove_prefix(1);
        }
        c1 = text.find(':');
        c2 = c1 == npos ? npos : text.find(':', c1 + 1);
        d = text.find(',');
        if (d == npos) d = text.find('.');
    }

    // Hours, minutes and seconds as one number, before any check of its size;
    // none unless all three pieces are there and are numbers.
    std::optional<double> whole() const {
        if (c1 == npos || c2 == npos || d == npos || d < c2) return std::nullopt;
        auto h = wholeNumber(text.substr(0, c1));
        auto m = wholeNumber(text.substr(c1 + 1, c2 - c1 - 1));
        auto s = wholeNumber(text.substr(c2 + 1, d - c2 - 1));
        if (!h || !m || !s) return std::nullopt;
        return (*h * 60.0 + *m) * 60.0 + *s;
    }

    // Without a separator the fraction is taken from the text's start, so
    // "00:00:01" reads as 0: the whole part above needs the separator too.
    std::string_view fractionText() const { return d == npos ? text.substr(0, 3) : text.substr(d + 1, 3); }

    double fraction() const {
        std::string f(fractionText());
        if (f.empty()) return 0.0;
        f.resize(3, '0');
        for (char c : f)
            if (c < '0' || c > '9') return 0.0;
        return ((f[0] - '0') * 100 + (f[1] - '0') * 10 + (f[2] - '0')) / 1000.0;
    }
};

} // namespace

double TextToTime(std::string_view text) {
    const Layout layout(text);
    double result = 0.0;
    // Absurdly long digit runs would overflow to infinity (or NaN once signs
    // mix): such a whole part counts as unreadable.
    if (const std::optional<double> whole = layout.whole(); whole && std::isfinite(*whole)) result = *whole;
    result += layout.fraction();
    return layout.negative ? -result : result;
}

bool canBeTime(std::string_view text) {
    const Layout layout(text);
    const std::string_view read = layout.text.substr(0, layout.d == Layout::npos ? 3 : layout.d + 4);
    bool digit = false;
    for (const char c : read) {
        const auto u = static_cast<unsigned char>(c);
        // Letters ("nan"), control characters and every byte of a non-ASCII
        // character (full-width digits) are never part of a time.
        const bool letter = (u | 0x20) >= 'a' && (u | 0x20) <= 'z';
        if (u >= 0x7f || letter || (u < 0x20 && c != '\t')) return false;
        digit = digit || (c >= '0' && c <= '9');
    }
    if (!digit) return false;
    const std::optional<double> whole = layout.whole();
    return withinTimeRange((whole ? *whole : 0.0) + layout.fraction());
}

std::optional<double> TimeFromFile(std::string_view text) {
    const char* p = text.data();
    const auto digit = [p](size_t i) { return static_cast<unsigned>(p[i] - '0') <= 9; };
    const auto value = [p](size_t i) { return p[i] - '0'; };
    // The comma is the first one in the text, so TextToTime's pieces are
    // exactly these; a full stop could be followed by a comma further on.
    if (text.size() >= 12 && digit(0) && digit(1) && p[2] == ':' && digit(3) && digit(4) && p[5] == ':' && digit(6) &&
        digit(7) && p[8] == ',' && digit(9) && digit(10) && digit(11)) {
        // The same operations in the same order as TextToTime: the same bits.
        const double h = value(0) * 10.0 + value(1);
        const double m = value(3) * 10.0 + value(4);
        const double s = value(6) * 10.0 + value(7);
        return (h * 60.0 + m) * 60.0 + s + (value(9) * 100 + value(10) * 10 + value(11)) / 1000.0;
    }
    if (!canBeTime(text)) return std::nullopt;
    return TextToTime(text);
}

bool withinTimeRange(double seconds) {
    return std::isfinite(seconds) && std::floor(std::fabs(seconds) * 1000.0 + 0.5) < TimeLimitHours * 3600000.0;
}

std::string TimeToText(double t) {
    char buffer[TimeTextMax];
    return std::string(buffer, TimeToChars(t, buffer));
}

char* TimeToChars(double t, char* out) {
    if (!std::isfinite(t)) throw TimeOverflow();
    const bool negative = t < 0;
    if (negative) t = -t;
    double hours = std::floor(t / 3600.0);
    double rest = t - hours * 3600.0;
    double minutes = std::floor(rest / 60.0);
    rest -= minutes * 60.0;
    // Milliseconds rounded half up, carried into the minutes and hours so
    // that 59.9995 s never shows as "60,000".
    long long millis = static_cast<long long>(std::floor(rest * 1000.0 + 0.5));
    if (millis >= 60000) {
        millis -= 60000;
        minutes += 1;
    }
    if (minutes >= 60) {
        minutes -= 60;
        hours += 1;
    }
    if (hours >= TimeLimitHours) throw TimeOverflow();
    // Written by hand: this runs twice per title when saving SubRip.
    if (negative) *out++ = '-';
    const int h = static_cast<int>(hours);
    if (h >= 10000) *out++ = static_cast<char>('0' + h / 10000);
    if (h >= 1000) *out++ = static_cast<char>('0' + h / 1000 % 10);
    if (h >= 100) *out++ = static_cast<char>('0' + h / 100 % 10);
    const auto two = [&out](int v) {
        *out++ = static_cast<char>('0' + v / 10);
        *out++ = static_cast<char>('0' + v % 10);
    };
    two(h % 100);
    *out++ = ':';
    two(static_cast<int>(minutes));
    *out++ = ':';
    two(static_cast<int>(millis / 1000));
    *out++ = ',';
    const int ms = static_cast<int>(millis % 1000);
    *out++ = static_cast<char>('0' + ms / 100);
    two(ms % 100);
    return out;
}

double RoundToMs(double t) {
    return std::floor(t * 1000.0 + 0.5) * 0.001;
}

int32_t MinLong(int32_t a, int32_t b) {
    return a < b ? a : b;
}

double MinDouble(double a, double b) {
    return a < b ? a : b;
}

} // namespace cuemark
