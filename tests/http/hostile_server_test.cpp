// Servers that misbehave: malformed answers, oversized bodies, stalls and endless
// redirects end every transfer without a crash or a hang.
#include <gtest/gtest.h>

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

#include "http/web_request.h"
#include "http/win_http_client.h"
#include "platform/http_transport.h"
#include "support/loopback_server.h"
#include "support/scripted_server.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

TEST(HostileServer, MalformedAnswersAreReadLikeABrowserOrRefused) {
    struct Case {
        const char* name;
        std::string answer;
        bool sent;
        Text body;
        Text cookies;
    };
    const Case cases[] = {
        {"garbage instead of a status line", "garbage\r\n\r\nbody", false, "", ""},
        // libcurl refuses such a response as a whole rather than guessing.
        {"header line without colon",
         "HTTP/1.1 200 OK\r\nNoColonHere\r\nContent-Length: 2\r\n\r\nok", false, "", ""},
        {"set-cookie without semicolon",
         "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2; path=/\r\nSet-Cookie:c=3\r\n"
         "Content-Length: 2\r\n\r\nok",
         true, "ok", "a=1; b=2; c=3"},
        {"set-cookie without a value",
         "HTTP/1.1 200 OK\r\nSet-Cookie:\r\nContent-Length: 0\r\n\r\n", true, "", ""},
        {"lead byte before CR",
         "HTTP/1.1 200 OK\r\nSet-Cookie:a=\xE4\r\nX:1\r\nSet-Cookie: b=\xE4\xB8\xAD; path=/\r\n"
         "Content-Length: 2\r\n\r\nok",
         true, "ok", "a=\xE4; b=\xE4\xB8\xAD"},
        {"status line without reason", "HTTP/1.1 204\r\n\r\n", true, "", ""},
        {"bare LF line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", true, "ok", ""},
        {"nothing at all", "", false, "", ""},
    };
    for (const Case& c : cases) {
        ScriptedServer server([&](const std::string&) { return c.answer; });
        WinHttpClient client;
        client.set_cookie_mode();
        ASSERT_TRUE(client.open("GET", server.url("/")));
        EXPECT_EQ(client.send(), c.sent) << c.name;
        EXPECT_EQ(client.response_text(), c.body) << c.name;
        EXPECT_EQ(client.cookie_jar(), c.cookies) << c.name;
        EXPECT_EQ(client.response_cookies(), c.cookies) << c.name;
        // The one-shot request reads the same answers the same way.
        const Bytes once = web_request(server.url("/"));
        EXPECT_EQ(Text(once.begin(), once.end()), c.body) << c.name;
    }
}

TEST(HostileServer, SetCookieFloodEndsWithTheNewestCookiesInTheJar) {
    // 20,000 lines under libcurl's cap on a header block: mostly bare "Set-Cookie:", every
    // 40th a new cookie, 500 in all.
    std::string flood;
    for (int i = 0; i < 20000; ++i) {
        flood +=
            i % 40 == 0 ? "Set-Cookie:c" + std::to_string(i / 40) + "=1\r\n" : "Set-Cookie:\r\n";
    }
    ScriptedServer server([&](const std::string&) { return http_answer("1.2.3.4", flood); });
    WinHttpClient client;
    client.set_cookie_mode();
    ASSERT_TRUE(client.open("GET", server.url("/")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.response_text_utf8(), "1.2.3.4");
    const Text jar = client.cookie_jar();
    EXPECT_EQ(std::count(jar.begin(), jar.end(), '='), 300);
    EXPECT_EQ(jar.rfind("c200=1; c201=1; ", 0), 0u);
    EXPECT_EQ(jar.substr(jar.size() - 8), "; c499=1");
}

TEST(HostileServer, BodyIsCappedAndTheBytesReadAreKept) {
    LoopbackServer server;
    server.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(kHttpMaxBodyBytes + 512 * 1024, 'z'), "text/plain");
    });
    ASSERT_TRUE(server.start());
    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", server.url("/")));
    ASSERT_TRUE(client.send());
    Bytes body = client.response_body();
    EXPECT_EQ(body.size(), kHttpMaxBodyBytes);
    EXPECT_EQ(body.back(), 'z');
    WebExchange exchange;
    exchange.complete = true;
    Bytes answer = web_request(server.url("/"), kWebGet, Text(), nullptr, nullptr, Text(), nullptr,
                               false, nullptr, Text(), true, true, true, &exchange);
    EXPECT_EQ(answer.size(), kWebRequestMaxBody);
    EXPECT_FALSE(exchange.complete);
    EXPECT_EQ(exchange.status_code, 200);
    EXPECT_TRUE(web_request(server.url("/")).size() == kWebRequestMaxBody);
}

TEST(HostileServer, StalledServerEndsWithinTheReceiveTimeout) {
    struct Case {
        const char* name;
        std::string answer;
        bool sent;
        Text body;
    };
    const Case cases[] = {
        {"stalls inside the body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial", true,
         "partial"},
        {"stalls inside the headers", "HTTP/1.1 200 OK\r\nX-Slow: 1\r\n", false, ""},
    };
    for (const Case& c : cases) {
        ScriptedServer server([&](const std::string&) { return c.answer; }, true);
        WinHttpClient client;
        EXPECT_TRUE(client.set_timeouts(1000, 1000, 1000, 400));
        ASSERT_TRUE(client.open("GET", server.url("/")));
        Clock::time_point start = Clock::now();
        EXPECT_EQ(client.send(), c.sent) << c.name;
        EXPECT_EQ(client.response_text(), c.body) << c.name;
        // Far below the default receive time-out of five minutes.
        EXPECT_LT(seconds_since(start), 10.0) << c.name;
    }
}

TEST(HostileServer, TricklingServerEndsWithinTheReceiveTimeout) {
    // One byte every 100 ms would take six seconds; the receive time-out bounds the whole
    // response, not just the pause between two bytes.
    const std::size_t trickle_length = 60;
    LoopbackServer server;
    server.server().Get("/", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(
            "text/plain", [&](std::size_t offset, httplib::DataSink& sink) {
                if (offset >= trickle_length) {
                    sink.done();
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return sink.write("t", 1);
            });
    });
    ASSERT_TRUE(server.start());
    WinHttpClient client;
    EXPECT_TRUE(client.set_timeouts(1000, 1000, 1000, 400));
    ASSERT_TRUE(client.open("GET", server.url("/")));
    Clock::time_point start = Clock::now();
    EXPECT_TRUE(client.send());
    EXPECT_LT(client.response_text().size(), trickle_length);
    EXPECT_LT(seconds_since(start), 3.0);
}

TEST(HostileServer, HeaderBlockOverTheCapIsRefused) {
    std::string answer = "HTTP/1.1 200 OK\r\n";
    const std::string line = "X-Flood: " + std::string(8000, 'f') + "\r\n";
    while (answer.size() <= kHttpMaxHeaderBytes) {
        answer += line;
    }
    answer += "Content-Length: 2\r\n\r\nok";
    ScriptedServer server([&](const std::string&) { return answer; });
    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", server.url("/")));
    EXPECT_FALSE(client.send());
    EXPECT_EQ(client.response_headers(), "");
}

TEST(HostileServer, WindowsKeepRunningWhileATransferWaits) {
    ScriptedServer server([](const std::string&) { return std::string("HTTP/1.1 200 OK\r\n"); },
                          true);
    WinHttpClient client;
    client.set_timeouts(1000, 1000, 1000, 600);
    ASSERT_TRUE(client.open("GET", server.url("/")));
    int timer_events = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++timer_events; });
    timer.start(100);
    EXPECT_FALSE(client.send());
    EXPECT_GE(timer_events, 2);
}
