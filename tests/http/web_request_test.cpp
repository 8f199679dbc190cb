// The one-shot web request against loopback servers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "http/web_request.h"
#include "platform/cookie_store.h"
#include "support/loopback_server.h"
#include "support/scripted_server.h"

namespace {

Text head_of(const std::string& request) {
    return request.substr(0, request.find("\r\n\r\n") + 2);
}
Text body_of(const std::string& request) {
    return request.substr(request.find("\r\n\r\n") + 4);
}
Text as_text(const Bytes& bytes) {
    return Text(bytes.begin(), bytes.end());
}

// Restores SSL_CERT_FILE when a test leaves.
class CertFileScope {
  public:
    CertFileScope() {
        const char* value = std::getenv("SSL_CERT_FILE");
        had_value_ = value != nullptr;
        old_ = had_value_ ? value : "";
    }
    ~CertFileScope() {
        if (had_value_) {
            setenv("SSL_CERT_FILE", old_.c_str(), 1);
        } else {
            unsetenv("SSL_CERT_FILE");
        }
    }

  private:
    bool had_value_ = false;
    std::string old_;
};

class WebRequest : public ::testing::Test {
  protected:
    void SetUp() override { system_cookie_store().clear(); }
    void TearDown() override { system_cookie_store().clear(); }
};

}  // namespace

TEST_F(WebRequest, VerbsAndClamping) {
    ScriptedServer server([](const std::string&) { return http_answer("ok"); });
    const std::pair<int, const char*> cases[] = {
        {-1, "GET"},    {0, "GET"},    {1, "POST"},  {2, "HEAD"},    {3, "PUT"},
        {4, "OPTIONS"}, {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"}, {8, "GET"}};
    for (const auto& [method, verb] : cases) {
        web_request(server.url("/a"), method);
        EXPECT_EQ(server.requests().back().rfind(std::string(verb) + " /a HTTP/1.1\r\n", 0), 0u)
            << method;
    }
}

TEST_F(WebRequest, UrlSchemeHostPortAndPath) {
    ScriptedServer server([](const std::string&) { return http_answer("ok"); });
    const std::string authority = "127.0.0.1:" + std::to_string(server.port());
    const std::pair<Text, const char*> cases[] = {
        {authority + "/a", "GET /a HTTP/1.1"},
        {"HTTP://" + authority, "GET / HTTP/1.1"},
        {"http://" + authority + "/Dir/P?Q=A&b=%41", "GET /Dir/P?Q=A&b=%41 HTTP/1.1"},
        {"http://user:pw@" + authority + "/p?q=1", "GET /p?q=1 HTTP/1.1"},
        {"http://" + authority + "/p?next=http://x/y", "GET /p?next=http://x/y HTTP/1.1"},
    };
    for (const auto& [url, request_line] : cases) {
        EXPECT_EQ(as_text(web_request(url)), "ok") << url;
        EXPECT_EQ(server.requests().back().rfind(request_line, 0), 0u) << url;
        EXPECT_NE(server.requests().back().find("\r\nHost: " + authority + "\r\n"),
                  std::string::npos);
    }
}

TEST_F(WebRequest, DefaultHeadersInOrderAndBody) {
    ScriptedServer server([](const std::string&) { return http_answer("done"); });
    const Text url = server.url("/");
    Bytes body_bytes;
    EXPECT_EQ(as_text(web_request(url, kWebPost, "a=1&b=2", nullptr, nullptr, "", nullptr, false,
                                  &body_bytes)),
              "done");
    EXPECT_EQ(as_text(body_bytes), "a=1&b=2");
    std::string request = server.requests().back();
    EXPECT_NE(head_of(request).find("\r\nAccept: */*\r\nReferer: " + url +
                                    "\r\nAccept-Language: zh-cn\r\n"
                                    "Content-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos)
        << request;
    EXPECT_NE(
        request.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"),
        std::string::npos);
    EXPECT_EQ(body_of(request), "a=1&b=2");

    // GET never sends a body and leaves body_bytes alone.
    Bytes untouched;
    web_request(url, kWebGet, "ignored", nullptr, nullptr, "", nullptr, false, &untouched);
    EXPECT_TRUE(untouched.empty());
    EXPECT_EQ(body_of(server.requests().back()), "");
    EXPECT_EQ(server.requests().back().find("Content-Length"), std::string::npos);

    // An empty POST still announces a zero-length form body.
    web_request(url, kWebPost);
    request = server.requests().back();
    EXPECT_NE(request.find("\r\nContent-Length: 0\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos);

    // Without default headers and cookies nothing of ours is added.
    web_request(url, kWebGet, "", nullptr, nullptr, "", nullptr, false, nullptr, "", true, false);
    request = server.requests().back();
    EXPECT_EQ(request.find("Accept"), std::string::npos);
    EXPECT_EQ(request.find("Referer"), std::string::npos);
}

TEST_F(WebRequest, UserAgentAndNormalisedExtraHeaders) {
    ScriptedServer server([](const std::string&) { return http_answer("ok"); });
    web_request(server.url("/"), kWebGet, "", nullptr, nullptr,
                "user-agent:  Probe/2.0 \r\nx-custom-thing: 1\r\naccept: text/plain");
    std::string request = server.requests().back();
    EXPECT_NE(request.find("\r\nUser-Agent: Probe/2.0\r\n"), std::string::npos) << request;
    EXPECT_EQ(request.find("Mozilla"), std::string::npos);
    EXPECT_NE(request.find("\r\nX-Custom-Thing: 1\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\nAccept: text/plain\r\n"), std::string::npos);
    EXPECT_EQ(request.find("*/*"), std::string::npos);
}

TEST_F(WebRequest, ReceivedCookiesAndMerging) {
    ScriptedServer server([](const std::string&) {
        return http_answer("ok",
                           "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
                           "Set-Cookie: c=deleted; path=/\r\n");
    });
    Text received;
    Text headers;
    web_request(server.url("/"), kWebGet, "", nullptr, &received, "", &headers);
    EXPECT_EQ(received, "a=1; b=2; c=deleted");
    EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");

    Text jar = "b=9; c=3; d=4";
    web_request(server.url("/"), kWebGet, "", &jar, &received);
    EXPECT_NE(server.requests().back().find("\r\nCookie: b=9; c=3; d=4\r\n"), std::string::npos);
    EXPECT_EQ(received, "a=1; b=2; d=4");
    EXPECT_EQ(jar, received);

    Text no_merge = "z=1";
    web_request(server.url("/"), kWebGet, "", &no_merge, &received, "", nullptr, false, nullptr, "",
                false);
    EXPECT_EQ(no_merge, "z=1");
    EXPECT_EQ(received, "a=1; b=2; c=deleted");
}

TEST_F(WebRequest, LineBreaksCannotAddHeaderLines) {
    ScriptedServer server([](const std::string&) { return http_answer("ok"); });
    const Text cases[] = {
        "X-Note: a\nInjected: 1",
        "X-Note: a\rInjected: 1",
        "User-Agent: Probe\nInjected: 1",
        "User-Agent: Probe\rInjected: 1",
    };
    for (const Text& extra : cases) {
        EXPECT_EQ(as_text(web_request(server.url("/"), kWebGet, "", nullptr, nullptr, extra)),
                  "ok");
        EXPECT_EQ(server.requests().back().find("Injected"), std::string::npos)
            << server.requests().back();
    }
    Text cookies = "a=1\nInjected: 1";
    web_request(server.url("/"), kWebGet, "", &cookies);
    EXPECT_EQ(server.requests().back().find("Injected"), std::string::npos);
    std::size_t before = server.requests().size();
    EXPECT_TRUE(web_request(server.url("/a\nInjected: 1")).empty());
    EXPECT_EQ(server.requests().size(), before) << server.requests().back();
}

TEST_F(WebRequest, CookieStoreUnlessCookiesAreSupplied) {
    ScriptedServer server(
        [](const std::string&) { return http_answer("ok", "Set-Cookie: s=7\r\n"); });
    web_request(server.url("/"));
    web_request(server.url("/"));
    EXPECT_NE(server.requests().back().find("\r\nCookie: s=7\r\n"), std::string::npos);

    // Supplied but empty: no Cookie header at all, and merging still runs.
    Text empty;
    Text received;
    web_request(server.url("/"), kWebGet, "", &empty, &received);
    EXPECT_EQ(server.requests().back().find("Cookie:"), std::string::npos);
    EXPECT_EQ(empty, "s=7");
    EXPECT_EQ(received, "s=7");
}

TEST_F(WebRequest, RedirectsFollowedUnlessSwitchedOff) {
    LoopbackServer server;
    server.server().Get("/from", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/to");
        res.set_content("moved", "text/plain");
    });
    server.server().Get("/to", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("arrived", "text/plain");
    });
    server.server().Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/loop");
    });
    ASSERT_TRUE(server.start());
    Text headers;
    EXPECT_EQ(
        as_text(web_request(server.url("/from"), kWebGet, "", nullptr, nullptr, "", &headers)),
        "arrived");
    EXPECT_EQ(headers.rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_EQ(as_text(web_request(server.url("/from"), kWebGet, "", nullptr, nullptr, "", &headers,
                                  true)),
              "moved");
    EXPECT_EQ(headers.rfind("HTTP/1.1 302", 0), 0u);
    web_request(server.url("/loop"), kWebGet, "", nullptr, nullptr, "", &headers);
    EXPECT_EQ(headers.rfind("HTTP/1.1 302", 0), 0u);
}

TEST_F(WebRequest, SuppliedCookiesStayWithTheirHost) {
    ScriptedServer other([](const std::string&) { return http_answer("elsewhere"); });
    ScriptedServer origin([&](const std::string& request) {
        return request.rfind("GET /same ", 0) == 0
                   ? http_answer("", "Location: /landed\r\n", "302 Found")
                   : http_answer("", "Location: " + other.url("/landed") + "\r\n", "302 Found");
    });
    Text jar = "sid=secret";
    EXPECT_EQ(as_text(web_request(origin.url("/away"), kWebGet, "", &jar)), "elsewhere");
    EXPECT_EQ(other.requests().back().find("sid=secret"), std::string::npos)
        << other.requests().back();
    web_request(origin.url("/same"), kWebGet, "", &jar);
    EXPECT_NE(origin.requests().back().find("\r\nCookie: sid=secret\r\n"), std::string::npos);
}

TEST_F(WebRequest, VerifiesServerCertificateAgainstTrustedAuthorities) {
    const TestCertificates& certificates = test_certificates();
    ASSERT_TRUE(certificates.ok);
    LoopbackServer server(certificates);
    server.server().Post("/", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("secret:" + req.body, "text/plain");
    });
    ASSERT_TRUE(server.start());
    CertFileScope restore;

    unsetenv("SSL_CERT_FILE");
    EXPECT_TRUE(web_request(server.url("/"), kWebPost, "k=v").empty());

    setenv("SSL_CERT_FILE", certificates.ca_file.c_str(), 1);
    EXPECT_EQ(as_text(web_request(server.url("/"), kWebPost, "k=v")), "secret:k=v");
}

TEST_F(WebRequest, RefusedAndOversizedHeaders) {
    ScriptedServer server([](const std::string&) {
        return http_answer("ok", "X-Filler: " + std::string(6000, 'x') + "\r\nSet-Cookie: a=1\r\n");
    });
    Text headers = "before";
    Text received = "before";
    EXPECT_EQ(as_text(web_request(server.url("/"), kWebGet, "", nullptr, &received, "", &headers)),
              "ok");
    EXPECT_EQ(headers, "");
    EXPECT_EQ(received, "");

    int closed_port = 0;
    {
        ScriptedServer gone([](const std::string&) { return std::string(); });
        closed_port = gone.port();
    }
    EXPECT_TRUE(web_request("http://127.0.0.1:" + std::to_string(closed_port) + "/").empty());
}

TEST_F(WebRequest, NamedProxyGetsTheWholeUrl) {
    ScriptedServer proxy([](const std::string&) { return http_answer("via proxy"); });
    const Text proxy_address = "127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(as_text(web_request("http://far.invalid:8080/x?y=1", kWebGet, "", nullptr, nullptr,
                                  "", nullptr, false, nullptr, proxy_address)),
              "via proxy");
    EXPECT_EQ(proxy.requests().back().rfind("GET http://far.invalid:8080/x?y=1 HTTP/1.1\r\n", 0),
              0u)
        << proxy.requests().back();
}
