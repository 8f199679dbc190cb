// Text operations: positions, GBK trail bytes, split/trim edges.
#include "base/text.h"

#include <gtest/gtest.h>

TEST(Text, Placeholder) { EXPECT_EQ(find_text("abc", "c"), 3); }
