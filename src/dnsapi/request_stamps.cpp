// Nonce from the platform's random numbers; time stamp from the UTC clock.
#include "dnsapi/request_stamps.h"

#include <cstdint>
#include <cstdio>

#include "base/date_time.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/random.h"

namespace {

constexpr std::size_t kNonceLength = 17;
constexpr std::int64_t kSecondsPerDay = 86400;

}  // namespace

Text make_nonce() {
    // A draw written shorter (trailing zeros) or in exponent form is thrown away.
    Text nonce;
    while (nonce.size() != kNonceLength) {
        Text drawn = random_number_text();
        if (left_text(drawn, 1) != "0") {
            drawn = "0" + drawn;
        }
        pump_pending_input();
        nonce = drawn;
    }
    return nonce;
}

Text utc_timestamp(std::int64_t offset_seconds) {
    // The service wants UTC whatever the machine's time zone is.
    const std::int64_t now = utc_now_seconds() + offset_seconds;
    std::int64_t days = now / kSecondsPerDay;
    std::int64_t seconds_of_day = now % kSecondsPerDay;
    if (seconds_of_day < 0) {
        seconds_of_day += kSecondsPerDay;
        --days;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    civil_from_days(days, year, month, day);
    const int hour = static_cast<int>(seconds_of_day / 3600);
    const int minute = static_cast<int>(seconds_of_day / 60 % 60);
    const int second = static_cast<int>(seconds_of_day % 60);
    return std::to_string(year) + "-" + two_digits(month) + "-" + two_digits(day) + "T" +
           two_digits(hour) + "%3A" + two_digits(minute) + "%3A" + two_digits(second) + "Z";
}
