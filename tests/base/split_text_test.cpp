// Splitting texts: empty pieces, a trailing separator, separators inside characters, and
// splitting byte by byte.
#include <gtest/gtest.h>

#include "base/text.h"

namespace {

TEST(SplitText, KeepsEmptyPiecesDropsTheLastEmptyOneAndSkipsTrailBytes) {
    const struct {
        Text text;
        Text separator;
        TextArray pieces;
    } cases[] = {
        {"a&b&c", "&", {"a", "b", "c"}},
        {"&a&&b&", "&", {"", "a", "", "b"}},
        {"", "&", {}},
        {"abc", "", {"abc"}},
        {"a&&&b", "&&", {"a", "&b"}},
        {"a\x81@b@c", "@", {"a\x81@b", "c"}},  // 81 40 is one double-byte character
        {"x\xD6\xD0y\xD6\xD0", "\xD6\xD0", {"x", "y"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(split_text(c.text, c.separator), c.pieces) << c.text;
    }
}

// The same rules, but bytes that arrived in another encoding cannot hide a separator.
TEST(SplitText, BytesWiseSplitSeesEverySeparator) {
    const struct {
        Text text;
        TextArray pieces;
    } cases[] = {
        {"a=\xAD; b=2; ", {"a=\xAD", "b=2"}},
        {"; a=1", {"", "a=1"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(split_bytes(c.text, "; "), c.pieces) << c.text;
    }
}

}  // namespace
