// URL, header and cookie text helpers of the one-shot web request.
#include <gtest/gtest.h>

#include "http/http_text.h"

TEST(HttpText, NormalizeHeaderNames) {
    struct Case {
        Text input;
        Text expected;
    };
    const Case cases[] = {
        {"", ""},
        {"x-forwarded-for: 1", "X-Forwarded-For: 1"},
        {"no colon here", ""},
        {"accept:*/*\r\n\r\nuser-agent: a:b\r\nbroken", "Accept:*/*\r\nUser-Agent: a:b"},
        {"cONTENT-tYPE:x", "CONTENT-TYPE:x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(normalize_header_names(c.input), c.expected) << c.input;
    }
}

TEST(HttpText, MarkersAndColons) {
    EXPECT_EQ(text_between("key=value;", "key=", ";"), "value");
    EXPECT_EQ(text_between("key=value", "key=", ";"), "");
    EXPECT_EQ(text_between("a;key=;", "key=", ";"), "");
    EXPECT_EQ(text_between("nothing", "key=", ";"), "");
    EXPECT_EQ(text_before("Set-Cookie: a=1", ": "), "Set-Cookie");
    EXPECT_EQ(text_before(": a=1", ": "), "");
    EXPECT_EQ(text_before("abc", ""), "abc");
    EXPECT_EQ(text_before("abc", "x"), "");
    EXPECT_EQ(text_after_colon("Agent:  x y  "), "x y");
    EXPECT_EQ(text_after_colon("none"), "");
    EXPECT_EQ(capitalize_first("abc"), "Abc");
    EXPECT_EQ(capitalize_first(""), "");
    EXPECT_EQ(capitalize_first("\xD6\xD0x"), "\xD6\xD0x");
}

TEST(HttpText, UrlParts) {
    struct Case {
        Text url;
        Text host;
        Text host_with_port;
        int port;
        Text path;
    };
    const Case cases[] = {
        {"http://Example.COM/A/b?Q=1", "example.com", "example.com", 80, "/A/b?Q=1"},
        {"HTTPS://example.com", "example.com", "example.com", 443, "/"},
        {"https://example.com:8443/x", "example.com", "example.com:8443", 8443, "/x"},
        {"example.com/a", "example.com", "example.com", 80, "/a"},
        {"http://example.com:8080", "example.com", "example.com:8080", 8080, "/"},
        {"http://example.com?q=1", "example.com?q=1", "example.com?q=1", 80, "/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(url_host(c.url), c.host) << c.url;
        EXPECT_EQ(url_host(c.url, true), c.host_with_port) << c.url;
        EXPECT_EQ(url_port(c.url), c.port) << c.url;
        EXPECT_EQ(url_path(c.url), c.path) << c.url;
    }
}

TEST(HttpText, MergeCookieText) {
    struct Case {
        Text sent;
        Text received;
        Text merged;
    };
    const Case cases[] = {
        {"a=1; b=2", "b=3; c=deleted", "b=3; a=1"},
        {"a=1; a=2; d=deleted; e=5", "", "a=1; e=5"},
        {"a=1; b=2;", "", "a=1; b=2"},
        {"", "x=1; x=1", "x=1"},
        {"  a=1 ", "b=2", "b=2; a=1"},
    };
    for (const Case& c : cases) {
        Text sent = c.sent;
        Text received = c.received;
        EXPECT_EQ(merge_cookie_text(sent, received), c.merged) << c.sent << " | " << c.received;
        EXPECT_EQ(sent, c.merged);
    }
}

TEST(HttpText, CookieNamesAndItems) {
    EXPECT_EQ(cookie_name(" sid = 42"), "sid");
    EXPECT_EQ(cookie_name(" flag "), "flag");
    EXPECT_TRUE(has_cookie_name({"a=1", "B=2"}, "B"));
    EXPECT_FALSE(has_cookie_name({"a=1", "B=2"}, "b"));
    EXPECT_EQ(remove_duplicate_items("a; b; a", "; "), "a; b");
    EXPECT_EQ(find_item({}, "a"), -1);
    EXPECT_EQ(find_item({"a", "b", "b"}, "b"), 2);
}
