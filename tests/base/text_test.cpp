// Text operations: positions, GBK trail bytes, split and trim edges.
#include "base/text.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const Text kTrailA = "\x81\x41";  // a double-byte character whose trail byte is "A"

struct FindCase {
    Text text;
    Text search;
    int start;
    bool ignore_case;
    int expected;
};

TEST(TextFind, Table) {
    const FindCase cases[] = {
        {"abcabc", "c", 1, false, 3},
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "C", 1, false, -1},
        {"abcabc", "C", 1, true, 3},
        {"abc", "", 1, false, 1},
        {"", "", 1, false, -1},
        {"", "a", 1, false, -1},
        {"abc", "a", 0, false, -1},
        {"abc", "a", 9, false, -1},
        {"x" + kTrailA + "A", "A", 1, false, 4},  // trail byte "A" is not a match
        {"x" + kTrailA + "a", "A", 1, true, 4},   // nor when ignoring case
        {"中中", "\xD0\xD6", 1, false, -1},       // across two characters
        {"中文", "文", 1, false, 3},
        {kTrailA + "b",
         "\x41"
         "b",
         1, false, -1},  // match starting inside a character
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(find_text(c.text, c.search, c.start, c.ignore_case), c.expected)
            << "find " << c.search << " in " << c.text;
    }
}

TEST(TextFind, ReverseFindsLastOccurrenceOnCharacterStarts) {
    EXPECT_EQ(rfind_text("abcabc", "b"), 5);
    EXPECT_EQ(rfind_text("abcabc", "b", 4), 2);
    EXPECT_EQ(rfind_text("abcABC", "b", -1, true), 5);
    EXPECT_EQ(rfind_text("A" + kTrailA, "A"), 1);
    EXPECT_EQ(rfind_text("abc", "x"), -1);
}

TEST(TextSlices, LeftRightMiddle) {
    EXPECT_EQ(left_text("abc", 2), "ab");
    EXPECT_EQ(left_text("abc", 0), "");
    EXPECT_EQ(left_text("abc", -1), "");
    EXPECT_EQ(left_text("abc", 9), "abc");
    EXPECT_EQ(right_text("abc", 2), "bc");
    EXPECT_EQ(right_text("abc", 0), "");
    EXPECT_EQ(right_text("abc", 9), "abc");
    EXPECT_EQ(mid_text("abcdef", 2, 3), "bcd");
    EXPECT_EQ(mid_text("abcdef", 5, 9), "ef");
    EXPECT_EQ(mid_text("abcdef", 3), "cdef");
    EXPECT_EQ(mid_text("abc", 4, 1), "");
    EXPECT_EQ(mid_text("abc", 0, 1), "");
}

TEST(TextSplit, PiecesAndEdges) {
    struct Case {
        Text text;
        TextArray expected;
    };
    const Case cases[] = {
        {"a&b&c", {"a", "b", "c"}}, {"a&&c", {"a", "", "c"}},
        {"a&b&", {"a", "b"}},  // an empty last piece is dropped
        {"&a", {"", "a"}},          {"&", {""}},
        {"&&", {"", ""}},           {"", {}},
        {"abc", {"abc"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(split_text(c.text, "&"), c.expected) << c.text;
    }
    EXPECT_EQ(split_text("a" + kTrailA + "b", "A"), TextArray{"a" + kTrailA + "b"});
    EXPECT_EQ(join_texts({"a", "", "c"}, "&"), "a&&c");
    EXPECT_EQ(join_texts({}, "&"), "");
}

TEST(TextTrim, SpacesAndIdeographicSpacesOnly) {
    const std::pair<Text, Text> cases[] = {
        {"  a b  ", "a b"},
        {"\xA1\xA1"
         "a\xA1\xA1",
         "a"},
        {" \xA1\xA1 a \xA1\xA1 ", "a"},
        {"\ta\r\n", "\ta\r\n"},
        {"   ", ""},
        {"", ""},
        // A1 A1 at the end that is the trail of one character and the lead of another stays.
        {"\xB0\xA1\xA1", "\xB0\xA1\xA1"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(trim_text(input), expected) << input;
    }
}

TEST(TextCase, AsciiLettersOnly) {
    EXPECT_EQ(upper_text("abC1中"), "ABC1中");
    EXPECT_EQ(lower_text("ABc1中"), "abc1中");
    EXPECT_EQ(lower_text(kTrailA), kTrailA);  // a trail byte "A" is not a letter
}

TEST(TextReplace, EveryOccurrence) {
    EXPECT_EQ(replace_text("hh:mm:hh", "hh", "HH"), "HH:mm:HH");
    EXPECT_EQ(replace_text("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replace_text("abc", "", "x"), "abc");
    EXPECT_EQ(replace_text("abc", "c", ""), "ab");
    EXPECT_EQ(replace_text("x" + kTrailA + "A", "A", "b"), "x" + kTrailA + "b");
    EXPECT_EQ(replace_text("中中", "\xD0\xD6", "b"), "中中");
}

TEST(TextToInt, LeadingNumber) {
    const std::pair<Text, int> cases[] = {
        {"7", 7},
        {"0", 0},
        {"", 0},
        {"abc", 0},
        {"12abc", 12},
        {"-3", -3},
        {" 5", 0},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(text_to_int(input), expected) << input;
    }
}

TEST(TextBytes, StopAtZeroByte) {
    EXPECT_EQ(text_to_bytes("中"), (Bytes{0xD6, 0xD0}));
    EXPECT_EQ(bytes_to_text(Bytes{'a', 'b', 0, 'c'}), "ab");
}

// Random texts of ASCII, whole and broken GBK characters: find and replace agree with a
// plain walk over the characters, and trim removes blanks only at the ends.
TEST(TextRandom, FindReplaceTrimAgreeWithACharacterWalk) {
    const Text pieces[] = {"a", "A", "b", " ", "中", "\xA1\xA1", kTrailA, "\x81", "\xB0", "\t"};
    std::mt19937 random(7);
    const auto some_text = [&](std::size_t most) {
        Text text;
        for (std::size_t n = random() % (most + 1); n > 0; --n) {
            text += pieces[random() % std::size(pieces)];
        }
        return text;
    };
    const auto is_character_start = [](const Text& text, std::size_t at) {
        for (std::size_t i = 0; i < text.size(); i += is_gbk_lead_byte(text[i]) ? 2 : 1) {
            if (i == at) {
                return true;
            }
        }
        return false;
    };
    for (int round = 0; round < 3000; ++round) {
        const Text text = some_text(12);
        const Text search = some_text(2);
        const bool ignore_case = random() % 2;
        const int start = static_cast<int>(random() % (text.size() + 2));

        int expected = -1;
        for (std::size_t i = 0; i < text.size() && expected < 0; ++i) {
            if (static_cast<int>(i) + 1 >= start && start >= 1 && is_character_start(text, i) &&
                i + search.size() <= text.size() &&
                (ignore_case ? equal_ignoring_case(text.substr(i, search.size()), search)
                             : text.compare(i, search.size(), search) == 0)) {
                expected = static_cast<int>(i) + 1;
            }
        }
        // Case folding looks at the text's characters, the reference at the search's.
        if (!ignore_case || search == upper_text(search)) {
            ASSERT_EQ(find_text(text, search, start, ignore_case), expected)
                << text << " / " << search << " from " << start;
        }

        Text replaced;
        int pos = 1;
        for (int at; !search.empty() && (at = find_text(text, search, pos)) > 0;) {
            replaced += text.substr(pos - 1, at - pos) + "<>";
            pos = at + static_cast<int>(search.size());
        }
        replaced += mid_text(text, pos);
        ASSERT_EQ(replace_text(text, search, "<>"), search.empty() ? text : replaced)
            << text << " / " << search;

        const Text trimmed = trim_text(text);
        ASSERT_EQ(trim_text(trimmed), trimmed) << text;
        const std::size_t at = text.find(trimmed);
        ASSERT_NE(at, Text::npos) << text;
        for (const Text& cut : {text.substr(0, at), text.substr(at + trimmed.size())}) {
            ASSERT_EQ(cut.find_first_not_of(" \xA1"), Text::npos) << text;
        }
    }
}

}  // namespace
