// URLs with blanks and non-ASCII characters, typed or sent back as Location, reach a
// loopback server escaped as a browser escapes them; a relative Location is resolved
// against a URL without a path; Content-Location is no redirect.
#include <gtest/gtest.h>

#include "http/web_request.h"
#include "http/win_http_client.h"
#include "support/scripted_server.h"

namespace {

std::string request_line(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

// Raw UTF-8 is written as escapes: a literal would become GBK.
const std::string kZhongUtf8 = "\xE4\xB8\xAD";

}  // namespace

TEST(SloppyUrls, TypedUrlsAreTrimmedAndEscaped) {
    ScriptedServer server([](const std::string&) { return http_answer("1.2.3.4"); });
    struct Case {
        Text typed;
        std::string request_line;
    };
    const Case cases[] = {
        {" " + server.url("/ip.php") + " ", "GET /ip.php HTTP/1.1"},
        {server.url("/my ip.php?a=1 2") + "\t", "GET /my%20ip.php?a=1%202 HTTP/1.1"},
        {server.url("/中/?q=中"), "GET /%E4%B8%AD/?q=%E4%B8%AD HTTP/1.1"},
    };
    for (const Case& c : cases) {
        WinHttpClient client;
        client.set_cookie_mode();
        ASSERT_TRUE(client.open("GET", c.typed)) << c.typed;
        ASSERT_TRUE(client.send()) << c.typed;
        EXPECT_EQ(client.response_text_utf8(), "1.2.3.4") << c.typed;
        EXPECT_EQ(request_line(server.requests().back()), c.request_line) << c.typed;

        EXPECT_EQ(web_request(c.typed), text_to_bytes("1.2.3.4")) << c.typed;
        EXPECT_EQ(request_line(server.requests().back()), c.request_line) << c.typed;
    }
}

TEST(SloppyUrls, LocationsAreResolvedAndTheirRawBytesEscaped) {
    struct Case {
        const char* name;
        std::string path;
        std::string location;
        std::string followed;
    };
    const Case cases[] = {
        {"raw UTF-8 and a blank", "/start", "/final/" + kZhongUtf8 + " x",
         "GET /final/%E4%B8%AD%20x HTTP/1.1"},
        {"relative to a URL without a path", "", "ip.php", "GET /ip.php HTTP/1.1"},
        {"dot segments", "/a/b/c", "../d/./e", "GET /a/d/e HTTP/1.1"},
    };
    for (const Case& c : cases) {
        ScriptedServer server([&](const std::string& request) {
            if (request.rfind("GET " + (c.path.empty() ? "/" : c.path) + " ", 0) == 0) {
                return http_answer("", "Location: " + c.location + "\r\n", "302 Found");
            }
            return http_answer("1.2.3.4");
        });
        WinHttpClient client;
        client.set_cookie_mode();
        ASSERT_TRUE(
            client.open("GET", "http://127.0.0.1:" + std::to_string(server.port()) + c.path));
        ASSERT_TRUE(client.send()) << c.name;
        EXPECT_EQ(client.response_text_utf8(), "1.2.3.4") << c.name;
        ASSERT_EQ(server.requests().size(), 2u) << c.name;
        EXPECT_EQ(request_line(server.requests()[1]), c.followed) << c.name;
        // The transport follows redirects itself for the one-shot request.
        EXPECT_EQ(web_request(server.url(c.path)), text_to_bytes("1.2.3.4")) << c.name;
        ASSERT_EQ(server.requests().size(), 4u) << c.name;
        EXPECT_EQ(request_line(server.requests()[3]), c.followed) << c.name;
    }
}

TEST(SloppyUrls, ContentLocationIsNoRedirect) {
    ScriptedServer server(
        [](const std::string&) { return http_answer("1.2.3.4", "Content-Location: /other\r\n"); });
    WinHttpClient client;
    client.set_cookie_mode();
    ASSERT_TRUE(client.open("GET", server.url("/")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.response_text_utf8(), "1.2.3.4");
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(client.redirect_location(true), "");
}
