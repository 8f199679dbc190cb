// The address scanner: what an address page's text yields.
#include "base/dotted_quad.h"

#include <gtest/gtest.h>

namespace {

TEST(FirstDottedQuad, TakesTheFirstAddressThatStandsAlone) {
    const struct {
        Text text;
        Text expected;
    } cases[] = {
        {"IP: 203.0.113.7", "203.0.113.7"},
        {"203.0.113.7", "203.0.113.7"},
        {"来自：198.51.100.23，中国", "198.51.100.23"},
        {"IP 203.0.113.7. Thanks", "203.0.113.7"},  // a full stop is no fifth number
        {"0.0.0.0 255.255.255.255", "0.0.0.0"},
        {"1234.5.6.7", ""},  // a longer number, not "234.5.6.7"
        {"1.2.3.4567", ""},  // not "1.2.3.456"
        {"1.2.3.4.5", ""},   // a version or an OID, not "1.2.3.4"
        {"v2.1.2.3.4", ""},  // letters do not bound a number run of dots
        {"999.1.1.1 then 203.0.113.9", "203.0.113.9"},
        {"256.1.1.1", ""},
        {"1.2.3", ""},
        {"1..2.3.4", ""},
        {"a1.2.3.4b", "1.2.3.4"},
        {"", ""},
        {"\xB5\xD8\xD6\xB7"
         "10.0.0.1",
         "10.0.0.1"},  // after a GBK character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(first_dotted_quad(c.text), c.expected) << c.text;
    }
}

}  // namespace
