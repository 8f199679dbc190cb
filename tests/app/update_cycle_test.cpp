// The update cycle end to end: the main window's buttons and timer drive it
// against an IP page on loopback and the fake DNS endpoint.
#include "app/update_cycle.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <random>

#include "app/settings.h"
#include "platform/codepage.h"
#include "support/app_fixture.h"
#include "support/fake_dns_api.h"
#include "support/loopback_server.h"
#include "ui/main_window.h"

namespace {

const Text kStartLine = "********** 开始解析IP **********";
const Text kStopLine = "********** 已停止解析IP **********";
const Text kSameLine = "当前公网IP和解析IP相同。等待60s后再次检测...";
const Text kDifferentLine = "当前公网IP和解析IP不相同，开始修改解析...";
const Text kUpdatedLine = "IP解析完毕，等待60s后再次检测...";

// An IP line whose page shows whatever address the test sets.
class IpPage {
  public:
    IpPage() {
        server_.server().Get("/ip", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++hits_;
            res.set_content(body_, "text/html; charset=utf-8");
        });
        server_.start();
    }
    void show(const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        body_ = body;
    }
    int hits() {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_;
    }
    std::string url() const { return server_.url("/ip"); }

  private:
    LoopbackServer server_;
    std::mutex mutex_;
    std::string body_;
    int hits_ = 0;
};

class UpdateCycleTest : public AppFixture {
  protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(fake_.is_running());
        fake_.set_access_key("key-id", "key-secret");
        setenv("DDNS_API_URL", fake_.url().c_str(), 1);
        page_.show("<p>IP: 203.0.113.7</p>");
    }
    void TearDown() override {
        unsetenv("DDNS_API_URL");
        AppFixture::TearDown();
    }

    // Also adds the record to the account, holding `record_value` (by default the stored
    // address, or 192.0.2.1 when none is stored).
    void write_config(const Text& resolved_ip, const Text& key_id = "key-id",
                      std::string record_value = "") {
        if (record_value.empty()) {
            record_value = resolved_ip.empty() ? "192.0.2.1" : resolved_ip;
        }
        record_id_ = fake_.add_record("example.com", "www", record_value);
        write_file_bytes(settings_path(),
                         "[当前IP线路]\r\n线路=1\r\n[IP线路]\r\n线路1=" + page_.url() +
                             "\r\n[aliyun]\r\naccessKeyId=" + key_id +
                             "\r\naccessSecret=key-secret\r\n当前解析IP=" + resolved_ip +
                             "\r\n当前解析域名=example.com\r\n当前解析ID=" + record_id_ +
                             "\r\n当前主机记录=www\r\n");
    }

    // The log lines written since the last call, without their time stamps.
    std::vector<Text> new_lines(MainWindow& window) {
        std::vector<Text> texts;
        TextArray lines = split_text(window.log_box().text(), "\r\n");
        for (std::size_t i = seen_; i < lines.size(); ++i) {
            int colon = find_text(lines[i], "：");
            texts.push_back(colon < 0 ? lines[i] : mid_text(lines[i], colon + 2));
        }
        seen_ = lines.size();
        return texts;
    }
    Text last_new_line(MainWindow& window) {
        std::vector<Text> texts = new_lines(window);
        return texts.empty() ? Text() : texts.back();
    }

    std::string record_value() { return fake_.record(record_id_)->value; }

    FakeDnsApi fake_;
    IpPage page_;
    std::string record_id_;
    std::size_t seen_ = 0;
};

TEST_F(UpdateCycleTest, UnchangedAddressSendsNothing) {
    write_config("203.0.113.7");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    const std::vector<Text> check = {"当前公网IP：203.0.113.7", "当前解析IP：203.0.113.7",
                                     kSameLine};
    std::vector<Text> expected = {kStartLine};
    expected.insert(expected.end(), check.begin(), check.end());
    EXPECT_EQ(new_lines(window), expected);
    EXPECT_EQ(settings().is_running, 1);
    EXPECT_EQ(window.timer().period(), 60000);

    window.timer().fire();
    EXPECT_EQ(new_lines(window), check);
    EXPECT_EQ(page_.hits(), 2);
    // The record was read back at the start only.
    EXPECT_EQ(fake_.request_count(), 1);
    EXPECT_EQ(fake_.request_count("DescribeDomainRecordInfo"), 1);

    window.stop_button().click();
    EXPECT_EQ(new_lines(window), std::vector<Text>{kStopLine});
    EXPECT_EQ(settings().is_running, 0);
    EXPECT_EQ(window.timer().period(), 0);
    window.timer().fire();  // a late tick after stopping does nothing
    EXPECT_EQ(page_.hits(), 2);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UpdateCycleTest, ChangedAddressIsSentOnceAndStored) {
    write_config("192.0.2.1");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    EXPECT_EQ(new_lines(window),
              (std::vector<Text>{kStartLine, "当前公网IP：203.0.113.7", "当前解析IP：192.0.2.1",
                                 kDifferentLine, kUpdatedLine}));
    EXPECT_EQ(fake_.accepted_count("UpdateDomainRecord"), 1);
    EXPECT_EQ(fake_.last_param("Value"), "203.0.113.7");
    EXPECT_EQ(record_value(), "203.0.113.7");
    EXPECT_EQ(settings().resolved_ip, "203.0.113.7");
    EXPECT_EQ(read_setting(settings_keys::kAliyunSection, settings_keys::kResolvedIp),
              "203.0.113.7");

    window.timer().fire();
    EXPECT_EQ(new_lines(window),
              (std::vector<Text>{"当前公网IP：203.0.113.7", "当前解析IP：203.0.113.7", kSameLine}));
    EXPECT_EQ(fake_.request_count("UpdateDomainRecord"), 1);
}

TEST_F(UpdateCycleTest, TheRecordReadBackRepairsADriftedValue) {
    // The file says 192.0.2.1, but the record was pointed elsewhere in the console.
    write_config("192.0.2.1", "key-id", "203.0.113.7");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    EXPECT_EQ(new_lines(window), (std::vector<Text>{kStartLine, "当前公网IP：203.0.113.7",
                                                    "解析记录当前值：203.0.113.7",
                                                    "当前解析IP：203.0.113.7", kSameLine}));
    EXPECT_EQ(read_setting(settings_keys::kAliyunSection, settings_keys::kResolvedIp),
              "203.0.113.7");
    EXPECT_EQ(fake_.request_count("UpdateDomainRecord"), 0);

    // Changed again behind our back: seen at the 60th check, not before.
    fake_.change_record(record_id_, [](FakeRecord& r) { r.value = "198.51.100.9"; });
    for (int i = 1; i < 60; ++i) {
        window.timer().fire();
    }
    EXPECT_EQ(fake_.request_count("DescribeDomainRecordInfo"), 1);
    new_lines(window);
    window.timer().fire();
    EXPECT_EQ(new_lines(window),
              (std::vector<Text>{"当前公网IP：203.0.113.7", "解析记录当前值：198.51.100.9",
                                 "当前解析IP：198.51.100.9", kDifferentLine, kUpdatedLine}));
    EXPECT_EQ(record_value(), "203.0.113.7");
}

TEST_F(UpdateCycleTest, ADuplicateOfOurOwnRecordIsInSync) {
    // The read-back at the start fails, so the stale value is used and the update finds
    // the record already holding the address.
    write_config("192.0.2.1", "key-id", "203.0.113.7");
    fake_.drop_next(1, "DescribeDomainRecordInfo");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    EXPECT_EQ(new_lines(window),
              (std::vector<Text>{kStartLine, "当前公网IP：203.0.113.7", "当前解析IP：192.0.2.1",
                                 kDifferentLine, kUpdatedLine}));
    EXPECT_EQ(fake_.error_codes(), std::vector<std::string>{"DomainRecordDuplicate"});
    EXPECT_EQ(settings().resolved_ip, "203.0.113.7");
    EXPECT_EQ(settings().is_running, 1);
}

// What each class of answer leaves behind: log, message, stored address, cycle state.
TEST_F(UpdateCycleTest, EachClassOfAnswerEndsTheCheckItsWay) {
    const Text kWait = "等待60s后再次检测...";
    struct Case {
        const char* what;
        std::function<void(FakeDnsApi&, const std::string& record_id)> arrange;
        Text failure_line;  // after kDifferentLine
        Text message;       // empty: the cycle goes on
    };
    const Case cases[] = {
        {"throttled",
         [](FakeDnsApi& f, const std::string&) {
             f.fail_next("Throttling.User", "Request was denied.", 400, 1, "UpdateDomainRecord");
         },
         "修改解析失败：Throttling.User Request was denied.", ""},
        {"server error with a record id",
         [](FakeDnsApi& f, const std::string& id) {
             f.answer_next(500, R"({"RecordId":")" + id + R"("})", "application/json", "", 1,
                           "UpdateDomainRecord");
         },
         "修改解析失败：网络请求失败（HTTP 500）", ""},
        {"redirect",
         [](FakeDnsApi& f, const std::string&) {
             f.answer_next(302, "", "text/html", f.url() + "login", 1, "UpdateDomainRecord");
         },
         "修改解析失败：网络请求失败（HTTP 302）", ""},
        {"html page",
         [](FakeDnsApi& f, const std::string&) {
             f.answer_next(200, "<html>portal</html>", "text/html", "", 1, "UpdateDomainRecord");
         },
         "修改解析失败：网络请求失败（HTTP 200）", ""},
        {"no permission",
         [](FakeDnsApi& f, const std::string&) {
             f.fail_next("Forbidden.RAM", "User not authorized.", 403, 1, "UpdateDomainRecord");
         },
         "修改解析失败：Forbidden.RAM User not authorized.",
         "阿里云API密钥没有修改该记录的权限，请检查后再试"},
        {"locked meanwhile",
         [](FakeDnsApi& f, const std::string&) {
             f.fail_next("Forbidden.RecordLocked", "The DNS record is locked.", 400, 1,
                         "UpdateDomainRecord");
         },
         "修改解析失败：Forbidden.RecordLocked The DNS record is locked.",
         "解析记录已被锁定，请先在官网解锁后再试"},
        {"another record holds the address",
         [](FakeDnsApi& f, const std::string&) {
             f.add_record("example.com", "www", "203.0.113.7");
         },
         "修改解析失败：DomainRecordDuplicate The DNS record already exists.",
         "已有另一条相同的解析记录，请在官网处理后再试"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_config("192.0.2.1");
        MainWindow window;
        c.arrange(fake_, record_id_);
        const std::string file_before = read_file_bytes(settings_path());
        messages_.clear();
        new_lines(window);
        window.start_button().click();
        std::vector<Text> expected = {kStartLine, "当前公网IP：203.0.113.7",
                                      "当前解析IP：192.0.2.1", kDifferentLine, c.failure_line};
        if (c.message.empty()) {
            expected.push_back(kWait);
        }
        EXPECT_EQ(new_lines(window), expected);
        EXPECT_EQ(messages_,
                  c.message.empty() ? std::vector<Text>{} : std::vector<Text>{c.message});
        EXPECT_EQ(settings().is_running, c.message.empty() ? 1 : 0);
        EXPECT_EQ(window.timer().period(), c.message.empty() ? 60000 : 0);
        EXPECT_EQ(settings().resolved_ip, "192.0.2.1");
        EXPECT_EQ(read_file_bytes(settings_path()), file_before);
        EXPECT_EQ(record_value(), "192.0.2.1");
        if (c.message.empty()) {
            // Transient: the next tick goes through.
            window.timer().fire();
            EXPECT_EQ(last_new_line(window), kUpdatedLine);
            EXPECT_EQ(record_value(), "203.0.113.7");
        }
        window.stop_button().click();
        fake_.remove_record(record_id_);
    }
}

// The record read back at the start stops a cycle that could never succeed.
TEST_F(UpdateCycleTest, AKeyOrRecordThatCannotWorkStopsTheCycleAtOnce) {
    struct Case {
        const char* what;
        Text key_id;
        std::function<void(FakeRecord&)> edit;
        Text message;
    };
    const Case cases[] = {
        {"wrong key", "wrong-key", nullptr, "阿里云API密钥无效，请重新设置后再试"},
        {"locked", "key-id", [](FakeRecord& r) { r.locked = true; },
         "解析记录已被锁定，请先在官网解锁后再试"},
        {"disabled", "key-id", [](FakeRecord& r) { r.status = "DISABLE"; },
         "解析记录已暂停，请先在官网启用后再试"},
        {"now a CNAME", "key-id", [](FakeRecord& r) { r.type = "CNAME"; },
         "解析记录不存在或已更改，请重新选择要解析的域名和记录"},
        {"deleted", "key-id", [](FakeRecord&) {},
         "解析记录不存在或已更改，请重新选择要解析的域名和记录"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_config("192.0.2.1", c.key_id);
        if (c.edit) {
            fake_.change_record(record_id_, c.edit);
        }
        if (std::string(c.what) == "deleted") {
            fake_.remove_record(record_id_);
        }
        MainWindow window;
        const std::string file_before = read_file_bytes(settings_path());
        messages_.clear();
        window.start_button().click();
        EXPECT_EQ(messages_, std::vector<Text>{c.message});
        EXPECT_EQ(settings().is_running, 0);
        EXPECT_EQ(window.timer().period(), 0);
        EXPECT_EQ(read_file_bytes(settings_path()), file_before);
        EXPECT_EQ(fake_.request_count("UpdateDomainRecord"), 0);
    }
}

TEST_F(UpdateCycleTest, AWrongClockIsRepairedOnceAndLogged) {
    fake_.set_clock([] { return std::int64_t{time(nullptr)} + 3600; });
    write_config("192.0.2.1");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    const std::vector<Text> lines = new_lines(window);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(left_text(lines[2], 20), "本机时间与服务器相差");
    EXPECT_EQ(lines.back(), kUpdatedLine);
    EXPECT_EQ(record_value(), "203.0.113.7");
    EXPECT_EQ(fake_.error_codes(), std::vector<std::string>{"InvalidTimeStamp.Expired"});
}

TEST_F(UpdateCycleTest, FailingLineStopsTheCycleWithAMessage) {
    write_config("203.0.113.7");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    ASSERT_EQ(settings().is_running, 1);
    new_lines(window);

    page_.show("<h1>Not Found</h1>");
    window.timer().fire();
    EXPECT_EQ(messages_, std::vector<Text>{"公网IP线路失效，请重新设置后再试"});
    EXPECT_TRUE(new_lines(window).empty());  // no stop line
    EXPECT_EQ(settings().is_running, 0);
    EXPECT_EQ(window.timer().period(), 0);

    // No line selected: stopped by the first check, right after the start line.
    messages_.clear();
    settings().current_line = 7;
    window.start_button().click();
    EXPECT_EQ(messages_, std::vector<Text>{"公网IP线路为空，请设置后再试"});
    EXPECT_EQ(new_lines(window), std::vector<Text>{kStartLine});
    EXPECT_EQ(settings().is_running, 0);
    EXPECT_EQ(window.timer().period(), 0);
    EXPECT_EQ(fake_.request_count("UpdateDomainRecord"), 0);
}

// A read-back that got no answer leaves the stored value for that check only: the
// next check asks again instead of waiting an hour with a wrong record.
TEST_F(UpdateCycleTest, AReadBackWithoutAnswerIsAskedAgainAtTheNextCheck) {
    write_config("203.0.113.7", "key-id", "198.51.100.9");
    fake_.fail_next("ServiceUnavailable", "busy", 503, 1, "DescribeDomainRecordInfo");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    EXPECT_EQ(new_lines(window), (std::vector<Text>{kStartLine, "当前公网IP：203.0.113.7",
                                                    "当前解析IP：203.0.113.7", kSameLine}));
    window.timer().fire();
    EXPECT_EQ(new_lines(window),
              (std::vector<Text>{"当前公网IP：203.0.113.7", "解析记录当前值：198.51.100.9",
                                 "当前解析IP：198.51.100.9", kDifferentLine, kUpdatedLine}));
    EXPECT_EQ(record_value(), "203.0.113.7");
    window.timer().fire();
    EXPECT_EQ(fake_.request_count("DescribeDomainRecordInfo"), 2);
}

// A file that is there but cannot be read is not "missing": no defaults over it, no
// start on the empty values it gave, and a start after it is mended reads it again.
// An address the file refuses to store is said, and the record still counts as right.
TEST_F(UpdateCycleTest, ASettingsFileThatCannotBeReadOrWrittenIsSaid) {
    ASSERT_EQ(::mkdir(settings_path().c_str(), 0700), 0);  // EISDIR at the first read
    {
        MainWindow window;
        const std::vector<Text> lines = new_lines(window);
        EXPECT_NE(std::find(lines.begin(), lines.end(), "配置文件无法读取，请检查配置文件的权限"),
                  lines.end());
        window.start_button().click();
        EXPECT_EQ(messages_, std::vector<Text>{"配置文件无法读取，请检查配置文件的权限后再试"});
        EXPECT_EQ(::rmdir(settings_path().c_str()), 0) << "something was written into it";

        messages_.clear();
        write_config("192.0.2.1");
        new_lines(window);
        ASSERT_EQ(::chmod(settings_path().c_str(), 0444), 0);  // refused even for root
        window.start_button().click();
        EXPECT_TRUE(messages_.empty());
        EXPECT_EQ(
            new_lines(window),
            (std::vector<Text>{kStartLine, "当前公网IP：203.0.113.7", "当前解析IP：192.0.2.1",
                               kDifferentLine, "当前解析IP未能写入配置文件，请检查配置文件的权限",
                               kUpdatedLine}));
        EXPECT_EQ(record_value(), "203.0.113.7");
        window.stop_button().click();
    }
    ::chmod(settings_path().c_str(), 0600);
}

TEST_F(UpdateCycleTest, StartRefusesWhatIsMissingOrRunning) {
    write_config("192.0.2.1");
    MainWindow window;
    const Settings loaded = settings();
    const Text kKeys = "请先设置阿里云API密钥！";
    const Text kRecord = "请先去选择要解析的域名和记录";
    struct Case {
        Text Settings::*field;
        int running;
        Text expected;
    };
    const Case cases[] = {
        {&Settings::access_key_id, 0, kKeys},
        {&Settings::access_secret, 0, kKeys},
        {&Settings::domain_name, 0, kRecord},
        {&Settings::record_id, 0, kRecord},
        {&Settings::host_record, 0, kRecord},
        {&Settings::access_key_id, 1, kKeys},  // the key check comes before the running one
        {nullptr, 1, "当前正在等待解析，如需停止请点击停止按钮。"},
    };
    for (const Case& c : cases) {
        settings() = loaded;
        if (c.field != nullptr) {
            settings().*c.field = "";
        }
        settings().is_running = c.running;
        new_lines(window);
        messages_.clear();
        window.start_button().click();
        EXPECT_EQ(messages_, std::vector<Text>{c.expected});
        EXPECT_TRUE(new_lines(window).empty());
        EXPECT_EQ(settings().is_running, c.running);
        EXPECT_EQ(window.timer().period(), 0);
    }
    EXPECT_EQ(page_.hits(), 0);
}

// A UTF-8 file written by hand may hold what GBK cannot: sending "?" in its place
// would rename the record, so the start is refused naming the key.
TEST_F(UpdateCycleTest, StartRefusesASettingGbkCannotHold) {
    struct Case {
        Text key;
        Text old_value;
        std::u8string new_value;  // UTF-8
    };
    const Case cases[] = {
        {"当前主机记录", "www", u8"www\U0001F600"},  // emoji
        {"当前主机记录", "www", u8"\uC9D1"},         // Hangul
        {"当前解析域名", "example.com", u8"\uD55C.com"},
        {"accessSecret", "key-secret", u8"key-secret\u00A0\U0001F511"},
    };
    for (const Case& c : cases) {
        write_config("203.0.113.7");
        const std::string value(c.new_value.begin(), c.new_value.end());
        write_file_bytes(settings_path(),
                         replace_text(gbk_to_utf8_text(read_file_bytes(settings_path())),
                                      gbk_to_utf8_text(c.key + "=" + c.old_value),
                                      gbk_to_utf8_text(c.key + "=") + value));
        MainWindow window;
        messages_.clear();
        window.start_button().click();
        EXPECT_EQ(messages_,
                  std::vector<Text>{"配置文件中的" + c.key + "含有无法识别的字符，请修改后再试"});
        EXPECT_EQ(settings().is_running, 0);
    }
    EXPECT_EQ(page_.hits(), 0);
    EXPECT_EQ(fake_.request_count(), 0);

    // Once the window gives the record another value, the cycle starts.
    MainWindow window;
    settings().access_secret = "key-secret";
    messages_.clear();
    window.start_button().click();
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(settings().is_running, 1);
    EXPECT_EQ(page_.hits(), 1);
}

TEST_F(UpdateCycleTest, StopWhileStoppedStillLogs) {
    write_config("192.0.2.1");
    MainWindow window;
    new_lines(window);
    window.stop_button().click();
    window.stop_button().click();
    EXPECT_EQ(new_lines(window), (std::vector<Text>{kStopLine, kStopLine}));
    EXPECT_EQ(window.timer().period(), 0);
}

TEST_F(UpdateCycleTest, ATickDuringACheckIsSkipped) {
    // The page answers slowly while a fast timer ticks: the waiting transfer lets
    // those ticks through, and each must find the check under way.
    LoopbackServer slow;
    std::atomic<int> slow_hits{0};
    slow.server().Get("/ip", [&](const httplib::Request&, httplib::Response& res) {
        ++slow_hits;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        res.set_content("203.0.113.7", "text/plain");
    });
    ASSERT_TRUE(slow.start());
    write_config("203.0.113.7");
    MainWindow window;
    settings().line_urls[1] = slow.url("/ip");
    settings().is_running = 1;
    window.timer().set_period(20);
    window.timer().fire();
    window.timer().set_period(0);
    EXPECT_EQ(slow_hits.load(), 1);
    EXPECT_EQ(last_new_line(window), kSameLine);
}

// Updates in a row with random addresses (a fresh nonce and time stamp each), in the
// machine's zone and in one far from UTC+8: each is signed, encoded and time-stamped so
// that the service takes it.
class ManyUpdates : public UpdateCycleTest, public ::testing::WithParamInterface<const char*> {
  protected:
    void SetUp() override {
        const char* zone = getenv("TZ");
        had_zone_ = zone != nullptr;
        saved_zone_ = had_zone_ ? zone : "";
        if (*GetParam() != '\0') {
            setenv("TZ", GetParam(), 1);
            tzset();
        }
        UpdateCycleTest::SetUp();
    }
    void TearDown() override {
        UpdateCycleTest::TearDown();
        if (had_zone_) {
            setenv("TZ", saved_zone_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    bool had_zone_ = false;
    std::string saved_zone_;
};

TEST_P(ManyUpdates, AllAccepted) {
    constexpr int kUpdates = 30;
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> octet(1, 254);
    write_config("192.0.2.1");
    MainWindow window;
    Text address = "192.0.2.1";
    for (int i = 0; i < kUpdates; ++i) {
        Text next = address;
        while (next == address) {
            next = std::to_string(octet(random)) + "." + std::to_string(octet(random)) + "." +
                   std::to_string(octet(random)) + "." + std::to_string(octet(random));
        }
        address = next;
        page_.show("IP: " + address);
        if (i == 0) {
            window.start_button().click();
        } else {
            window.timer().fire();
        }
        ASSERT_EQ(settings().resolved_ip, address)
            << "update " << i << ": " << last_new_line(window);
    }
    EXPECT_EQ(fake_.accepted_count("UpdateDomainRecord"), kUpdates);
    EXPECT_TRUE(fake_.error_codes().empty());
    EXPECT_EQ(record_value(), address);
    EXPECT_EQ(read_setting(settings_keys::kAliyunSection, settings_keys::kResolvedIp), address);
}

INSTANTIATE_TEST_SUITE_P(Zones, ManyUpdates, ::testing::Values("", "America/Los_Angeles"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return *info.param == '\0' ? std::string("LocalZone")
                                                        : std::string("LosAngeles");
                         });

}  // namespace
