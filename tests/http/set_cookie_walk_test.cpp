// Header blocks read as bytes first: the cookie pairs and the Location each block yields.
#include <gtest/gtest.h>

#include "base/header_block.h"
#include "http/set_cookie_walk.h"

TEST(HeaderBlock, CookiePairsAndLocationOfEachBlock) {
    struct Case {
        const char* name;
        Text block;
        TextArray pairs;
        std::optional<Text> location;
    };
    // Raw UTF-8 is written as escapes: a literal would become GBK.
    const Text kZhong = "\xE4\xB8\xAD";
    const Case cases[] = {
        {"lead byte before CR",
         "HTTP/1.1 200 OK\r\nSet-Cookie:a=\xE4\r\nX:1\r\n\r\n",
         {"a=\xE4;"},
         std::nullopt},
        {"lone LF",
         "HTTP/1.1 302 Found\nSet-Cookie: a=1; path=/\nLocation: /next\n\n",
         {"a=1;"},
         "/next"},
        {"lone CR",
         "HTTP/1.1 200 OK\rSet-Cookie: a=1\rSet-Cookie: b=2\r\n",
         {"a=1;", "b=2;"},
         std::nullopt},
        {"Content-Location is not Location",
         "HTTP/1.1 200 OK\r\nContent-Location: /other\r\nX-Location: /x\r\n\r\n",
         {},
         std::nullopt},
        {"Location after Content-Location",
         "HTTP/1.1 302 Found\r\nContent-Location: /other\r\nlocation:  /real \r\n\r\n",
         {},
         "/real"},
        {"raw UTF-8 in Set-Cookie and Location",
         "HTTP/1.1 302 Found\r\nSet-Cookie: n=" + kZhong + "; path=/\r\nSet-Cookie: m=" + kZhong +
             "\r\nLocation: /final/" + kZhong + "\r\n\r\n",
         {"n=" + kZhong + ";", "m=" + kZhong + ";"},
         "/final/" + kZhong},
        {"folded lines",
         "HTTP/1.1 302 Found\r\nSet-Cookie: a=1\r\n ; path=/\r\nLocation: /x\r\n\tmore\r\n",
         {"a=1;"},
         "/x more"},
        {"empty lines",
         "\r\nHTTP/1.1 200 OK\r\n\r\nSet-Cookie: a=1\r\n\r\n\r\nSet-Cookie: b=2",
         {"a=1;", "b=2;"},
         std::nullopt},
        {"names matched whole, in any case",
         "HTTP/1.1 200 OK\r\nset-cookie:c=3\r\nX-Set-Cookie: z=9\r\nSet-Cookie : d=4\r\n"
         "Set Cookie: y=8\r\nSet-Cookie:\r\n",
         {"c=3;", "d=4;", ";"},
         std::nullopt},
        {"status line with a colon", "HTTP/1.1 302 Location: /no\r\n\r\n", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(set_cookie_pairs(c.block), c.pairs) << c.name;
        EXPECT_EQ(header_value(c.block, "Location"), c.location) << c.name;
    }
}

TEST(HeaderBlock, ContentLengthIsNotFoundInsideAnotherName) {
    const Text block = "HTTP/1.1 200 OK\r\nX-Content-Length: 9\r\nContent-Length:  12 \r\n\r\n";
    EXPECT_EQ(header_value(block, "content-length"), "12");
    EXPECT_EQ(header_value("HTTP/1.1 200 OK\r\nX-Content-Length: 9\r\n", "Content-Length"),
              std::nullopt);
}
