// The cookie jar operations of WinHttpClient (no network needed).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "http/win_http_client.h"

TEST(WinHttpClientJar, Operations) {
    struct Case {
        const char* name;
        Text jar_before;
        std::function<Text(WinHttpClient&)> operation;
        Text result;
        Text jar_after;
    };
    auto flag = [](bool value) { return Text(value ? "true" : "false"); };
    const Case cases[] = {
        {"merge replaces and appends", "a=1; b=2",
         [&](WinHttpClient& c) { return flag(c.merge_jar_cookies("b=3; c=4")); }, "true",
         "a=1; b=3; c=4"},
        {"merge into empty jar", "",
         [&](WinHttpClient& c) { return flag(c.merge_jar_cookies(" x=1")); }, "true", "x=1"},
        {"merge without =", "a=1", [&](WinHttpClient& c) { return flag(c.merge_jar_cookies("x")); },
         "false", "a=1"},
        {"merge empty", "a=1", [&](WinHttpClient& c) { return flag(c.merge_jar_cookies("")); },
         "false", "a=1"},
        {"delete names and pairs", "a=1; b=2; c=3",
         [&](WinHttpClient& c) { return flag(c.delete_jar_cookies("a=1; b")); }, "true", "c=3"},
        {"delete absent", "a=1", [&](WinHttpClient& c) { return flag(c.delete_jar_cookies("z")); },
         "false", "a=1"},
        {"delete does not match a longer name", "ab=1",
         [&](WinHttpClient& c) { return flag(c.delete_jar_cookies("a")); }, "false", "ab=1"},
        {"set jar without ;", "", [](WinHttpClient& c) { return c.cookie_jar("a=1"); }, "a=1",
         "a=1"},
        {"set jar with ;", "", [](WinHttpClient& c) { return c.cookie_jar("a=1;"); }, "a=1;",
         "a=1"},
        {"set jar in jar form", "", [](WinHttpClient& c) { return c.cookie_jar("; a=1; b=2; "); },
         "; a=1; b=2; ", "a=1; b=2"},
        {"value by exact name", "ab=1; a=2", [](WinHttpClient& c) { return c.jar_cookie("a"); },
         "2", "ab=1; a=2"},
        {"pair by name", "ab=1; a=2", [](WinHttpClient& c) { return c.jar_cookie("a", true); },
         "a=2", "ab=1; a=2"},
        {"absent cookie", "a=2", [](WinHttpClient& c) { return c.jar_cookie("b"); }, "", "a=2"},
        {"empty name", "a=2", [](WinHttpClient& c) { return c.jar_cookie(""); }, "", "a=2"},
        // Bytes that arrived from a server: a lead byte must not hide the "; " after it.
        {"value after a lead byte", "a=\xAD; b=2",
         [](WinHttpClient& c) { return c.jar_cookie("b"); }, "2", "a=\xAD; b=2"},
        {"merge after a lead byte", "a=\xAD; b=2",
         [&](WinHttpClient& c) { return flag(c.merge_jar_cookies("b=3")); }, "true", "a=\xAD; b=3"},
        {"delete after a lead byte", "a=\xAD; b=2",
         [&](WinHttpClient& c) { return flag(c.delete_jar_cookies("b")); }, "true", "a=\xAD"},
    };
    for (const Case& c : cases) {
        WinHttpClient client;
        if (!c.jar_before.empty()) {
            client.cookie_jar(c.jar_before);
        }
        EXPECT_EQ(c.operation(client), c.result) << c.name;
        EXPECT_EQ(client.cookie_jar(), c.jar_after) << c.name;
    }
}

TEST(WinHttpClientJar, KeepsTheNewestCookies) {
    WinHttpClient client;
    client.cookie_jar("old=1");
    Text cookies;
    for (std::size_t i = 0; i < WinHttpClient::kJarMaxCookies; ++i) {
        cookies += "c" + std::to_string(i) + "=1; ";
    }
    EXPECT_TRUE(client.merge_jar_cookies(cookies + "c0=2"));
    const Text jar = client.cookie_jar();
    EXPECT_EQ(jar.rfind("c0=2; c1=1; ", 0), 0u);
    EXPECT_EQ(jar.find("old="), Text::npos);
    EXPECT_EQ(static_cast<std::size_t>(std::count(jar.begin(), jar.end(), '=')),
              WinHttpClient::kJarMaxCookies);
}

TEST(WinHttpClientJar, SetCookiesInModeOneChangesOnlyTheJar) {
    WinHttpClient client;
    client.set_cookie_mode();
    EXPECT_TRUE(client.set_cookies("k=v"));
    EXPECT_EQ(client.cookie_jar(), "k=v");
    client.set_cookie_mode(5);
    EXPECT_FALSE(client.set_cookies("k=v"));  // mode 0 needs an open request
}

TEST(WinHttpClientJar, HeaderSettersNeedAnOpenRequest) {
    WinHttpClient client;
    EXPECT_FALSE(client.set_user_agent(Text("x")));
    EXPECT_FALSE(client.set_request_header("X-A", "1"));
    EXPECT_FALSE(client.remove_request_header("X-A"));
    EXPECT_FALSE(client.set_forwarded_for("1.2.3.4"));
    EXPECT_FALSE(client.set_credentials("u", "p"));
    EXPECT_EQ(client.status_code(), 0);
    EXPECT_TRUE(client.response_body().empty());
    client.close();
    EXPECT_FALSE(client.open("GET", "http://127.0.0.1/"));
    EXPECT_FALSE(client.set_timeouts());
    client.restart();
    EXPECT_TRUE(client.open("GET", "http://127.0.0.1/"));
    EXPECT_TRUE(client.set_user_agent(Text("x")));
}
