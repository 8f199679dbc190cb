// Log lines and their time stamps.
#include "app/activity_log.h"

#include "platform/clock.h"

namespace {

LogSink& log_sink() {
    static LogSink sink;
    return sink;
}

struct Pictures {
    const char* date;
    const char* time;
    const char* month_day;
    const char* hour_minute;
    const char* minute_second;
};

const Pictures kStyles[] = {
    {"yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
};

// The platform formatters fill a 50-byte buffer; longer results do not fit.
Text fit_buffer(const Text& formatted) {
    return formatted.size() < 50 ? formatted : Text(50, ' ');
}

}  // namespace

void set_log_sink(LogSink sink) {
    log_sink() = std::move(sink);
}

void log_line(const Text& text) {
    Text stamp = format_date_time(local_now(), 1);
    if (log_sink()) {
        log_sink()(stamp + "：" + text);
        log_sink()("\r\n");
    }
}

Text format_date_time(std::optional<DateTime> date_time, std::optional<int> style,
                      std::optional<int> kind) {
    DateTime when = date_time ? *date_time : local_now();
    int s = style.value_or(0);
    if (s < 0 || s > 3) {
        s = 0;
    }
    int k = kind.value_or(0);
    const Pictures& pictures = kStyles[s];

    Text date_picture = pictures.date;
    if (k == 3 || k == 4 || k == 5) {
        date_picture.clear();
    }
    Text time_picture = pictures.time;
    if (k == 1 || k == 2) {
        time_picture.clear();
    }
    if (k == 1) {
        date_picture = trim_text(date_picture);
    } else if (k == 2) {
        date_picture = pictures.month_day;
    } else if (k == 4) {
        time_picture = pictures.hour_minute;
    } else if (k == 5) {
        time_picture = pictures.minute_second;
    }
    if (locale_clock_style() == 1) {
        time_picture = replace_text(time_picture, "hh", "HH");
    }
    return format_with_pictures(when, date_picture, time_picture);
}

Text format_with_pictures(DateTime date_time, std::optional<Text> date_picture,
                          std::optional<Text> time_picture, std::optional<int> force_24_hour) {
    if (!date_picture && !time_picture) {
        return Text();
    }
    CalendarTime calendar;
    if (!variant_time_to_system_time(date_time, calendar)) {
        return Text();
    }
    Text date_text;
    if (date_picture && date_picture->size() >= 3) {
        date_text = fit_buffer(format_date_picture(calendar, *date_picture));
    }
    Text time_text;
    if (time_picture && time_picture->size() >= 3) {
        bool force = force_24_hour.value_or(0) == 1;
        time_text = fit_buffer(format_time_picture(calendar, *time_picture, force));
    }
    return date_text + time_text;
}
