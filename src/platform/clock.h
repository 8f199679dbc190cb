// The clock: local and UTC "now" (replaceable by tests), automation-date
// conversion, and date/time formatting by picture as the system formatters do it.
#pragma once

#include <cstdint>
#include <functional>

#include "base/date_time.h"
#include "base/text.h"

// Seconds since 1970-01-01 UTC.
std::int64_t utc_now_seconds();
// The current local date and time, in the machine's time zone.
DateTime local_now();
// Tests fix "now" with this; an empty function restores the system clock.
void set_clock_for_testing(std::function<std::int64_t()> unix_seconds);

// 1 for a 24-hour clock, 0 for a 12-hour one, from the user's locale.
int locale_clock_style();
// Tests fix the locale's clock style with this; -1 restores the locale's own.
void set_clock_style_for_testing(int style);

bool variant_time_to_system_time(DateTime value, CalendarTime& out);
// Picture codes: d dd ddd dddd M MM MMM MMMM y yy yyyy; text in single quotes
// is literal; every other character, double-byte ones included, passes through.
Text format_date_picture(const CalendarTime& time, const Text& picture);
// Picture codes: h hh H HH m mm s ss t tt.
Text format_time_picture(const CalendarTime& time, const Text& picture, bool force_24_hour);
