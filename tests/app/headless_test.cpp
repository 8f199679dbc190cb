// The headless mode as a service manager sees it: the built program run as a child
// process against the fake DNS endpoint and an IP page on loopback, its standard
// output and error in UTF-8, and its exit codes.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/codepage.h"
#include "support/child_process.h"
#include "support/elf_needed.h"
#include "support/fake_dns_api.h"
#include "support/loopback_server.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace {

// Generous bounds for a sanitized build on a busy machine; nothing here measures speed.
constexpr double kPatience = 30.0;

// Both programs run without a window: the window program with --headless, the daemon.
std::string program_path(const std::string& program) {
    const char* dir = getenv("DDNS_TEST_BINARY_DIR");
    return dir == nullptr ? std::string() : std::string(dir) + "/" + program;
}

// Lines of `out` without their time stamps (everything up to the first full-width colon).
std::vector<std::string> logged_texts(const std::string& out) {
    const std::string colon = "\xEF\xBC\x9A";
    std::vector<std::string> texts;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        std::string line = out.substr(start, end == std::string::npos ? end : end - start);
        std::size_t c = line.find(colon);
        texts.push_back(c == std::string::npos ? line : line.substr(c + colon.size()));
        start = end == std::string::npos ? out.size() : end + 1;
    }
    return texts;
}

std::string replace_in(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string utf8(const Text& gbk) {
    return gbk_to_utf8_text(gbk);
}

class Headless : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        if (program_path().empty()) {
            GTEST_SKIP() << "DDNS_TEST_BINARY_DIR is not set (ctest sets it)";
        }
        ASSERT_EQ(access(program_path().c_str(), X_OK), 0) << program_path();
        ASSERT_TRUE(fake_.is_running());
        fake_.set_access_key("key-id", "secret-abcd1234");
        record_id_ = fake_.add_record("example.com", "www", "192.0.2.1");
        setenv("DDNS_API_URL", fake_.url().c_str(), 1);
        page_.server().Get("/ip", [this](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(page_delay_ms_.load()));
            if (page_broken_) {
                res.status = 404;
                res.set_content("<h1>Not Found</h1>", "text/html");
            } else {
                res.set_content("IP: 203.0.113.7", "text/plain");
            }
        });
        ASSERT_TRUE(page_.start());
    }
    void TearDown() override { unsetenv("DDNS_API_URL"); }

    std::string program() const { return GetParam(); }
    std::string program_path() const { return ::program_path(program()); }
    // The arguments that run `program` without a window, then `more`.
    std::vector<std::string> args(std::vector<std::string> more) const {
        if (program() == "ddns") {
            more.insert(more.begin(), "--headless");
        }
        return more;
    }

    std::string write_config(const Text& key_id = "key-id") {
        const std::string path = dir_.file("ddns.ini");
        write_file_bytes(path, "[当前IP线路]\r\n线路=1\r\n[IP线路]\r\n线路1=" + page_.url("/ip") +
                                   "\r\n[aliyun]\r\naccessKeyId=" + key_id +
                                   "\r\naccessSecret=secret-abcd1234\r\n当前解析IP=192.0.2.1"
                                   "\r\n当前解析域名=example.com\r\n当前解析ID=" +
                                   record_id_ + "\r\n当前主机记录=www\r\n");
        return path;
    }

    TempDir dir_;
    FakeDnsApi fake_;
    LoopbackServer page_;
    std::atomic<bool> page_broken_{false};
    std::atomic<int> page_delay_ms_{0};
    std::string record_id_;
};

TEST_P(Headless, LogsToStandardOutputAndStopsOnSigterm) {
    const std::string config = write_config();
    ChildProcess child(program_path(), args({"--config", config}));
    ASSERT_TRUE(child.started());
    const std::string done = utf8("IP解析完毕，等待60s后再次检测...");
    ASSERT_TRUE(child.wait_for_output(done, kPatience)) << child.out << child.err;
    kill(child.pid(), SIGTERM);
    EXPECT_EQ(child.wait_exit(kPatience), 0) << child.err;

    std::vector<std::string> expected;
    for (const Text& line :
         {Text("********** 欢迎使用岚桥 **********"), Text("配置文件已存在，开始读取配置文件..."),
          Text("配置文件初始化完毕。"), Text("当前IP线路：线路1"), Text("accessKeyId：key-id"),
          Text("accessSecret：***********1234"), Text("当前解析域名：example.com"),
          Text("当前主机记录：www"), Text("当前解析IP：192.0.2.1"), "当前解析ID：" + record_id_,
          Text("********** 开始解析IP **********"), Text("当前公网IP：203.0.113.7"),
          Text("当前解析IP：192.0.2.1"), Text("当前公网IP和解析IP不相同，开始修改解析..."),
          Text("IP解析完毕，等待60s后再次检测..."), Text("********** 已停止解析IP **********")}) {
        expected.push_back(utf8(line));
    }
    EXPECT_EQ(logged_texts(child.out), expected);
    EXPECT_EQ(child.out.find("secret-abcd"), std::string::npos);
    EXPECT_EQ(child.out.find('\r'), std::string::npos);
    EXPECT_EQ(child.err, "");
    EXPECT_EQ(fake_.record(record_id_)->value, "203.0.113.7");
    // The settings file (GBK) took the new address.
    EXPECT_NE(read_file_bytes(config).find("当前解析IP=203.0.113.7"), std::string::npos);
}

TEST_P(Headless, SigtermDuringTheFirstCheckEndsTheProcess) {
    page_delay_ms_ = 300;
    ChildProcess child(program_path(), args({"--config", write_config()}));
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.wait_for_output(utf8("开始解析IP"), kPatience)) << child.out << child.err;
    kill(child.pid(), SIGTERM);
    EXPECT_EQ(child.wait_exit(kPatience), 0) << child.out << child.err;
    EXPECT_NE(child.out.find(utf8("已停止解析IP")), std::string::npos) << child.out;
}

TEST_P(Headless, ExitCodesTellWhatHappened) {
    struct Case {
        const char* name;
        Text key_id;
        bool page_broken;
        int exit_code;
        Text error;
    };
    const Case cases[] = {
        {"refused", "", false, 2, "请先设置阿里云API密钥！\n"},
        {"line failed", "key-id", true, 1, "公网IP线路失效，请重新设置后再试\n"},
        {"wrong key", "wrong-key", false, 2, "阿里云API密钥无效，请重新设置后再试\n"},
    };
    for (const Case& c : cases) {
        page_broken_ = c.page_broken;
        const std::string config = write_config(c.key_id);
        ChildProcess child(program_path(), args({"--config", config}));
        ASSERT_TRUE(child.started());
        EXPECT_EQ(child.wait_exit(kPatience), c.exit_code) << c.name << child.out << child.err;
        std::string expected = utf8(c.error);
        if (c.key_id.empty()) {
            expected += program() + ": settings file: " + config + "\n";
        }
        EXPECT_EQ(child.err, expected) << c.name;
        EXPECT_EQ(child.out.find(utf8("已停止解析IP")), std::string::npos) << c.name;
    }
    EXPECT_EQ(fake_.request_count("UpdateDomainRecord"), 0);
}

// With --once the stop is no success: the one check decided nothing.
TEST_P(Headless, SigtermBehindASlowLineEndsAtOnceWithTheStopLineLast) {
    // The line sends its head and then nothing for its whole 30 s receive time-out.
    ScriptedServer slow([](const std::string&) {
        ScriptedAnswer answer;
        answer.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nIP: ";
        answer.end = ScriptedAnswer::End::hold;
        return answer;
    });
    const std::string config = write_config();
    const std::string before =
        replace_in(read_file_bytes(config), page_.url("/ip"), slow.url("/ip"));
    write_file_bytes(config, before);
    for (const bool once : {false, true}) {
        const int connections = slow.accepted_connections();
        ChildProcess child(program_path(), once ? args({"--once", "--config", config})
                                                : args({"--config", config}));
        ASSERT_TRUE(child.started());
        ASSERT_TRUE(child.wait_for_output(utf8("开始解析IP"), kPatience)) << child.out << child.err;
        for (int i = 0; i < 100 && slow.accepted_connections() == connections; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto signalled = std::chrono::steady_clock::now();
        kill(child.pid(), SIGTERM);
        EXPECT_EQ(child.wait_exit(kPatience), once ? 3 : 0) << child.out << child.err;
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(2));
        const std::vector<std::string> lines = logged_texts(child.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), utf8("********** 已停止解析IP **********")) << child.out;
        EXPECT_EQ(child.err, "");
        EXPECT_EQ(read_file_bytes(config), before);
    }
}

TEST_P(Headless, AReaderThatGoesAwayDoesNotEndTheProgram) {
    ChildProcess child(program_path(), args({"--config", write_config()}));
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.wait_for_output(utf8("开始解析IP"), kPatience)) << child.out << child.err;
    child.close_output();
    // The rest of the first check writes into the closed pipe.
    for (int i = 0; i < 500 && fake_.record(record_id_)->value != "203.0.113.7"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(fake_.record(record_id_)->value, "203.0.113.7");
    EXPECT_EQ(child.wait_exit(0.25), -1) << "ended with the reader gone: " << child.err;
    kill(child.pid(), SIGTERM);
    EXPECT_EQ(child.wait_exit(kPatience), 0) << child.err;
}

TEST_P(Headless, CommandLine) {
    struct Case {
        std::vector<std::string> arguments;
        int exit_code;
        std::string out_begins;
        std::string err_begins;
    };
    const Case cases[] = {
        {{"--help"}, 0, "Usage: ddns", ""},
        {{"--version"}, 0, program() + " " DDNS_VERSION "\n", ""},
        {{"--frobnicate"}, 2, "", program() + ": unknown argument: --frobnicate"},
        {{"--headless", "--config"}, 2, "", program() + ": unknown argument: --config"},
    };
    for (const Case& c : cases) {
        ChildProcess child(program_path(), c.arguments);
        ASSERT_TRUE(child.started());
        EXPECT_EQ(child.wait_exit(kPatience), c.exit_code) << c.arguments[0];
        EXPECT_EQ(child.out.substr(0, c.out_begins.size()), c.out_begins) << c.arguments[0];
        EXPECT_EQ(child.err.substr(0, c.err_begins.size()), c.err_begins) << c.arguments[0];
    }
}

TEST_P(Headless, OnceChecksOnceAndSaysHowItEnded) {
    struct Case {
        const char* name;
        Text key_id;
        std::function<void()> arrange;
        int exit_code;
    };
    const Case cases[] = {
        {"updated", "key-id", [] {}, 0},
        {"in sync", "key-id", [] {}, 0},
        {"no address", "key-id", [this] { page_broken_ = true; }, 1},
        {"wrong key", "wrong-key", [] {}, 2},
        {"passing failure", "key-id",
         [this] { fake_.fail_next("ServiceUnavailable", "busy", 503, 1, "UpdateDomainRecord"); },
         3},
    };
    for (const Case& c : cases) {
        page_broken_ = false;
        // The stored address differs from the page's, so a check reaches the update.
        fake_.change_record(record_id_, [](FakeRecord& r) { r.value = "192.0.2.1"; });
        if (std::string(c.name) == "in sync") {
            fake_.change_record(record_id_, [](FakeRecord& r) { r.value = "203.0.113.7"; });
        }
        c.arrange();
        ChildProcess child(program_path(), args({"--once", "--config", write_config(c.key_id)}));
        ASSERT_TRUE(child.started());
        EXPECT_EQ(child.wait_exit(kPatience), c.exit_code) << c.name << child.out << child.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, Headless, ::testing::Values("ddns", "ddnsd"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// The daemon's proof of linking no Qt: the libraries its ELF file asks the loader for.
TEST(Daemon, LinksNoQtLibrary) {
    const std::string path = program_path("ddnsd");
    if (getenv("DDNS_TEST_BINARY_DIR") == nullptr) {
        GTEST_SKIP() << "DDNS_TEST_BINARY_DIR is not set (ctest sets it)";
    }
    const std::vector<std::string> needed = elf_needed_libraries(path);
    ASSERT_FALSE(needed.empty()) << path;
    for (const std::string& library : needed) {
        EXPECT_EQ(library.find("Qt"), std::string::npos) << library;
    }
    EXPECT_NE(std::find(needed.begin(), needed.end(), "libc.so.6"), needed.end());
}

}  // namespace
