// Code-page conversion at the program's edges: GBK, UTF-8 and what neither holds.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <random>

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

// Random bytes convert to well-formed UTF-8; whole GBK characters come back unchanged;
// random UTF-16 (lone surrogates included) converts without harm.
TEST(CodePage, RandomTextsConvertSafely) {
    const Text characters[] = {"a", "中", "誡", "\x81\x41", "\xA1\xA1", "\xB0\xA1", "\r\n"};
    std::mt19937 random(3);
    for (int round = 0; round < 1000; ++round) {
        Text bytes;
        Text gbk;
        for (int n = static_cast<int>(random() % 12); n > 0; --n) {
            bytes.push_back(static_cast<char>(random() % 256));
            gbk += characters[random() % std::size(characters)];
        }
        const Text utf8 = gbk_to_utf8_text(bytes);
        ASSERT_EQ(wide_to_multibyte(kCodePageUtf8, multibyte_to_wide(kCodePageUtf8, utf8)), utf8);
        ASSERT_EQ(utf8_to_gbk_text(gbk_to_utf8_text(gbk)), gbk);

        WideText wide;
        for (int n = static_cast<int>(random() % 8); n > 0; --n) {
            wide.push_back(static_cast<char16_t>(random() % 2 ? 0xD800 + random() % 0x800
                                                              : random() % 0x10000));
        }
        const Text narrow = wide_to_multibyte(kCodePageGbk, wide);
        ASSERT_LE(narrow.size(), wide.size() * 2);
        ASSERT_EQ(wide_to_multibyte(kCodePageGbk, multibyte_to_wide(kCodePageGbk, narrow)), narrow);
    }
}

// Every UTF-8 byte points at the GBK character it came from; a pair that does not
// convert is one U+FFFD, not two, so a match never starts inside a character.
TEST(CodePage, MappedUtf8KeepsCharacterOffsets) {
    struct Case {
        Text gbk;
        std::string utf8;
        std::vector<int> offsets;
    } cases[] = {
        {"", "", {0}},
        {"a中", "a\xE4\xB8\xAD", {0, 1, 1, 1, 3}},
        {"\x81\x7F"
         "b",
         "\xEF\xBF\xBD"
         "b",
         {0, 0, 0, 2, 3}},                            // invalid pair
        {"a\x81", "a\xEF\xBF\xBD", {0, 1, 1, 1, 2}},  // lead byte at the end
        {"\x80", "\xE2\x82\xAC", {0, 0, 0, 1}},       // the euro sign
    };
    for (const Case& c : cases) {
        const MappedUtf8 mapped = gbk_to_mapped_utf8(c.gbk);
        EXPECT_EQ(mapped.utf8, c.utf8) << c.gbk;
        EXPECT_EQ(mapped.gbk_offset, c.offsets) << c.gbk;
    }
}

}  // namespace
