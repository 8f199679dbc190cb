// Calendar arithmetic for automation dates.
#include "base/date_time.h"

#include <cmath>
#include <cstdio>

namespace {

// Automation date 0 is 1899-12-30, which is this many days before 1970-01-01.
constexpr std::int64_t kEpochOffsetDays = 25569;

}  // namespace

std::int64_t days_from_civil(int year, int month, int day) {
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t mp = (month + 9) % 12;
    std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    std::int64_t doe = days - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

DateTime calendar_to_date_time(int year, int month, int day, int hour, int minute, int second) {
    double days = static_cast<double>(days_from_civil(year, month, day) + kEpochOffsetDays);
    double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before 1899-12-30 the time of day still counts away from day 0.
    return days < 0 ? days - fraction : days + fraction;
}

bool date_time_to_calendar(DateTime value, CalendarTime& out) {
    // Valid automation dates run from year 100 to year 9999.
    if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0) {
        return false;
    }
    // Negative automation dates count the fraction away from day 0 in both directions.
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    std::int64_t seconds = std::llround(fraction * 86400.0);
    std::int64_t days = static_cast<std::int64_t>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += value < 0 ? -1 : 1;
    }
    std::int64_t unix_days = days - kEpochOffsetDays;
    civil_from_days(unix_days, out.year, out.month, out.day);
    std::int64_t dow = (unix_days + 4) % 7;  // 1970-01-01 was a Thursday
    out.day_of_week = static_cast<int>(dow < 0 ? dow + 7 : dow);
    out.hour = static_cast<int>(seconds / 3600);
    out.minute = static_cast<int>(seconds / 60 % 60);
    out.second = static_cast<int>(seconds % 60);
    return out.year >= 100 && out.year <= 9999;
}

Text two_digits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}
