// The nonce and the UTC time stamp of a signed request.
#include "dnsapi/request_stamps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <set>
#include <vector>

#include "platform/clock.h"
#include "platform/random.h"

namespace {

TEST(MakeNonce, GivesSeventeenCharactersStartingWithZeroAndNeverRepeats) {
    std::set<Text> nonces;
    for (int i = 0; i < 10000; ++i) {
        const Text nonce = make_nonce();
        ASSERT_EQ(nonce.size(), 17u) << nonce;
        ASSERT_EQ(nonce.substr(0, 2), "0.") << nonce;
        ASSERT_EQ(nonce.find_first_not_of("0123456789", 2), Text::npos) << nonce;
        nonces.insert(nonce);
    }
    EXPECT_EQ(nonces.size(), 10000u);
}

TEST(MakeNonce, DrawsAgainUntilANumberIsWrittenInSeventeenCharacters) {
    const std::vector<double> draws = {
        0.5, 1e-7, 0.0123456789012345, 0.999999999999999944, 0.123456789012345, 0.75};
    std::size_t next = 0;
    set_random_for_testing([&] { return draws.at(next++); });
    EXPECT_EQ(make_nonce(), "0.123456789012345");
    EXPECT_EQ(next, 5u);
    set_random_for_testing(nullptr);
}

// Sets TZ for the lifetime of the object and restores it afterwards.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

TEST(UtcTimestamp, WritesTheUtcInstantWithTwoDigitFieldsAndEscapedColons) {
    const struct {
        std::int64_t unix_seconds;
        const char* stamp;
    } cases[] = {
        {0, "1970-01-01T00%3A00%3A00Z"},          {1614567600, "2021-03-01T03%3A00%3A00Z"},
        {1583020799, "2020-02-29T23%3A59%3A59Z"}, {946684799, "1999-12-31T23%3A59%3A59Z"},
        {1704164645, "2024-01-02T03%3A04%3A05Z"},
    };
    for (const char* zone : {"UTC0", "CST-8", "EST5EDT", "NZST-12NZDT"}) {
        ScopedTimeZone scoped(zone);
        for (const auto& c : cases) {
            set_clock_for_testing([&] { return c.unix_seconds; });
            EXPECT_EQ(utc_timestamp(), c.stamp) << zone << " " << c.unix_seconds;
        }
    }
    set_clock_for_testing(nullptr);
}

TEST(UtcTimestamp, TimeZoneSettingReallyMovesTheLocalClock) {
    // Guards the test above: the zones it uses do change local time.
    set_clock_for_testing([] { return std::int64_t{1614567600}; });
    DateTime utc, shanghai;
    {
        ScopedTimeZone scoped("UTC0");
        utc = local_now();
    }
    {
        ScopedTimeZone scoped("CST-8");
        shanghai = local_now();
    }
    set_clock_for_testing(nullptr);
    EXPECT_NEAR(shanghai - utc, 8.0 / 24.0, 1e-6);
}

}  // namespace
