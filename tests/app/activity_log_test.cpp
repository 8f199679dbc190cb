// Time stamps: every style and kind, the clock rule, and the log line's shape.
#include "app/activity_log.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

class ClockStyle : public ::testing::Test {
  protected:
    void TearDown() override { set_clock_style_for_testing(-1); }
    // 2024-05-01 13:04:05
    const DateTime when = calendar_to_date_time(2024, 5, 1, 13, 4, 5);
};

struct FormatCase {
    int style;
    int kind;
    int clock_style;
    const char* expected;
};

TEST_F(ClockStyle, EveryStyleAndKind) {
    const FormatCase cases[] = {
        {0, 0, 1, "2024年05月01日 13时04分05秒"},
        {1, 0, 1, "2024-05-01 13:04:05"},
        {2, 0, 1, "2024/05/01 13/04/05"},
        {3, 0, 1, "20240501130405"},
        {1, 0, 0, "2024-05-01 01:04:05"},  // 12-hour clock without a marker
        {0, 0, 0, "2024年05月01日 01时04分05秒"},
        {1, 1, 1, "2024-05-01"},
        {0, 1, 1, "2024年05月01日"},
        {1, 2, 1, "05-01"},
        {0, 2, 1, "05月01日"},
        {1, 3, 1, "13:04:05"},
        {1, 4, 1, "13:04"},
        {1, 4, 0, "01:04"},
        {1, 5, 1, "04:05"},
        {0, 5, 1, "04分05秒"},
        {3, 4, 1, "1304"},
        {1, 9, 1, "2024-05-01 13:04:05"},          // unknown kinds act as kind 0
        {9, 0, 1, "2024年05月01日 13时04分05秒"},  // unknown styles act as style 0
        {-1, 0, 1, "2024年05月01日 13时04分05秒"},
    };
    for (const FormatCase& c : cases) {
        set_clock_style_for_testing(c.clock_style);
        EXPECT_EQ(format_date_time(when, c.style, c.kind), c.expected)
            << "style " << c.style << " kind " << c.kind << " clock " << c.clock_style;
    }
}

TEST_F(ClockStyle, DefaultsAndPictures) {
    set_clock_style_for_testing(1);
    EXPECT_EQ(format_date_time(when), "2024年05月01日 13时04分05秒");
    EXPECT_EQ(format_with_pictures(when, std::nullopt, std::nullopt), "");
    EXPECT_EQ(format_with_pictures(when, "yy", "hh:mm"), "01:04");  // pictures under 3 bytes skip
    EXPECT_EQ(format_with_pictures(when, "d/M/yy ", "h:mm tt", 1), "1/5/24 13:04 PM");
    EXPECT_EQ(format_with_pictures(when, "'yyyy'yyyy", std::nullopt), "yyyy2024");
    EXPECT_EQ(format_with_pictures(1e300, "yyyy", "hh"), "");  // not a date
}

TEST_F(ClockStyle, MidnightAndNoonOnTwelveHourClock) {
    set_clock_style_for_testing(0);
    EXPECT_EQ(format_date_time(calendar_to_date_time(2024, 1, 1, 0, 0, 0), 1, 3), "12:00:00");
    EXPECT_EQ(format_date_time(calendar_to_date_time(2024, 1, 1, 12, 0, 0), 1, 3), "12:00:00");
}

TEST(AutomationDate, RoundTripsAcrossCalendarEdges) {
    const int dates[][6] = {{1899, 12, 30, 0, 0, 0},    {2020, 2, 29, 23, 59, 59},
                            {2021, 3, 1, 0, 0, 1},      {1900, 1, 1, 6, 0, 0},
                            {9999, 12, 31, 23, 59, 59}, {1850, 6, 15, 12, 30, 0}};
    for (const auto& d : dates) {
        CalendarTime t;
        ASSERT_TRUE(
            date_time_to_calendar(calendar_to_date_time(d[0], d[1], d[2], d[3], d[4], d[5]), t));
        EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
                  (std::vector<int>{d[0], d[1], d[2], d[3], d[4], d[5]}));
    }
    CalendarTime t;
    ASSERT_TRUE(date_time_to_calendar(calendar_to_date_time(2024, 5, 1, 0, 0, 0), t));
    EXPECT_EQ(t.day_of_week, 3);  // a Wednesday
}

TEST(LogLine, StampColonTextAndLineEndAsTwoAppends) {
    set_clock_style_for_testing(1);
    // 2024-05-01 13:04:05 UTC, shown in UTC.
    setenv("TZ", "UTC", 1);
    tzset();
    set_clock_for_testing([] { return std::int64_t{1714568645}; });
    std::vector<Text> pieces;
    set_log_sink([&](const Text& piece) { pieces.push_back(piece); });
    log_line("当前公网IP：1.2.3.4");
    log_line("");
    set_log_sink(nullptr);
    set_clock_for_testing(nullptr);
    set_clock_style_for_testing(-1);
    EXPECT_EQ(pieces, (std::vector<Text>{"2024-05-01 13:04:05：当前公网IP：1.2.3.4", "\r\n",
                                         "2024-05-01 13:04:05：", "\r\n"}));
    EXPECT_EQ(Text("："), "\xA3\xBA");
}

}  // namespace
