// The update cycle end to end: the main window's buttons and timer drive it
// against an IP page on loopback and the fake DNS endpoint.
#include "app/update_cycle.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <mutex>
#include <random>

#include "app/main_window.h"
#include "app/settings.h"
#include "support/app_fixture.h"
#include "support/fake_dns_api.h"
#include "support/loopback_server.h"

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

    // Also adds the record to the account, holding `record_value`.
    void write_config(const Text& resolved_ip, const Text& key_id = "key-id",
                      const std::string& record_value = "192.0.2.1") {
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
    EXPECT_EQ(fake_.request_count(), 0);

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
    EXPECT_EQ(fake_.request_count(), 1);
}

TEST_F(UpdateCycleTest, RecordAlreadyHoldingTheAddressCountsAsDone) {
    // Nothing stored yet, and the record was pointed at the address some other way.
    write_config("", "key-id", "203.0.113.7");
    MainWindow window;
    new_lines(window);
    window.start_button().click();
    EXPECT_EQ(fake_.error_codes(), std::vector<std::string>{"DomainRecordDuplicate"});
    EXPECT_EQ(last_new_line(window), kUpdatedLine);
    EXPECT_EQ(read_setting(settings_keys::kAliyunSection, settings_keys::kResolvedIp),
              "203.0.113.7");
}

TEST_F(UpdateCycleTest, RefusedUpdateIsLoggedAndTriedAgain) {
    write_config("192.0.2.1", "wrong-key");
    MainWindow window;
    new_lines(window);
    const std::string file_before = read_file_bytes(settings_path());
    window.start_button().click();
    const std::vector<Text> failed = {
        "当前公网IP：203.0.113.7", "当前解析IP：192.0.2.1", kDifferentLine,
        "修改解析失败：InvalidAccessKeyId.NotFound Specified access key is not found.",
        "等待60s后再次检测..."};
    std::vector<Text> expected = {kStartLine};
    expected.insert(expected.end(), failed.begin(), failed.end());
    EXPECT_EQ(new_lines(window), expected);
    EXPECT_EQ(settings().resolved_ip, "192.0.2.1");
    EXPECT_EQ(read_file_bytes(settings_path()), file_before);
    EXPECT_EQ(settings().is_running, 1);
    EXPECT_EQ(window.timer().period(), 60000);

    window.timer().fire();
    EXPECT_EQ(new_lines(window), failed);
    EXPECT_EQ(fake_.request_count("UpdateDomainRecord"), 2);

    // Once the endpoint answers again, the next tick goes through.
    settings().access_key_id = "key-id";
    fake_.drop_next();
    window.timer().fire();
    EXPECT_EQ(new_lines(window), (std::vector<Text>{failed[0], failed[1], failed[2],
                                                    "修改解析失败：网络请求失败", failed[4]}));
    window.timer().fire();
    EXPECT_EQ(last_new_line(window), kUpdatedLine);
    EXPECT_EQ(record_value(), "203.0.113.7");
    EXPECT_TRUE(messages_.empty());
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
    EXPECT_EQ(fake_.request_count(), 0);
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

// Many updates in a row with random addresses, in the machine's zone and in one far
// from UTC+8: each is signed, encoded and time-stamped so that the service takes it.
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
    constexpr int kUpdates = 300;
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
