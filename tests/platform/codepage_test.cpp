// Code-page conversion at the program's edges: GBK, UTF-8 and what neither holds.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, RoundTripsAndReplacements) {
    EXPECT_EQ(gbk_to_utf8_text("中文abc"),
              "\xE4\xB8\xAD\xE6\x96\x87"
              "abc");
    EXPECT_EQ(utf8_to_gbk_text("\xE4\xB8\xAD"), "中");
    EXPECT_EQ(multibyte_to_wide(kCodePageAnsi, "中"), u"中");
    EXPECT_EQ(multibyte_to_wide(kCodePageUtf8,
                                "a\xFF"
                                "b"),
              u"a\uFFFDb");                                  // invalid UTF-8
    EXPECT_EQ(utf8_to_gbk_text("\xF0\x9F\x98\x80!"), "?!");  // an emoji is one character
    EXPECT_EQ(wide_to_multibyte(kCodePageGbk, WideText(1, char16_t{0xD83D})),
              "?");                                 // a lone surrogate
    EXPECT_EQ(multibyte_to_wide(12345, "a"), u"");  // unknown code page
    EXPECT_EQ(gbk_to_utf8_text(""), "");
}

}  // namespace
