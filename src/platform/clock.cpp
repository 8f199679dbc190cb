// The clock over <chrono>/<ctime> and a picture formatter of our own.
#include "platform/clock.h"

#include <langinfo.h>
#include <time.h>

#include <chrono>
#include <cstdio>

namespace {

std::function<std::int64_t()>& clock_override() {
    static std::function<std::int64_t()> instance;
    return instance;
}

int& clock_style_override() {
    static int instance = -1;
    return instance;
}

// Length of the run of `c` starting at `i`.
std::size_t run_length(const Text& picture, std::size_t i) {
    std::size_t n = 1;
    while (i + n < picture.size() && picture[i + n] == picture[i]) {
        ++n;
    }
    return n;
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

// Walks a picture: quoted text and double-byte characters pass through; each run
// of a code letter is handed to `code`, which returns false for a non-code letter.
template <typename CodeFn>
Text walk_picture(const Text& picture, CodeFn code) {
    Text out;
    for (std::size_t i = 0; i < picture.size();) {
        unsigned char c = static_cast<unsigned char>(picture[i]);
        if (is_gbk_lead_byte(c) && i + 1 < picture.size()) {
            out.append(picture, i, 2);
            i += 2;
            continue;
        }
        if (c == '\'') {
            std::size_t close = picture.find('\'', i + 1);
            if (close == i + 1) {
                out += '\'';  // '' is a literal quote
                i += 2;
                continue;
            }
            std::size_t end = close == Text::npos ? picture.size() : close;
            out.append(picture, i + 1, end - i - 1);
            i = close == Text::npos ? picture.size() : close + 1;
            continue;
        }
        std::size_t n = run_length(picture, i);
        if (code(static_cast<char>(c), n, out)) {
            i += n;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

}  // namespace

std::int64_t utc_now_seconds() {
    if (clock_override()) {
        return clock_override()();
    }
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

DateTime local_now() {
    time_t now = static_cast<time_t>(utc_now_seconds());
    struct tm local;
    localtime_r(&now, &local);
    return calendar_to_date_time(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                 local.tm_hour, local.tm_min, local.tm_sec);
}

void set_clock_for_testing(std::function<std::int64_t()> unix_seconds) {
    clock_override() = std::move(unix_seconds);
}

int locale_clock_style() {
    if (clock_style_override() >= 0) {
        return clock_style_override();
    }
    // A locale whose time format uses a 12-hour field (%I, %l, %r) has a 12-hour clock.
    const char* format = nl_langinfo(T_FMT);
    Text t = format == nullptr ? Text() : Text(format);
    bool twelve =
        t.find("%I") != Text::npos || t.find("%l") != Text::npos || t.find("%r") != Text::npos;
    return twelve ? 0 : 1;
}

void set_clock_style_for_testing(int style) {
    clock_style_override() = style;
}

bool variant_time_to_system_time(DateTime value, CalendarTime& out) {
    return date_time_to_calendar(value, out);
}

Text format_date_picture(const CalendarTime& time, const Text& picture) {
    return walk_picture(picture, [&](char c, std::size_t n, Text& out) {
        if (c == 'd') {
            if (n == 1) {
                out += std::to_string(time.day);
            } else if (n == 2) {
                out += two_digits(time.day);
            } else if (n == 3) {
                out += Text(kDayNames[time.day_of_week]).substr(0, 3);
            } else {
                out += kDayNames[time.day_of_week];
            }
            return true;
        }
        if (c == 'M') {
            if (n == 1) {
                out += std::to_string(time.month);
            } else if (n == 2) {
                out += two_digits(time.month);
            } else if (n == 3) {
                out += Text(kMonthNames[time.month - 1]).substr(0, 3);
            } else {
                out += kMonthNames[time.month - 1];
            }
            return true;
        }
        if (c == 'y') {
            if (n == 1) {
                out += std::to_string(time.year % 100);
            } else if (n == 2) {
                out += two_digits(time.year % 100);
            } else {
                out += std::to_string(time.year);
            }
            return true;
        }
        return false;
    });
}

Text format_time_picture(const CalendarTime& time, const Text& picture, bool force_24_hour) {
    return walk_picture(picture, [&](char c, std::size_t n, Text& out) {
        int twelve = time.hour % 12 == 0 ? 12 : time.hour % 12;
        int value = 0;
        switch (c) {
            case 'h':
                value = force_24_hour ? time.hour : twelve;
                break;
            case 'H':
                value = time.hour;
                break;
            case 'm':
                value = time.minute;
                break;
            case 's':
                value = time.second;
                break;
            case 't':
                out += Text(time.hour < 12 ? "AM" : "PM").substr(0, n == 1 ? 1 : 2);
                return true;
            default:
                return false;
        }
        out += n == 1 ? std::to_string(value) : two_digits(value);
        return true;
    });
}
