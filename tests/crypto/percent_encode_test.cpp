// Percent-encoding with and without the unreserved set and the UTF-8 step.
#include "crypto/percent_encode.h"

#include <gtest/gtest.h>

#include "crypto/code_page_steps.h"

namespace {

TEST(PercentEncode, EncodesTheTableOfCases) {
    const struct {
        Text input;
        bool keep_unreserved;
        bool as_utf8;
        Text output;
    } cases[] = {
        {"Abc-1.9", true, false, "Abc-1.9"},
        {"A1", false, false, "%41%31"},
        {"a_b~c", true, true, "a_b~c"},
        {"a b", true, true, "a%20b"},
        {"*/", true, true, "%2A%2F"},
        {"+&=%", true, true, "%2B%26%3D%25"},
        {"Timestamp=2021-03-04T05%3A06%3A07Z", true, true,
         "Timestamp%3D2021-03-04T05%253A06%253A07Z"},
        {"\xD6\xD0", true, true, "%E4%B8%AD"},
        {"\xD6\xD0", true, false, "%D6%D0"},
        {"\x0A\x7F", true, false, "%0A%7F"},
        {"www", true, true, "www"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(percent_encode(c.input, c.keep_unreserved, c.as_utf8), c.output) << c.input;
    }
}

TEST(PercentEncode, EncodesEmptyTextToEmptyTextWithAnyFlags) {
    for (bool keep : {false, true}) {
        for (bool utf8 : {false, true}) {
            EXPECT_EQ(percent_encode("", keep, utf8), "");
        }
    }
    EXPECT_EQ(percent_encode(""), "");
}

TEST(CodePageSteps, ConvertGbkToUtf8ThroughUtf16) {
    EXPECT_EQ(to_wide_text("\xD6\xD0", kCodePageGbk), WideText(u"\u4E2D"));
    EXPECT_EQ(to_wide_text("\xE4\xB8\xAD"), WideText(u"\u4E2D"));
    EXPECT_EQ(from_wide_text(u"\u4E2Da"),
              "\xD6\xD0"
              "a");
    EXPECT_EQ(from_wide_text(u"\u4E2D", kCodePageUtf8), "\xE4\xB8\xAD");
    EXPECT_EQ(gbk_to_utf8("a\xD6\xD0"), "a\xE4\xB8\xAD");
    EXPECT_EQ(gbk_to_utf8(""), "");
}

}  // namespace
