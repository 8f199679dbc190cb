// crack_http_url and http_url_origin: the parts the HTTP clients and the cookie store
// read from a URL, and the URLs they refuse.
#include "platform/http_url.h"

#include <gtest/gtest.h>

TEST(HttpUrl, CracksHttpAndHttpsUrls) {
    struct Case {
        Text url;
        int scheme;
        Text host;
        int port;
        Text path;
        Text extra;
    };
    const Case cases[] = {
        {"http://a.test", kUrlSchemeHttp, "a.test", 80, "", ""},
        {"https://a.test/", kUrlSchemeHttps, "a.test", 443, "/", ""},
        {"HTTP://A.Test:8080/p/q?x=1#f", kUrlSchemeHttp, "A.Test", 8080, "/p/q", "?x=1#f"},
        {"HtTpS://a.test:1/", kUrlSchemeHttps, "a.test", 1, "/", ""},
        {"http://a.test:65535", kUrlSchemeHttp, "a.test", 65535, "", ""},
        {"http://a.test?q", kUrlSchemeHttp, "a.test", 80, "", "?q"},
        {"http://a.test#f?not-query", kUrlSchemeHttp, "a.test", 80, "", "#f?not-query"},
        {"http://user:pw@a.test:81/x", kUrlSchemeHttp, "a.test", 81, "/x", ""},
        {"http://u@v@a.test/", kUrlSchemeHttp, "a.test", 80, "/", ""},
        {"http://[::1]/", kUrlSchemeHttp, "::1", 80, "/", ""},
        {"https://[2001:db8::1]:8443/p", kUrlSchemeHttps, "2001:db8::1", 8443, "/p", ""},
        {"http://a.test:/p", kUrlSchemeHttp, "a.test", 80, "/p", ""},
        {"http://a.test/with space/?a b", kUrlSchemeHttp, "a.test", 80, "/with space/", "?a b"},
    };
    for (const Case& c : cases) {
        HttpUrlParts parts;
        ASSERT_TRUE(crack_http_url(c.url, parts)) << c.url;
        EXPECT_EQ(parts.scheme, c.scheme) << c.url;
        EXPECT_EQ(parts.host, c.host) << c.url;
        EXPECT_EQ(parts.port, c.port) << c.url;
        EXPECT_EQ(parts.path, c.path) << c.url;
        EXPECT_EQ(parts.extra, c.extra) << c.url;
    }
}

TEST(HttpUrl, RefusesOtherSchemesEmptyHostsAndBadPortsLeavingThePartsAlone) {
    const Text refused[] = {
        "",
        "ftp://a.test/",
        "http:/a.test/",
        "a.test/",
        "http://",
        "http:///path",
        "http://:80/",
        "http://user@/",
        "http://a.test:0/",
        "http://a.test:65536/",
        "http://a.test:123456/",
        "http://a.test:8x/",
        "http://a.test:-1/",
        "http://[::1/",
        "http://[::1]x/",
        "http://[]/",
    };
    for (const Text& url : refused) {
        HttpUrlParts parts;
        parts.host = "untouched";
        EXPECT_FALSE(crack_http_url(url, parts)) << url;
        EXPECT_EQ(parts.host, "untouched") << url;
    }
}

TEST(HttpUrl, OriginAlwaysWritesThePortAndBracketsIpv6) {
    struct Case {
        int scheme;
        Text host;
        int port;
        Text origin;
    };
    const Case cases[] = {
        {kUrlSchemeHttp, "a.test", 80, "http://a.test:80"},
        {kUrlSchemeHttps, "a.test", 443, "https://a.test:443"},
        {kUrlSchemeHttps, "::1", 8443, "https://[::1]:8443"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(http_url_origin(c.scheme, c.host, c.port), c.origin) << c.host;
    }
}
