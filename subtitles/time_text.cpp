#include "subtitles/time_text.h"

#include <cmath>
#include <optional>

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

} // namespace

double TextToTime(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const size_t npos = std::string_view::npos;
    const size_t c1 = text.find(':');
    const size_t c2 = c1 == npos ? npos : text.find(':', c1 + 1);
    size_t d = text.find(',');
    if (d == npos) d = text.find('.');

    double result = 0.0;
    if (c1 != npos && c2 != npos && d != npos && d > c2) {
        auto h = wholeNumber(text.substr(0, c1));
        auto m = wholeNumber(text.substr(c1 + 1, c2 - c1 - 1));
        auto s = wholeNumber(text.substr(c2 + 1, d - c2 - 1));
        // Absurdly long digit runs would overflow to infinity (or NaN once
        // signs mix): such a whole part counts as unreadable.
        if (h && m && s) {
            const double whole = (*h * 60.0 + *m) * 60.0 + *s;
            if (std::isfinite(whole)) result = whole;
        }
    }

    // Without a separator the fraction is taken from the text's start, so
    // "00:00:01" reads as 0: the whole part above needs the separator too.
    std::string fraction(d == npos ? text.substr(0, 3) : text.substr(d + 1, 3));
    if (!fraction.empty()) {
        fraction.resize(3, '0');
        bool digits = true;
        for (char c : fraction) digits = digits && c >= '0' && c <= '9';
        if (digits) result += ((fraction[0] - '0') * 100 + (fraction[1] - '0') * 10 + (fraction[2] - '0')) / 1000.0;
    }
    return negative ? -result : result;
}

std::string TimeToText(double t) {
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
    if (hours >= 32768) throw TimeOverflow();
    // Written by hand: this runs twice per title when saving SubRip.
    char buffer[24];
    char* out = buffer;
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
    return std::string(buffer, out);
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
