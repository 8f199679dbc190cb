// The cookie store by URL host and path.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/cookie_store.h"

TEST(CookieStore, HostPathAndAttributes) {
    CookieStore store;
    EXPECT_TRUE(store.set_cookie("http://a.test/dir/page", "plain", "1"));
    EXPECT_TRUE(store.set_cookie("http://a.test/dir/page", "", "root=2; Path=/"));
    EXPECT_TRUE(store.set_from_header("http://www.a.test/", "shared=3; domain=.a.test"));
    EXPECT_TRUE(store.set_from_header("http://a.test/", "safe=4; Secure"));
    EXPECT_FALSE(store.set_from_header("http://a.test/", "foreign=5; Domain=b.test"));
    EXPECT_FALSE(store.set_cookie("ftp://a.test/", "x", "1"));
    EXPECT_FALSE(store.set_from_header("http://a.test/", "no-equals-sign"));

    struct Case {
        Text url;
        Text expected;
    };
    const Case cases[] = {
        {"http://a.test/dir/other", "plain=1; root=2; shared=3"},
        {"http://A.TEST/elsewhere", "root=2; shared=3"},
        {"https://a.test/", "root=2; shared=3; safe=4"},
        {"http://sub.a.test/dir/x", "shared=3"},
        {"http://b.test/", ""},
        {"http://a.test/directory", "root=2; shared=3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(store.cookies_for(c.url), c.expected) << c.url;
    }
}

TEST(CookieStore, ReplaceAndExpire) {
    CookieStore store;
    store.set_from_header("http://a.test/", "a=1; path=/");
    store.set_from_header("http://a.test/", "b=2; path=/");
    store.set_from_header("http://a.test/", "a=9; path=/");
    EXPECT_EQ(store.cookies_for("http://a.test/"), "a=9; b=2");
    store.set_from_header("http://a.test/", "a=gone; path=/; Max-Age=0");
    store.set_from_header("http://a.test/",
                          "b=gone; path=/; expires=Thu, 01 Jan 1970 00:00:01 GMT");
    EXPECT_EQ(store.cookies_for("http://a.test/"), "");
    // Lifetimes beyond any clock keep the cookie.
    store.set_from_header("http://a.test/", "far=1; Max-Age=99999999999999999999");
    EXPECT_EQ(store.cookies_for("http://a.test/"), "far=1");
    store.set_from_header("http://a.test/", "far=gone; Max-Age=-99999999999999999999");
    EXPECT_EQ(store.cookies_for("http://a.test/"), "");
    store.set_cookie("http://a.test/", "empty", "");
    EXPECT_EQ(store.cookies_for("http://a.test/"), "empty=");
    store.clear();
    EXPECT_EQ(store.cookies_for("http://a.test/"), "");
}

TEST(CookieStore, ExpiredCookiesAreDroppedWhenOthersArrive) {
    std::int64_t now = 1700000000;
    set_clock_for_testing([&] { return now; });
    CookieStore store;
    for (int i = 0; i < 50; ++i) {
        store.set_from_header("http://a.test/", "short" + std::to_string(i) + "=1; Max-Age=1");
    }
    EXPECT_EQ(store.size(), 50u);
    EXPECT_NE(store.cookies_for("http://a.test/"), "");
    now += 1;  // Max-Age=1 has run out
    EXPECT_EQ(store.cookies_for("http://a.test/"), "");
    store.set_from_header("http://a.test/", "fresh=1");
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(store.cookies_for("http://a.test/"), "fresh=1");
    set_clock_for_testing(nullptr);
}

TEST(CookieStore, KeepsTheNewestFiftyPerDomainAndThreeHundredInAll) {
    CookieStore store;
    for (int i = 0; i < 60; ++i) {
        store.set_from_header("http://a.test/", "a" + std::to_string(i) + "=1");
    }
    store.set_from_header("http://a.test/", "a10=2");  // set again: keeps its age
    EXPECT_EQ(store.size(), CookieStore::kMaxPerDomain);
    EXPECT_EQ(store.cookies_for("http://a.test/").rfind("a10=2; a11=1; ", 0), 0u);

    for (int host = 0; host < 7; ++host) {
        for (int i = 0; i < 50; ++i) {
            store.set_from_header("http://h" + std::to_string(host) + ".test/",
                                  "c" + std::to_string(i) + "=1");
        }
    }
    EXPECT_EQ(store.size(), CookieStore::kMaxCookies);
    EXPECT_EQ(store.cookies_for("http://a.test/"), "");
    EXPECT_EQ(store.cookies_for("http://h0.test/").rfind("c0=1; ", 0), Text::npos);
    EXPECT_NE(store.cookies_for("http://h6.test/"), "");

    // A cookie over 4 KiB is ignored, as browsers ignore it.
    store.clear();
    EXPECT_FALSE(store.set_from_header("http://a.test/", "big=" + Text(5000, 'v')));
    EXPECT_TRUE(store.set_from_header("http://a.test/", "fits=" + Text(4000, 'v')));
    EXPECT_EQ(store.size(), 1u);
}

TEST(CookieStore, RawBytesOfAValueAreKeptBeforeTheAttributes) {
    CookieStore store;
    // UTF-8 of a Chinese character ends in a byte that GBK takes for a lead byte.
    EXPECT_TRUE(store.set_from_header("http://a.test/x/y", "n=\xE4\xB8\xAD; Path=/"));
    EXPECT_EQ(store.cookies_for("http://a.test/"), "n=\xE4\xB8\xAD");
}
