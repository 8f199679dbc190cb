// Random numbers in [0, 1) and how they are written.
#include "platform/random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

TEST(NumberToScriptText, WritesNumbersAsTheScriptEngineDoesWith15Digits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {0.5, "0.5"},
        {0.1 + 0.2, "0.3"},  // 0.30000000000000004 rounded to 15 digits
        {0.1234567890123456, "0.123456789012346"},
        {0.999999999999999944, "1"},
        {0.000001, "0.000001"},
        {0.00001234, "0.00001234"},
        {1e-7, "1e-7"},
        {1.5e-10, "1.5e-10"},
        {123.25, "123.25"},
        {1e20, "100000000000000000000"},
        {1e21, "1e+21"},
        {-2.5, "-2.5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(number_to_script_text(c.value), c.text) << c.text;
    }
}

TEST(RandomNumberText, GivesVariedNumbersSpreadOverTheUnitInterval) {
    std::set<Text> seen;
    double sum = 0;
    const int draws = 10000;
    for (int i = 0; i < draws; ++i) {
        const Text text = random_number_text();
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        ASSERT_EQ(*end, '\0') << text;
        ASSERT_GE(value, 0.0) << text;
        ASSERT_LT(value, 1.0) << text;
        sum += value;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(draws));
    EXPECT_NEAR(sum / draws, 0.5, 0.05);
}

TEST(RandomNumberText, TakesNumbersFromTheTestSource) {
    set_random_for_testing([] { return 0.25; });
    EXPECT_EQ(random_number_text(), "0.25");
    set_random_for_testing(nullptr);
    EXPECT_NE(random_number_text(), random_number_text());
}

}  // namespace
