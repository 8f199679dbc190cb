// The public IP probe against pages served on loopback: what it takes out of a
// body, the two sentinels, redirects with cookies, untrusted HTTPS and a silent line.
#include "app/ip_probe.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/settings.h"
#include "support/child_process.h"
#include "support/loopback_server.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace {

class IpProbe : public ::testing::Test {
  protected:
    void SetUp() override { settings() = Settings(); }
    void TearDown() override {
        settings() = Settings();
        set_probe_timeouts_for_testing();
    }
};

TEST_F(IpProbe, TakesTheFirstDottedQuadOfTheBody) {
    struct Case {
        std::string body;
        int status;
        Text expected;
    };
    const Case cases[] = {
        {"IP: 203.0.113.7", 200, "203.0.113.7"},
        {"1234.5.6.7 or 203.0.113.8", 200, "203.0.113.8"},  // no "234.5.6.7"
        {"1.2.3.4.5", 200, kLineFailed},
        {"999.999.999.999", 200, kLineFailed},
        {"nginx 1.18.0.2 says you are 203.0.113.7", 200, "1.18.0.2"},  // looks like one
        {"<p>\xE4\xBD\xA0\xE7\x9A\x84IP\xEF\xBC\x9A"
         "198.51.100.23</p>",
         200, "198.51.100.23"},
        {"<h1>Not Found</h1>", 404, kLineFailed},
        {"error from 10.0.0.1", 502, kLineFailed},  // a gateway's page, not the line's
        {"IP: 203.0.113.7", 203, "203.0.113.7"},
        {"", 200, kLineFailed},
    };
    LoopbackServer server;
    const Case* current = nullptr;
    server.server().Get("/ip", [&](const httplib::Request&, httplib::Response& res) {
        res.status = current->status;
        res.set_content(current->body, "text/html; charset=utf-8");
    });
    ASSERT_TRUE(server.start());
    for (const Case& c : cases) {
        current = &c;
        EXPECT_EQ(probe_ip_line(server.url("/ip")), c.expected) << c.body;
    }
}

TEST_F(IpProbe, NoUrlSendsNothing) {
    LoopbackServer server;
    server.server().Get("/ip", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("203.0.113.7", "text/plain");
    });
    ASSERT_TRUE(server.start());
    EXPECT_EQ(probe_ip_line(""), kLineEmpty);

    Settings& s = settings();
    for (int line = 1; line <= 6; ++line) {
        s.line_urls[static_cast<std::size_t>(line)] = server.url("/ip");
    }
    for (int line : {0, 7, -1}) {
        s.current_line = line;
        EXPECT_EQ(probe_public_ip(), kLineEmpty) << line;
    }
    s.current_line = 4;
    s.line_urls[4] = "";
    EXPECT_EQ(probe_public_ip(), kLineEmpty);
    EXPECT_EQ(server.accepted_connections(), 0);

    s.current_line = 6;
    EXPECT_EQ(probe_public_ip(), "203.0.113.7");
}

// The probe's own user agent goes with the first request; a hop is a new request.
TEST_F(IpProbe, FollowsARedirectCarryingItsCookie) {
    LoopbackServer server;
    std::string user_agent;
    server.server().Get("/start", [&](const httplib::Request& req, httplib::Response& res) {
        user_agent = req.get_header_value("User-Agent");
        res.set_header("Set-Cookie", "visit=abc; Path=/");
        res.set_redirect("/ip", 302);
    });
    server.server().Get("/ip", [&](const httplib::Request& req, httplib::Response& res) {
        bool has_cookie = req.get_header_value("Cookie").find("visit=abc") != std::string::npos;
        res.set_content(has_cookie ? "ip=203.0.113.9" : "no cookie", "text/plain");
    });
    ASSERT_TRUE(server.start());
    EXPECT_EQ(probe_ip_line(server.url("/start")), "203.0.113.9");
    EXPECT_EQ(user_agent.find("Mozilla/5.0 (iPhone; CPU iPhone OS 12_1_4"), 0u) << user_agent;
    EXPECT_NE(user_agent.find("MicroMessenger/7.0.3(0x17000321) NetType/WIFI Language/zh_CN"),
              std::string::npos);
}

TEST_F(IpProbe, AcceptsASelfSignedCertificate) {
    // The authority's own certificate serves: self-signed, and not naming 127.0.0.1.
    const TestCertificates& made = test_certificates();
    ASSERT_TRUE(made.ok);
    TestCertificates self_signed = made;
    self_signed.server_cert_file = made.ca_file;
    self_signed.server_key_file = made.directory + "/ca.key";
    LoopbackServer server(self_signed);
    server.server().Get("/ip", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("203.0.113.44", "text/plain");
    });
    ASSERT_TRUE(server.start());
    EXPECT_EQ(probe_ip_line(server.url("/ip")), "203.0.113.44");
}

TEST_F(IpProbe, ASilentLineFails) {
    // A listening socket that is never accepted: the connection opens, no answer comes.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const Text url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/ip";

    set_probe_timeouts_for_testing({1000, 1000, 1000, 300});
    EXPECT_EQ(probe_ip_line(url), kLineFailed);
    close(listener);
    // Nobody listens any more: refused at once.
    EXPECT_EQ(probe_ip_line(url), kLineFailed);
}

TEST_F(IpProbe, ABodyCutShortIsNoAddress) {
    using End = ScriptedAnswer::End;
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 14\r\n\r\n";
    struct Case {
        const char* what;
        ScriptedAnswer answer;
        Text expected;
    };
    const Case cases[] = {
        {"whole", {head + "198.51.100.234"}, "198.51.100.234"},
        {"ended by a close, no length given",
         {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n198.51.100.234"},
         "198.51.100.234"},
        {"closed before its length", {head + "198.51.100.2"}, kLineFailed},
        {"reset mid-body", {head + "198.51.100.2", 0, 0, End::reset}, kLineFailed},
        {"chunked body cut",
         {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nc\r\n198.51.100.2\r\n"},
         kLineFailed},
        {"longer than an address page",
         {http_answer("IP: 198.51.100.234 " + std::string(2 * 1024 * 1024, 'x'))},
         kLineFailed},
        {"dripping past the time-out",
         {head + "198.51.100.234", 250, head.size() + 10},
         kLineFailed},
    };
    set_probe_timeouts_for_testing({1000, 1000, 1000, 600});
    for (const Case& c : cases) {
        ScriptedServer server([&](const std::string&) { return c.answer; });
        EXPECT_EQ(probe_ip_line(server.url("/ip")), c.expected) << c.what;
    }
}

TEST_F(IpProbe, ASlowRedirectChainEndsAtTheProbesDeadline) {
    ScriptedServer chain([](const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return http_answer("", "Location: /next\r\n", "302 Found");
    });
    ProbeTimeouts timeouts;
    timeouts.deadline_ms = 400;
    set_probe_timeouts_for_testing(timeouts);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(probe_ip_line(chain.url("/")), kLineFailed);
    const auto took = std::chrono::steady_clock::now() - started;
    // Twenty hops of 150 ms would take 3 s.
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    EXPECT_GE(chain.accepted_connections(), 2);
    EXPECT_LT(chain.accepted_connections(), 15);
}

// A dual-stack line: its name resolves to ::1 first and 127.0.0.1 second, and it
// answers with the caller's address. The test runs itself again in a private mount
// namespace whose /etc/hosts says so.
TEST_F(IpProbe, ADualStackLineIsAskedOverIpv4) {
    constexpr int kCannotIsolate = 77;
    if (std::getenv("DDNS_DUAL_STACK_CHILD") == nullptr) {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs root for a private mount namespace";
        }
        TempDir dir;
        const std::string hosts = dir.file("hosts");
        write_file_bytes(hosts, "::1 dual.test\n127.0.0.1 dual.test\n127.0.0.1 localhost\n");
        setenv("DDNS_DUAL_STACK_CHILD", "1", 1);
        ChildProcess child("/usr/bin/unshare",
                           {"--mount", "sh", "-c",
                            "mount --bind \"$0\" /etc/hosts || exit 77; exec \"$1\" "
                            "--gtest_filter=IpProbe.ADualStackLineIsAskedOverIpv4",
                            hosts, "/proc/" + std::to_string(getpid()) + "/exe"});
        unsetenv("DDNS_DUAL_STACK_CHILD");
        ASSERT_TRUE(child.started());
        const int code = child.wait_exit(60);
        if (code == kCannotIsolate ||
            (code == 1 && child.err.find("unshare") != std::string::npos)) {
            GTEST_SKIP() << "no private mount namespace here: " << child.err;
        }
        EXPECT_EQ(code, 0) << child.out << child.err;
        return;
    }
    auto answer_caller = [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("your address: " + req.remote_addr, "text/plain");
    };
    httplib::Server v4;
    httplib::Server v6;
    v4.Get("/ip", answer_caller);
    v6.Get("/ip", answer_caller);
    const int port = v4.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    ASSERT_TRUE(v6.bind_to_port("::1", port)) << "no IPv6 loopback";
    std::thread t4([&] { v4.listen_after_bind(); });
    std::thread t6([&] { v6.listen_after_bind(); });
    while (!v4.is_running() || !v6.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::string base = ":" + std::to_string(port) + "/ip";
    EXPECT_EQ(probe_ip_line("http://dual.test" + base), "127.0.0.1");
    // A line with no IPv4 address at all.
    EXPECT_EQ(probe_ip_line("http://[::1]" + base), kLineFailed);
    v4.stop();
    v6.stop();
    t4.join();
    t6.join();
}

}  // namespace
