// The JSON engine: strict parsing, limits, and output as the script engine writes it.
#include "platform/json_engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

namespace {

std::string nested(int depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(JsonEngine, ParseAcceptsJsonAndNothingElse) {
    struct Case {
        std::string text;
        bool ok;
    };
    const Case cases[] = {
        {R"({"a":[1,-2.5e3,true,false,null],"b":{"c":"d"}})", true},
        {" \t\r\n\"x\" ", true},
        {"0", true},
        {"-0.0e+0", true},
        {"\"\xE4\xB8\xAD\"", true},
        {"\xEF\xBB\xBF{}", true},
        {nested(512), true},
        {"", false},
        {"   ", false},
        {"{", false},
        {"{'a':1}", false},
        {"{a:1}", false},
        {"[1,]", false},
        {"[1 2]", false},
        {"01", false},
        {"1.", false},
        {".5", false},
        {"+1", false},
        {"NaN", false},
        {"tru", false},
        {"{} {}", false},
        {"\"a\x01\"", false},
        {"\"\\x41\"", false},
        {"\"\\u12\"", false},
        {"\"unterminated", false},
        {"\"\xC3\x28\"", false},      // broken UTF-8
        {"\"\xC0\xAF\"", false},      // overlong
        {"\"\xED\xA0\x80\"", false},  // encoded surrogate
        {"eval('1')", false},
        {nested(513), false},
        {std::string(100000, '['), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse_json(c.text).has_value(), c.ok) << c.text.substr(0, 40);
    }
    std::string huge = "\"" + std::string(kJsonMaxTextSize, 'a') + "\"";
    EXPECT_FALSE(parse_json(huge).has_value());
    // Small text, many values: the value budget, not the text limit, stops it.
    auto zeros = [](std::size_t n) {
        std::string text = "[0";
        for (std::size_t i = 1; i < n; ++i) {
            text += ",0";
        }
        return text + "]";
    };
    EXPECT_TRUE(parse_json(zeros(1000)).has_value());
    EXPECT_FALSE(parse_json(zeros(kJsonMaxValues)).has_value());
}

TEST(JsonEngine, StringifyWritesWhatTheScriptEngineWrites) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {R"( { "b" : 1 , "a" : [ true , false , null , { } , [ ] ] } )",
         R"({"b":1,"a":[true,false,null,{},[]]})"},
        {R"({"a":1,"b":2,"a":3})", R"({"a":3,"b":2})"},
        {R"(["\u0001\b\t\n\f\r\"\\\/"])", R"(["\u0001\b\t\n\f\r\"\\/"])"},
        {R"(["\u007f\u0085\u00ad\u2028\u200d\ufeff\uffff"])",
         R"(["\u007f\u0085\u00ad\u2028\u200d\ufeff\uffff"])"},
        {"[\"\\u4e2d\xE6\x96\x87\\ud83d\\ude00\"]",
         "[\"\xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80\"]"},
        {R"(["\ud800x"])", R"(["\ufffdx"])"},  // a lone surrogate reads as U+FFFD
        {"[1e21,1e20,0.1,100,-0,1.5e-7,0.000001,1e-7,123456789012345680000]",
         "[1e+21,100000000000000000000,0.1,100,0,1.5e-7,0.000001,1e-7,123456789012345680000]"},
        {"[5e-324,1.7976931348623157e308,1e400,-1e400,1e-400,0.30000000000000004]",
         "[5e-324,1.7976931348623157e+308,null,null,0,0.30000000000000004]"},
        {"[12345678901234567890,600,-1.25]", "[12345678901234567000,600,-1.25]"},
    };
    for (const Case& c : cases) {
        std::optional<JsonValue> value = parse_json(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(stringify_json(*value), c.expected) << c.text;
    }
    EXPECT_EQ(stringify_json(JsonValue()), "");
    EXPECT_EQ(json_number_text(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(json_number_text(-std::numeric_limits<double>::infinity()), "-Infinity");
}

TEST(JsonEngine, CopiesShareUntilOneChanges) {
    JsonValue original = *parse_json(R"({"list":[{"a":1}],"k":"v"})");
    JsonValue copy = original;
    copy.member_for_write("list")->element_for_write(0)->set_member("a", JsonValue::number(2));
    copy.set_member("new", JsonValue::null());
    EXPECT_EQ(stringify_json(original), R"({"list":[{"a":1}],"k":"v"})");
    EXPECT_EQ(stringify_json(copy), R"({"list":[{"a":2}],"k":"v","new":null})");

    // Objects with many members keep their order and find names quickly.
    JsonValue wide = JsonValue::object();
    for (int i = 0; i < 40; ++i) {
        wide.set_member("m" + std::to_string(i), JsonValue::number(i));
    }
    wide.erase_member("m3");
    wide.set_member("m10", JsonValue::string("x"));
    ASSERT_NE(wide.member("m39"), nullptr);
    EXPECT_EQ(wide.member("m39")->as_number(), 39);
    EXPECT_EQ(wide.member("m3"), nullptr);
    EXPECT_EQ(wide.members()[9].first, "m10");
    EXPECT_EQ(wide.member("m10")->as_string(), "x");
}

// Random values survive stringify and parse; random numbers read back as the same double;
// mutated texts never crash the parser, and what it accepts writes out stably.
TEST(JsonEngine, RandomValuesRoundTripAndMutatedTextsAreSafe) {
    std::mt19937_64 random(1234);
    const std::string characters[] = {"a",
                                      "\"",
                                      "\\",
                                      "/",
                                      "\x01",
                                      "\x1F",
                                      "\x7F",
                                      "\n",
                                      "\r",
                                      "\t",
                                      "\xC2\x85",
                                      "\xE4\xB8\xAD",
                                      "\xE2\x80\xA8",
                                      "\xEF\xBB\xBF",
                                      "\xF0\x9F\x98\x80",
                                      "\xEF\xBF\xBF"};
    const auto some_string = [&] {
        std::string text;
        for (int n = static_cast<int>(random() % 5); n > 0; --n) {
            text += characters[random() % std::size(characters)];
        }
        return text;
    };
    const auto some_number = [&] {
        double value = 0;
        if (random() % 2) {
            std::uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
        } else {
            value = static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) /
                    static_cast<double>(1 + random() % 1000);
        }
        return std::isfinite(value) ? value : 0.5;
    };
    const auto some_value = [&](const auto& self, int depth) -> JsonValue {
        switch (random() % (depth > 0 ? 7 : 5)) {
            case 0:
                return JsonValue::null();
            case 1:
                return JsonValue::boolean(random() % 2);
            case 2:
                return JsonValue::number(some_number());
            case 3:
            case 4:
                return JsonValue::string(some_string());
            case 5: {
                JsonValue array = JsonValue::array();
                for (int n = static_cast<int>(random() % 4); n > 0; --n) {
                    array.insert_element(array.size(), self(self, depth - 1));
                }
                return array;
            }
            default: {
                JsonValue object = JsonValue::object();
                for (int n = static_cast<int>(random() % 4); n > 0; --n) {
                    object.set_member(some_string(), self(self, depth - 1));
                }
                return object;
            }
        }
    };

    for (int round = 0; round < 2000; ++round) {
        const double number = some_number();
        std::optional<JsonValue> read = parse_json(json_number_text(number));
        ASSERT_TRUE(read && read->type() == JsonType::Number) << json_number_text(number);
        ASSERT_EQ(read->as_number(), number) << json_number_text(number);

        const std::string text = stringify_json(some_value(some_value, 4));
        std::optional<JsonValue> parsed = parse_json(text);
        ASSERT_TRUE(parsed) << text;
        ASSERT_EQ(stringify_json(*parsed), text);

        std::string mutated = text;
        for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n) {
            const std::size_t at = random() % (mutated.size() + 1);
            const char bytes[] = "{}[]\",:\\u0-1eE.tfn \x80\xFF";
            const char byte = bytes[random() % (sizeof bytes - 1)];
            switch (random() % 3) {
                case 0:
                    mutated.insert(at, 1, byte);
                    break;
                case 1:
                    if (at < mutated.size()) {
                        mutated.erase(at, 1);
                    }
                    break;
                default:
                    if (at < mutated.size()) {
                        mutated[at] = byte;
                    }
            }
        }
        if (std::optional<JsonValue> value = parse_json(mutated)) {
            const std::string written = stringify_json(*value);
            std::optional<JsonValue> again = parse_json(written);
            ASSERT_TRUE(again) << mutated;
            ASSERT_EQ(stringify_json(*again), written) << mutated;
        }
    }
}

}  // namespace
