// Date-time as an automation date (days since 1899-12-30 as a double, local time)
// and its broken-down calendar form.
#pragma once

#include <cstdint>

#include "base/text.h"

using DateTime = double;

struct CalendarTime {
    int year = 0;
    int month = 0;        // 1..12
    int day_of_week = 0;  // 0 = Sunday
    int day = 0;          // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Rounds to the nearest second; false outside years 100..9999.
bool date_time_to_calendar(DateTime value, CalendarTime& out);
DateTime calendar_to_date_time(int year, int month, int day, int hour, int minute, int second);

// Days since 1970-01-01 for a civil date (proleptic Gregorian) and back.
std::int64_t days_from_civil(int year, int month, int day);
void civil_from_days(std::int64_t days, int& year, int& month, int& day);

// The value written with at least two digits ("07"), as dates and times are.
Text two_digits(int value);
