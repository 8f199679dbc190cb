// WinHttpClient against loopback servers: open, send, retries, body, cookies, redirects,
// certificates, time-outs and connection reuse.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <regex>

#include "http/win_http_client.h"
#include "platform/cookie_store.h"
#include "platform/http_transport.h"
#include "support/loopback_server.h"
#include "support/scripted_server.h"

namespace {

int closed_port() {
    ScriptedServer gone([](const std::string&) { return std::string(); });
    return gone.port();
}

// Collects the Cookie header of every request the handlers see.
struct CookieLog {
    std::mutex mutex;
    std::vector<std::string> cookies;
    void add(const httplib::Request& req) {
        std::lock_guard<std::mutex> lock(mutex);
        cookies.push_back(req.get_header_value("Cookie"));
    }
    std::vector<std::string> all() {
        std::lock_guard<std::mutex> lock(mutex);
        return cookies;
    }
};

}  // namespace

TEST(WinHttpClient, OpenCompletesTheUrlAndPicksTheObjectName) {
    ScriptedServer server([](const std::string&) { return http_answer("ok"); });
    const std::string authority = "127.0.0.1:" + std::to_string(server.port());
    struct Case {
        Text method;
        Text url;
        Text current_url;
        std::string request_line;
    };
    const Case cases[] = {
        {"", authority + "/x", "http://" + authority + "/x", "GET /x HTTP/1.1"},
        {"get", "HTTP://" + authority + "/A?b=C#f", "HTTP://" + authority + "/A?b=C#f",
         "GET /A?b=C HTTP/1.1"},
        {"delete", "http://" + authority + "?q=1", "http://" + authority + "?q=1",
         "DELETE / HTTP/1.1"},
    };
    for (const Case& c : cases) {
        WinHttpClient client;
        ASSERT_TRUE(client.open(c.method, c.url)) << c.url;
        EXPECT_EQ(client.current_url(), c.current_url);
        EXPECT_TRUE(client.send());
        EXPECT_EQ(client.status_code(), 200);
        EXPECT_EQ(client.status_text(), "OK");
        EXPECT_EQ(server.requests().back().rfind(c.request_line + "\r\n", 0), 0u) << c.url;
    }
    WinHttpClient client;
    EXPECT_TRUE(client.open("GET", "http://"));
    EXPECT_EQ(client.current_url(), "http://http://");
    EXPECT_FALSE(client.open("GET", "http://127.0.0.1:99999/"));
    EXPECT_EQ(client.current_url(), "http://127.0.0.1:99999/");
}

TEST(WinHttpClient, DefaultHeadersAndCallerHeaders) {
    ScriptedServer server([](const std::string&) { return http_answer("ok"); });
    WinHttpClient client;
    ASSERT_TRUE(client.open("post", server.url("/form")));
    EXPECT_TRUE(client.set_user_agent(Text("Probe/1.0")));
    EXPECT_TRUE(client.set_accept(Text("text/plain")));
    EXPECT_TRUE(client.set_forwarded_for("10.0.0.1"));
    EXPECT_TRUE(client.set_request_header("X-Gone", "1"));
    EXPECT_TRUE(client.remove_request_header("X-Gone"));
    EXPECT_TRUE(client.send());
    std::string request = server.requests().back();
    EXPECT_EQ(request.rfind("POST /form HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(request.find("\r\nUser-Agent: Probe/1.0\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("\r\nAccept: text/plain\r\n"), std::string::npos);
    EXPECT_NE(
        request.find("\r\nX-Forwarded-For: 10.0.0.1\r\nCLIENT_IP: 10.0.0.1\r\nVIA: 10.0.0.1\r\n"
                     "REMOTE_ADDR: 10.0.0.1\r\n"),
        std::string::npos);
    EXPECT_NE(request.find("\r\nAccept-Language: zh-cn\r\nCache-Control: no-cache\r\n"
                           "Content-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos);
    EXPECT_NE(request.find("\r\nContent-Length: 0\r\n"), std::string::npos);
    EXPECT_EQ(request.find("X-Gone"), std::string::npos);

    // A plain GET: the session's agent and the three default headers in order.
    ASSERT_TRUE(client.open("GET", server.url("/")));
    EXPECT_TRUE(client.set_referer());
    EXPECT_TRUE(client.send());
    request = server.requests().back();
    EXPECT_NE(
        request.find("\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)\r\n"),
        std::string::npos);
    EXPECT_NE(
        request.find("\r\nReferer: " + server.url("/") +
                     "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nCache-Control: no-cache\r\n"),
        std::string::npos)
        << request;
    EXPECT_EQ(request.find("Content-Type"), std::string::npos);
}

TEST(WinHttpClient, LineBreaksInsideHeaderNamesOrValuesAreRefused) {
    ScriptedServer server([](const std::string&) { return http_answer("ok"); });
    const std::pair<Text, Text> cases[] = {
        {"X-Note", "a\nInjected: 1"},
        {"X-Note", "a\rInjected: 1"},
        {"X-Note\nInjected", "1"},
        {"User-Agent", "Probe\nInjected: 1"},
    };
    for (const auto& [name, value] : cases) {
        WinHttpClient client;
        ASSERT_TRUE(client.open("GET", server.url("/")));
        EXPECT_FALSE(client.set_request_header(name, value)) << name << value;
        EXPECT_TRUE(client.send());
        EXPECT_EQ(server.requests().back().find("Injected"), std::string::npos)
            << server.requests().back();
    }
    // Such URLs and verbs are refused before anything is sent.
    std::size_t before = server.requests().size();
    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", server.url("/a\nInjected: 1")));
    EXPECT_FALSE(client.send());
    ASSERT_TRUE(client.open("GET", server.url("/a\rInjected: 1")));
    EXPECT_FALSE(client.send());
    ASSERT_TRUE(client.open("GET / HTTP/1.1\r\nInjected: 1\r\nX-Rest:", server.url("/")));
    EXPECT_FALSE(client.send());
    EXPECT_EQ(server.requests().size(), before);
}

TEST(WinHttpClient, RetriesOnlyWhenTheConnectionFails) {
    struct Case {
        Text url;
        int retries;
        std::uint64_t attempts;
    };
    const Text refused = "http://127.0.0.1:" + std::to_string(closed_port()) + "/";
    // A 64-byte label cannot be resolved, and no query leaves the machine for it.
    const Text unresolvable = "http://" + std::string(64, 'a') + ".invalid/";
    const Case cases[] = {{refused, 2, 3}, {refused, 0, 1}, {unresolvable, 2, 1}};
    for (const Case& c : cases) {
        WinHttpClient client;
        ASSERT_TRUE(client.open("GET", c.url));
        std::uint64_t before = http_transfers_started();
        EXPECT_FALSE(client.send(std::nullopt, false, c.retries)) << c.url;
        EXPECT_EQ(http_transfers_started() - before, c.attempts) << c.url;
        EXPECT_TRUE(client.response_body().empty());
        EXPECT_EQ(client.status_code(), 0);
    }
    // A server that closes without answering is retried as well.
    ScriptedServer closing([](const std::string&) { return std::string(); });
    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", closing.url("/")));
    EXPECT_FALSE(client.send(std::nullopt, false, 2));
    EXPECT_EQ(closing.accepted_connections(), 3);
}

TEST(WinHttpClient, BodyLengthsAndSingleRead) {
    const std::string big(50000, 'b');
    ScriptedServer server([&](const std::string& request) {
        if (request.rfind("GET /empty ", 0) == 0) {
            return http_answer("");
        }
        if (request.rfind("GET /undeclared ", 0) == 0) {
            return "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big;
        }
        return http_answer("\xE4\xB8\xAD\xE6\x96\x87 1.2.3.4");
    });
    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", server.url("/empty")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.content_length(), 0);
    EXPECT_TRUE(client.response_body().empty());

    ASSERT_TRUE(client.open("GET", server.url("/undeclared")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.content_length(), -1);
    EXPECT_EQ(client.response_body().size(), big.size());
    EXPECT_EQ(client.response_text(), big);  // held by the object, not read again
    client.open_session();                   // a new session drops the buffer the body was held in
    EXPECT_LT(client.response_body().size(), big.size() + 1);

    ASSERT_TRUE(client.open("GET", server.url("/utf8")));
    EXPECT_TRUE(client.response_body().empty());  // the old body is gone after open
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.response_text_utf8(), "中文 1.2.3.4");
    EXPECT_EQ(client.response_text(), "\xE4\xB8\xAD\xE6\x96\x87 1.2.3.4");
}

TEST(WinHttpClient, JarTakesResponseCookies) {
    Text set_cookie;
    ScriptedServer server([&](const std::string&) { return http_answer("ok", set_cookie); });
    WinHttpClient client;
    client.set_cookie_mode();
    struct Step {
        Text headers;
        bool keep_cookies;
        Text jar;
    };
    const Step steps[] = {
        {"Set-Cookie: a=1; path=/\r\n", false, "a=1"},
        {"Set-Cookie: a=deleted; path=/\r\n", true, "a=1"},
        {"Set-Cookie: a=; path=/\r\n", true, "a=1"},
        {"Set-Cookie: b=2; path=/\r\nSet-Cookie: a=3; path=/\r\n", false, "a=3; b=2"},
        {"Set-Cookie: a=deleted; path=/\r\n", false, "b=2"},
        {"set-cookie: c=4\r\nSet-Cookie: d=5\r\n", false, "b=2; c=4; d=5"},
    };
    for (const Step& step : steps) {
        set_cookie = step.headers;
        ASSERT_TRUE(client.open("GET", server.url("/")));
        ASSERT_TRUE(client.send(std::nullopt, step.keep_cookies));
        EXPECT_EQ(client.cookie_jar(), step.jar) << step.headers;
    }
    EXPECT_EQ(client.response_cookies(), "c=4; d=5");
    EXPECT_EQ(client.response_cookie("D"), "5");
    EXPECT_EQ(client.response_header("content-length"), "2");
    EXPECT_EQ(client.response_header("HTTP/1.1 200 OK"), "");

    set_cookie.clear();
    ASSERT_TRUE(client.open("GET", server.url("/")));
    ASSERT_TRUE(client.send());
    EXPECT_NE(server.requests().back().find("\r\nCookie: b=2; c=4; d=5\r\n"), std::string::npos);
}

TEST(WinHttpClient, SystemStoreInCookieModeTwo) {
    system_cookie_store().clear();
    ScriptedServer server([](const std::string&) {
        return http_answer("ok", "Set-Cookie: s=1; path=/\r\nSet-Cookie: gone=deleted\r\n");
    });
    WinHttpClient client;
    client.set_cookie_mode(2);
    ASSERT_TRUE(client.open("GET", server.url("/")));
    EXPECT_TRUE(client.set_cookies("m=2; junk"));
    ASSERT_TRUE(client.send());
    EXPECT_NE(server.requests().back().find("\r\nCookie: m=2\r\n"), std::string::npos);
    ASSERT_TRUE(client.open("GET", server.url("/")));
    ASSERT_TRUE(client.send());
    EXPECT_NE(server.requests().back().find("\r\nCookie: m=2; s=1; gone=\r\n"), std::string::npos)
        << server.requests().back();
    system_cookie_store().clear();
}

TEST(WinHttpClient, FollowsRedirectChainWithJarCookiesUpToTwentyHops) {
    CookieLog log;
    LoopbackServer server;
    server.server().Get(R"(/hop/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
        log.add(req);
        int hop = std::stoi(req.matches[1]);
        res.set_header("Set-Cookie", "c" + std::to_string(hop) + "=1; path=/");
        res.set_redirect("/hop/" + std::to_string(hop + 1));
    });
    ASSERT_TRUE(server.start());
    WinHttpClient client;
    client.set_cookie_mode();
    ASSERT_TRUE(client.open("GET", server.url("/hop/0")));
    EXPECT_TRUE(client.send());
    std::vector<std::string> cookies = log.all();
    ASSERT_EQ(cookies.size(), 21u);  // the first request and 20 hops
    EXPECT_EQ(cookies[0], "");
    EXPECT_EQ(cookies[1], "c0=1");
    EXPECT_EQ(cookies[20].rfind("c0=1; c1=1; c2=1", 0), 0u);
    EXPECT_NE(cookies[20].find("c19=1"), std::string::npos);
    EXPECT_EQ(client.redirect_count(), 0);
    EXPECT_EQ(client.status_code(), 302);
    EXPECT_EQ(client.redirect_location(), "/hop/21");
}

TEST(WinHttpClient, ModeZeroLeavesRedirectsToTheTransport) {
    LoopbackServer server;
    server.server().Get("/from", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=9");
        res.set_redirect("/to");
    });
    server.server().Get("/to", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("arrived with " + req.get_header_value("Cookie"), "text/plain");
    });
    server.server().Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/loop");
    });
    ASSERT_TRUE(server.start());
    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", server.url("/from")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.response_text(), "arrived with session=9");
    EXPECT_EQ(client.redirect_count(), 0);

    ASSERT_TRUE(client.open("GET", server.url("/loop")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.status_code(), 302);

    client.set_follow_redirects(false);
    ASSERT_TRUE(client.open("GET", server.url("/from")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.status_code(), 302);
}

TEST(WinHttpClient, RedirectLocationCompletion) {
    Text location;
    ScriptedServer server([&](const std::string&) {
        return http_answer("", "Location:  " + location + " \r\n", "302 Found");
    });
    const Text origin = "http://127.0.0.1:" + std::to_string(server.port());
    struct Case {
        Text path;
        Text location;
        Text absolute;
    };
    const Case cases[] = {
        {"/dir/page1", "/abs?x=1", origin + "/abs?x=1"},
        {"/dir/page1", "page2", origin + "/dir/page2"},
        {"/dir/page1", "HTTPS://Other/y", "HTTPS://Other/y"},
        {"/dir/", "", ""},
    };
    for (const Case& c : cases) {
        location = c.location;
        WinHttpClient client;
        client.set_follow_redirects(false);
        ASSERT_TRUE(client.open("GET", origin + c.path));
        ASSERT_TRUE(client.send());
        EXPECT_EQ(client.redirect_location(), c.location);
        EXPECT_EQ(client.redirect_location(true), c.absolute) << c.location;
    }

    // An IPv6 host keeps its brackets; the response comes from the loopback server through
    // a request handed to a client opened for that host.
    location = "/next";
    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", "http://[::1]:8080/dir/page1"));
    auto connection =
        std::make_shared<HttpConnection>(client.session_handle(), "127.0.0.1", server.port());
    auto request = std::make_shared<HttpRequest>(connection, "GET", "/", false);
    ASSERT_TRUE(request->send(Bytes()));
    client.request_handle(request);
    ASSERT_TRUE(client.read_response_headers(false));
    EXPECT_EQ(client.redirect_location(true), "http://[::1]:8080/next");
}

TEST(WinHttpClient, CertificateErrorsToleratedOnTheFirstRequestOnly) {
    const TestCertificates& certificates = test_certificates();
    ASSERT_TRUE(certificates.ok);
    const char* saved = std::getenv("SSL_CERT_FILE");
    std::string saved_value = saved != nullptr ? saved : "";
    unsetenv("SSL_CERT_FILE");

    LoopbackServer secure(certificates);
    secure.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("secure", "text/plain");
    });
    ASSERT_TRUE(secure.start());
    LoopbackServer plain;
    plain.server().Get("/go", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(secure.url("/"));
    });
    ASSERT_TRUE(plain.start());

    WinHttpClient client;
    ASSERT_TRUE(client.open("GET", secure.url("/")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.response_text(), "secure");
    ASSERT_TRUE(client.open("GET", secure.url("/")));
    EXPECT_FALSE(client.send());

    client.restart();
    ASSERT_TRUE(client.open("GET", secure.url("/")));
    EXPECT_TRUE(client.send());

    // The hop of a redirect chain is a later request: its bad certificate fails it.
    WinHttpClient follower;
    follower.set_cookie_mode();
    ASSERT_TRUE(follower.open("GET", plain.url("/go")));
    EXPECT_TRUE(follower.send());
    EXPECT_EQ(follower.status_code(), 0);
    EXPECT_TRUE(follower.response_body().empty());

    if (saved != nullptr) {
        setenv("SSL_CERT_FILE", saved_value.c_str(), 1);
    }
}

TEST(WinHttpClient, ConnectionReusedForTheSameHostAndPort) {
    LoopbackServer server;
    server.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(1024, 'x'), "text/plain");
    });
    ASSERT_TRUE(server.start());
    LoopbackServer other;
    other.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("other", "text/plain");
    });
    ASSERT_TRUE(other.start());
    WinHttpClient client;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(client.open("GET", server.url("/")));
        ASSERT_TRUE(client.send());
        EXPECT_EQ(client.response_body().size(), 1024u);
    }
    EXPECT_EQ(server.accepted_connections(), 1);
    ASSERT_TRUE(client.open("GET", other.url("/")));
    ASSERT_TRUE(client.send());
    ASSERT_TRUE(client.open("GET", server.url("/")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(server.accepted_connections(), 2);
    EXPECT_EQ(other.accepted_connections(), 1);

    WinHttpClient copy(client);  // its own session: no shared connection
    ASSERT_TRUE(copy.open("GET", server.url("/")));
    ASSERT_TRUE(copy.send());
    EXPECT_EQ(server.accepted_connections(), 3);
}

TEST(WinHttpClient, ProxyWithCredentialsWaitingForTheNextSend) {
    ScriptedServer proxy([](const std::string&) { return http_answer("via proxy"); });
    const Text proxy_address = "127.0.0.1:" + std::to_string(proxy.port());
    WinHttpClient client;
    EXPECT_TRUE(client.set_proxy(proxy_address, "user", "pass"));
    ASSERT_TRUE(client.open("GET", "http://far.invalid/page"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(client.response_text(), "via proxy");
    std::string request = proxy.requests().back();
    EXPECT_EQ(request.rfind("GET http://far.invalid/page HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nProxy-Authorization: Basic dXNlcjpwYXNz\r\n"), std::string::npos);

    // The credentials were spent; an empty server switches back to direct access.
    ASSERT_TRUE(client.open("GET", "http://far.invalid/again"));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(proxy.requests().back().find("Proxy-Authorization"), std::string::npos);
    EXPECT_TRUE(client.set_proxy("", "", ""));
    ASSERT_TRUE(client.open("GET", proxy.url("/direct")));
    ASSERT_TRUE(client.send());
    EXPECT_EQ(proxy.requests().back().rfind("GET /direct HTTP/1.1\r\n", 0), 0u);
}
