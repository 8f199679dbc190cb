// Relative references resolved as RFC 3986 section 5 says, and URLs escaped for the wire.
#include <gtest/gtest.h>

#include "platform/url_reference.h"

TEST(UrlReference, ExamplesOfRfc3986) {
    struct Case {
        Text reference;
        Text target;
    };
    // Section 5.4.1, then some of section 5.4.2.
    const Case cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"},
        {"g;x", "http://a/b/c/g;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"./g/.", "http://a/b/c/g/"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolve_reference("http://a/b/c/d;p?q", c.reference), c.target) << c.reference;
    }
}

TEST(UrlReference, BasesOfTheClients) {
    struct Case {
        Text base;
        Text reference;
        Text target;
    };
    const Case cases[] = {
        {"http://host", "ip.php", "http://host/ip.php"},
        {"http://host:8080", "?q=1", "http://host:8080/?q=1"},
        {"http://[::1]:8080/dir/page1", "/next", "http://[::1]:8080/next"},
        {"http://[::1]/dir/page1", "page2", "http://[::1]/dir/page2"},
        {"HTTP://Host/A/b#frag", "HTTPS://Other/y", "HTTPS://Other/y"},
        {"https://host/a/b", "//cdn.test/x", "https://cdn.test/x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(resolve_reference(c.base, c.reference), c.target)
            << c.base << " + " << c.reference;
    }
}

TEST(UrlReference, EscapingForTheWire) {
    EXPECT_EQ(escape_url_bytes("/a b/\xE4\xB8\xAD?q=%41\t\x7F\n"),
              "/a%20b/%E4%B8%AD?q=%41%09%7F\n");
    struct Case {
        Text typed;
        Text sent;
    };
    const Case cases[] = {
        {"  http://host/ip.php \t\r\n", "http://host/ip.php"},
        {"http://host/my ip.php?x=1 2", "http://host/my%20ip.php?x=1%202"},
        // What the user typed is GBK text; browsers send its characters in UTF-8.
        {"http://host/查?q=中", "http://host/%E6%9F%A5?q=%E4%B8%AD"},
        {"http://host/%E4%B8%AD", "http://host/%E4%B8%AD"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(request_url(c.typed), c.sent) << c.typed;
    }
}
