// Reading HTTP dates (the three forms HTTP/1.1 recipients must accept).
#include "dnsapi/server_clock.h"

#include <cctype>

#include "base/date_time.h"

namespace {

const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};

int month_number(const Text& name) {
    const Text lower = lower_text(name);
    for (int i = 0; i < 12; ++i) {
        if (lower == kMonths[i]) {
            return i + 1;
        }
    }
    return 0;
}

bool all_digits(const Text& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// "HH:MM:SS" into seconds of the day.
std::optional<int> clock_seconds(const Text& text) {
    TextArray parts = split_text(text, ":");
    if (parts.size() != 3 || !all_digits(parts[0]) || !all_digits(parts[1]) ||
        !all_digits(parts[2]) || parts[0].size() > 2 || parts[1].size() > 2 ||
        parts[2].size() > 2) {
        return std::nullopt;
    }
    int h = std::stoi(parts[0]);
    int m = std::stoi(parts[1]);
    int s = std::stoi(parts[2]);
    if (h > 23 || m > 59 || s > 60) {
        return std::nullopt;
    }
    return h * 3600 + m * 60 + s;
}

std::optional<std::int64_t> make_time(const Text& day, const Text& month, const Text& year,
                                      const Text& time) {
    if (!all_digits(day) || day.size() > 2 || !all_digits(year) || year.size() > 4) {
        return std::nullopt;
    }
    int m = month_number(month);
    std::optional<int> seconds = clock_seconds(time);
    int d = std::stoi(day);
    int y = std::stoi(year);
    if (year.size() == 2) {
        y += y < 70 ? 2000 : 1900;  // two-digit years of the obsolete form
    }
    if (m == 0 || !seconds || d < 1 || d > 31) {
        return std::nullopt;
    }
    return days_from_civil(y, m, d) * 86400 + *seconds;
}

TextArray words_of(const Text& text) {
    TextArray words;
    for (const Text& word : split_text(replace_text(text, ",", " "), " ")) {
        if (!word.empty()) {
            words.push_back(word);
        }
    }
    return words;
}

}  // namespace

std::optional<std::int64_t> parse_http_date(const Text& value) {
    TextArray w = words_of(trim_text(value));
    // IMF-fixdate: Fri 11 Dec 2026 13:24:05 GMT
    if (w.size() == 6 && w[5] == "GMT" && w[1].size() <= 2) {
        return make_time(w[1], w[2], w[3], w[4]);
    }
    // Obsolete RFC 850 form: Friday 11-Dec-26 13:24:05 GMT
    if (w.size() == 4 && w[3] == "GMT") {
        TextArray date = split_text(w[1], "-");
        if (date.size() == 3) {
            return make_time(date[0], date[1], date[2], w[2]);
        }
        return std::nullopt;
    }
    // asctime: Fri Dec 11 13:24:05 2026
    if (w.size() == 5) {
        return make_time(w[2], w[1], w[4], w[3]);
    }
    return std::nullopt;
}
