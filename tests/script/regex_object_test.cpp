// RegexObject and the regex engine under it: switches, match order, replacement,
// work limits, GBK positions.
#include "script/regex_object.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/regex_engine.h"

namespace {

const Text kDottedQuad = "\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}";

TEST(RegexObject, CreateSwitchesDefaultToOnAndCountsStartAtZero) {
    RegexObject regex;
    EXPECT_FALSE(regex.get_pattern().size());
    EXPECT_EQ(regex.match("abc"), 0);

    ASSERT_TRUE(regex.create("^b"));
    EXPECT_EQ(regex.get_pattern(), "^b");
    EXPECT_EQ(regex.match_count(), 0);
    EXPECT_EQ(regex.submatch_count(), 0);
    // Ignore case, multiline and global all on: both lines' "B" and "b" are found.
    EXPECT_EQ(regex.match("a\nBx\nby"), 2);
    EXPECT_EQ(regex.match_text(1), "B");

    ASSERT_TRUE(regex.create("^b", false, false, false));
    EXPECT_EQ(regex.match("a\nBx\nby"), 0);
    ASSERT_TRUE(regex.create("b", false, false, false));
    EXPECT_EQ(regex.match("abcb"), 1);
}

TEST(RegexObject, CountsAndSubmatchesFollowTheLastRun) {
    RegexObject regex;
    ASSERT_TRUE(regex.create("(\\d+)-(\\d+)|(x)"));
    EXPECT_EQ(regex.match("1-2 and 33-44"), 2);
    EXPECT_EQ(regex.match_count(), 2);
    EXPECT_EQ(regex.submatch_count(), 3);
    EXPECT_EQ(regex.match_text(2), "33-44");
    EXPECT_EQ(regex.submatch_text(2, 1), "33");
    EXPECT_EQ(regex.submatch_text(2, 2), "44");
    EXPECT_EQ(regex.submatch_text(2, 3), "");  // took no part
    EXPECT_EQ(regex.match_text(3), "");
    EXPECT_EQ(regex.submatch_text(1, 4), "");

    RegexObject kept = regex.copy();
    EXPECT_EQ(regex.match("no digits"), 0);
    EXPECT_EQ(regex.match_count(), 0);
    EXPECT_EQ(regex.submatch_count(), 0);
    EXPECT_EQ(regex.match_text(1), "");
    EXPECT_EQ(kept.match_count(), 2);
    EXPECT_EQ(kept.match_text(1), "1-2");

    EXPECT_FALSE(regex.create("(unclosed"));
    EXPECT_EQ(regex.get_pattern(), "");
    EXPECT_EQ(regex.match("(unclosed"), 0);
    EXPECT_EQ(kept.get_pattern(), "(\\d+)-(\\d+)|(x)");
}

TEST(RegexObject, DottedQuadsAreFoundLeftmostAndWithoutOverlap) {
    struct Case {
        Text text;
        int count;
        Text first;
        Text second;
    };
    const Case cases[] = {
        {"a1.2.3.4b5.6.7.8", 2, "1.2.3.4", "5.6.7.8"},
        {"IP: 203.0.113.7\r\n", 1, "203.0.113.7", ""},
        {"1234.5.6.7", 1, "234.5.6.7", ""},
        {"1.2.3.4.5", 1, "1.2.3.4", ""},
        {"999.999.999.999", 1, "999.999.999.999", ""},
        {"版本 1.0.0.12，您的地址：203.0.113.7", 2, "1.0.0.12", "203.0.113.7"},
        {"<h1>404 页面不存在</h1>", 0, "", ""},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.create(kDottedQuad));
        EXPECT_EQ(regex.match(c.text), c.count) << c.text;
        EXPECT_EQ(regex.match_text(1), c.first) << c.text;
        EXPECT_EQ(regex.match_text(2), c.second) << c.text;
    }
}

TEST(RegexObject, ReplaceExpandsGroupAndMatchReferences) {
    struct Case {
        Text pattern;
        bool global;
        Text text;
        Text replacement;
        Text expected;
    };
    const Case cases[] = {
        {"(\\w+)@(\\w+)", true, "me@host, you@there", "$2 at $1", "host at me, there at you"},
        {"b", true, "abcb", "[$&]", "a[b]c[b]"},
        {"b", true, "abc", "<$`|$'>", "a<a|c>c"},
        {"b", true, "abc", "$$1", "a$1c"},
        {"(a)", true, "a", "$10", "a0"},       // one group: $1 then "0"
        {"(a)", true, "a", "$2$0$", "$2$0$"},  // no such groups: kept as written
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", true, "abcdefghij", "$10$01", "ja"},
        {"(x)?y", true, "y", "[$1]", "[]"},
        {"b", false, "abcb", "x", "axcb"},
        {"x*", true, "abc", "-", "-a-b-c-"},
        {"中", true, "中国中", "文", "文国文"},
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.create(c.pattern, true, true, c.global)) << c.pattern;
        EXPECT_EQ(regex.replace(c.text, c.replacement), c.expected) << c.pattern;
    }
    EXPECT_EQ(RegexObject().replace("abc", "x"), "");
}

TEST(RegexObject, CatastrophicBacktrackingEndsWithinItsLimits) {
    const Text text = Text(5000, 'a') + "b";
    RegexObject regex;
    ASSERT_TRUE(regex.create("(a+)+$"));
    EXPECT_EQ(regex.match(text), 0);
    EXPECT_EQ(regex.replace(text, "x"), "");

    // Every start position stays under the per-attempt limit; the run as a whole is bounded.
    Regex engine;
    ASSERT_TRUE(engine.compile("a*a*a*c|y", {false, false, true}));
    EXPECT_FALSE(engine.execute(Text(400, 'a') + "y").complete);
}

TEST(RegexEngine, PositionsAndLengthsAreGbkBytes) {
    struct Case {
        Text pattern;
        Text text;
        std::vector<std::pair<int, int>> spans;
    };
    const Case cases[] = {
        {"\\d+", "中文12汉字345", {{5, 2}, {11, 3}}},
        {"汉字", "中文12汉字345", {{7, 4}}},
        {".", "a中", {{1, 1}, {2, 2}}},
        {"ABC", "中abc", {{3, 3}}},
        {"b",
         "a\xFF"
         "b\x81",
         {{3, 1}}},  // bytes GBK cannot read keep their place
        {"", "中a", {{1, 0}, {3, 0}, {4, 0}}},
    };
    for (const Case& c : cases) {
        Regex regex;
        ASSERT_TRUE(regex.compile(c.pattern, {true, false, true})) << c.pattern;
        RegexRun run = regex.execute(c.text);
        EXPECT_TRUE(run.complete);
        std::vector<std::pair<int, int>> spans;
        for (const RegexMatch& m : run.matches) {
            spans.emplace_back(m.position, m.length);
            EXPECT_EQ(m.text, c.text.substr(m.position - 1, m.length));
        }
        EXPECT_EQ(spans, c.spans) << c.pattern;
    }

    Regex groups;
    ASSERT_TRUE(groups.compile("(中)(x)?(文)", {}));
    RegexRun run = groups.execute("a中文");
    ASSERT_EQ(run.matches.size(), 1u);
    EXPECT_EQ(run.matches[0].groups[0].position, 2);
    EXPECT_EQ(run.matches[0].groups[1].position, 0);
    EXPECT_EQ(run.matches[0].groups[2].position, 4);
    EXPECT_EQ(run.matches[0].groups[2].text, "文");
}

// Random patterns over random GBK texts (broken characters included): matches lie on the
// text in order without overlap, and replacing each match by itself gives the text back.
TEST(RegexEngine, RandomPatternsAndTextsKeepMatchesInPlace) {
    const Text pattern_pieces[] = {"a", "中",    ".", "\\d", "+",     "*",   "?",   "(",     ")",
                                   "|", "[a中]", "^", "$",   "{1,3}", "\\.", "\\b", "(?=a)", "\\1"};
    const Text text_pieces[] = {"a",    "A",  "1",    ".",    "中",      "文",
                                "\r\n", "\n", "\x81", "\xFF", "\x81\x30"};
    std::mt19937 random(5);
    const auto some_text = [&](const auto& pieces, int most) {
        Text text;
        for (int n = static_cast<int>(random() % (most + 1)); n > 0; --n) {
            text += pieces[random() % std::size(pieces)];
        }
        return text;
    };
    const auto character_start = [](const Text& text, int position) {
        std::size_t i = 0;
        while (i + 1 < static_cast<std::size_t>(position)) {
            i += is_gbk_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2
                                                                                              : 1;
        }
        return i + 1 == static_cast<std::size_t>(position);
    };
    int compiled = 0;
    for (int round = 0; round < 2000; ++round) {
        Regex regex;
        const Text pattern = some_text(pattern_pieces, 5);
        if (!regex.compile(pattern, {random() % 2 == 0, random() % 2 == 0, random() % 4 != 0})) {
            continue;
        }
        ++compiled;
        const Text text = some_text(text_pieces, 12);
        const RegexRun run = regex.execute(text);
        ASSERT_TRUE(run.complete) << pattern;
        int after = 1;  // where the next match may begin
        for (const RegexMatch& m : run.matches) {
            ASSERT_GE(m.position, after) << pattern << " in " << text;
            ASSERT_TRUE(character_start(text, m.position)) << pattern << " in " << text;
            ASSERT_LE(m.position - 1 + m.length, static_cast<int>(text.size())) << pattern;
            ASSERT_EQ(m.text, text.substr(m.position - 1, m.length)) << pattern;
            ASSERT_EQ(static_cast<int>(m.groups.size()), regex.group_count());
            for (const RegexGroup& g : m.groups) {
                if (g.position > 0) {
                    ASSERT_EQ(g.text, text.substr(g.position - 1, g.length)) << pattern;
                }
            }
            after = m.position + std::max(m.length, 1);
        }
        ASSERT_EQ(regex.replace(text, "$&"), text) << pattern;
    }
    EXPECT_GT(compiled, 700);
}

}  // namespace
