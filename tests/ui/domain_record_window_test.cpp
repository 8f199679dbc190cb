// The domain and record window against the fake endpoint: the lists filled
// from the listings, the refusals of confirming, the stored choice, and the
// failures shown to the user.
#include "ui/domain_record_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "app/settings.h"
#include "support/fake_dns_api.h"
#include "ui/main_window.h"
#include "ui/ui_fixture.h"

namespace {

const Text kNoDomainMessage =
    "请先获取域名列表后选择要解析的域名。\r\n如果没有获取到域名，请检查阿里云账号内是否有域名。";
const Text kKeysInFile = "[aliyun]\r\naccessKeyId=testid\r\naccessSecret=testsecret\r\n";

class DomainRecordWindowTest : public UiFixture {
  protected:
    void SetUp() override {
        UiFixture::SetUp();
        ASSERT_TRUE(fake_.is_running());
        fake_.set_access_key("testid", "testsecret");
        settings().access_key_id = "testid";
        settings().access_secret = "testsecret";
        write_file_bytes(settings_path(), kKeysInFile);
        setenv("DDNS_API_URL", fake_.url().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("DDNS_API_URL");
        UiFixture::TearDown();
    }

    void add_example_records() {
        fake_.add_record("example.com", "www", "1.2.3.4", "A", "ENABLE", "101");
        fake_.add_record("example.com", "@", "5.6.7.8", "A", "ENABLE", "102");
        fake_.add_record("example.com", "mail", "mx.example.com", "MX", "ENABLE", "103");
        fake_.add_record("example.com", "alias", "www.example.com", "CNAME", "ENABLE", "104");
        fake_.add_record("example.com", "v6", "::1", "AAAA", "ENABLE", "105");
        fake_.add_record("example.com", "low", "1.1.1.1", "a", "ENABLE", "106");
        fake_.add_record("example.com", "off", "2.2.2.2", "A", "DISABLE", "107");
        fake_.add_record("example.com", "off2", "3.3.3.3", "A", "Disable", "108");
        fake_.add_record("example.com", "off3", "4.4.4.4", "A", "disable", "109");
        fake_.add_record("example.com", "nostatus", "6.6.6.6", "A", "", "110");
        fake_.add_record("other.com", "api", "9.9.9.9", "A", "ENABLE", "201");
    }

    // Lists the domains, selects `domain` and lists its records.
    void list_records(DomainRecordWindow& w, const Text& domain) {
        w.get_domains_button().click();
        select_domain(w, domain);
        w.get_records_button().click();
    }

    static void select_domain(DomainRecordWindow& w, const Text& domain) {
        for (int i = 0; i < w.domain_list().count(); ++i) {
            if (w.domain_list().item(i) == domain) {
                w.domain_list().select(i);
                return;
            }
        }
        ADD_FAILURE() << "no domain " << domain;
    }

    static void select_record(DomainRecordWindow& w, const Text& host) {
        for (int row = 0; row < w.record_list().row_count(); ++row) {
            if (w.record_list().cell(row, 0) == host) {
                w.record_list().select_row(row);
                return;
            }
        }
        ADD_FAILURE() << "no record " << host;
    }

    static std::vector<Text> column(DomainRecordWindow& w, int column) {
        std::vector<Text> texts;
        for (int row = 0; row < w.record_list().row_count(); ++row) {
            texts.push_back(w.record_list().cell(row, column));
        }
        return texts;
    }

    static std::vector<Text> domains(DomainRecordWindow& w) {
        std::vector<Text> texts;
        for (int i = 0; i < w.domain_list().count(); ++i) {
            texts.push_back(w.domain_list().item(i));
        }
        return texts;
    }

    FakeDnsApi fake_;
};

TEST_F(DomainRecordWindowTest, Layout) {
    DomainRecordWindow w;
    EXPECT_EQ(w.window().caption(), "选择解析域名");
    EXPECT_EQ(w.get_domains_button().caption(), "获取域名");
    EXPECT_EQ(w.get_records_button().caption(), "获取解析");
    EXPECT_EQ(w.confirm_button().caption(), "确定");
    expect_places({{&w.get_domains_button(), 10, 10, 90, 25},
                   {&w.get_records_button(), 120, 10, 90, 25},
                   {&w.confirm_button(), 231, 10, 90, 25},
                   {&w.domain_list(), 10, 41, 100, 220},
                   {&w.record_list(), 120, 41, 475, 220},
                   {&w.notice(), 8, 272, 480, 48}});
    const std::pair<Text, int> columns[] = {{"主机记录", 100}, {"记录类型", 70}, {"记录值", 120},
                                            {"TTL", 50},       {"状态", 70},     {"RecordId", 60}};
    ASSERT_EQ(w.record_list().column_count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(w.record_list().column_title(i), columns[i].first);
        EXPECT_EQ(w.record_list().column_width(i), columns[i].second);
    }
    EXPECT_EQ(w.notice().text(),
              "注意：请先获取域名列表，再选择需要解析的域名获取解析，最后选择要解析的记录。\r\n"
              "      \r\n      当前只支持已经存在的A记录进行解析，且此记录需处于生效状态。");
    EXPECT_EQ(w.domain_list().count(), 0);
    EXPECT_EQ(w.record_list().row_count(), 0);
}

TEST_F(DomainRecordWindowTest, ListsDomainsAndTheSelectedDomainsRecords) {
    add_example_records();
    fake_.add_record("\xE4\xB8\xAD\xE6\x96\x87.com", "\xE4\xB8\xBB\xE6\x9C\xBA", "7.7.7.7", "A",
                     "ENABLE", "301");
    DomainRecordWindow w;
    w.get_domains_button().click();
    EXPECT_EQ(domains(w), (std::vector<Text>{"example.com", "other.com", "中文.com"}));

    list_records(w, "example.com");
    ASSERT_EQ(w.record_list().row_count(), 10);
    const std::vector<Text> first_row = {"www", "A", "1.2.3.4", "600", "ENABLE", "101"};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(w.record_list().cell(0, c), first_row[static_cast<std::size_t>(c)]);
    }
    // Another press, or another domain, shows only the last listing's rows.
    w.get_records_button().click();
    EXPECT_EQ(w.record_list().row_count(), 10);
    select_domain(w, "中文.com");
    w.get_records_button().click();
    EXPECT_EQ(column(w, 0), std::vector<Text>{"主机"});
    EXPECT_EQ(column(w, 5), std::vector<Text>{"301"});
    // Listing the domains again replaces them.
    w.get_domains_button().click();
    EXPECT_EQ(w.domain_list().count(), 3);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(logged_.empty());
    EXPECT_EQ(file_text(), kKeysInFile);
}

TEST_F(DomainRecordWindowTest, RecordsNeedASelectedDomain) {
    add_example_records();
    DomainRecordWindow w;
    w.get_records_button().click();
    w.get_domains_button().click();
    w.get_records_button().click();  // listed, but none selected
    EXPECT_EQ(messages_, (std::vector<Text>{kNoDomainMessage, kNoDomainMessage}));
    EXPECT_EQ(fake_.request_count("DescribeDomainRecords"), 0);
}

TEST_F(DomainRecordWindowTest, ConfirmRefusalsChangeNothing) {
    add_example_records();
    FakeRecord locked;
    locked.domain_name = "example.com";
    locked.rr = "locked";
    locked.value = "7.7.7.7";
    locked.locked = true;
    fake_.add_record(locked);
    DomainRecordWindow w;
    list_records(w, "example.com");
    const Text not_a = "只能选择A记录，即解析到IP地址";
    const Text disabled = "当前记录不生效，请选择已生效的记录，或执行前往官网更改状态";
    const std::pair<Text, Text> cases[] = {{"", "请选择一行记录"},
                                           {"mail", not_a},
                                           {"alias", not_a},
                                           {"v6", not_a},
                                           {"low", not_a},
                                           {"off", disabled},
                                           {"off2", disabled},
                                           {"off3", disabled},
                                           {"locked", "该记录已被锁定，请先在官网解锁后再选择"},
                                           {"www (no domain)", "请先选择域名"}};
    for (const auto& [host, expected] : cases) {
        if (host == "www (no domain)") {
            w.domain_list().select(-1);
            select_record(w, "www");
        } else if (host.empty()) {
            w.record_list().select_row(-1);
        } else {
            select_record(w, host);
        }
        messages_.clear();
        w.confirm_button().click();
        EXPECT_EQ(messages_, std::vector<Text>{expected}) << host;
    }
    EXPECT_TRUE(logged_.empty());
    EXPECT_EQ(file_text(), kKeysInFile);
    EXPECT_EQ(settings().record_id, "");
    EXPECT_EQ(settings().domain_name, "");
}

TEST_F(DomainRecordWindowTest, ConfirmStoresTheChoice) {
    add_example_records();
    struct Case {
        Text host;
        Text value;
        Text id;
        Text message;
    };
    const Case cases[] = {
        {"www", "1.2.3.4", "101", "当前已选择：www.example.com"},
        {"@", "5.6.7.8", "102", "当前已选择：example.com"},
        {"nostatus", "6.6.6.6", "110", "当前已选择：nostatus.example.com"},
    };
    for (const Case& c : cases) {
        write_file_bytes(settings_path(), kKeysInFile);
        logged_.clear();
        messages_.clear();
        DomainRecordWindow w;
        list_records(w, "example.com");
        select_record(w, c.host);
        w.confirm_button().click();
        EXPECT_EQ(messages_, std::vector<Text>{c.message});
        EXPECT_EQ(file_text(), kKeysInFile + "当前解析IP=" + c.value +
                                   "\r\n当前解析域名=example.com\r\n当前解析ID=" + c.id +
                                   "\r\n当前主机记录=" + c.host + "\r\n");
        EXPECT_EQ(logged_,
                  (std::vector<Text>{"********** 已选择新的域名 **********",
                                     "当前解析域名：example.com", "当前主机记录：" + c.host,
                                     "当前解析IP：" + c.value, "当前解析ID：" + c.id}));
        const Settings& s = settings();
        EXPECT_EQ(s.domain_name, "example.com");
        EXPECT_EQ(s.host_record, c.host);
        EXPECT_EQ(s.resolved_ip, c.value);
        EXPECT_EQ(s.record_id, c.id);
        EXPECT_EQ(s.access_key_id, "testid");
        EXPECT_EQ(s.access_secret, "testsecret");
    }
}

// A file that refuses the change is said, not "selected": the choice holds in memory.
TEST_F(DomainRecordWindowTest, AChoiceTheFileRefusesIsSaid) {
    add_example_records();
    write_file_bytes(settings_path(), kKeysInFile);
    ASSERT_EQ(::chmod(settings_path().c_str(), 0444), 0);  // refused even for root
    DomainRecordWindow w;
    list_records(w, "example.com");
    select_record(w, "www");
    w.confirm_button().click();
    ::chmod(settings_path().c_str(), 0600);
    EXPECT_EQ(messages_, std::vector<Text>{kSettingsNotSaved});
    EXPECT_EQ(file_text(), kKeysInFile);
    EXPECT_EQ(settings().record_id, "101");
    EXPECT_EQ(settings().host_record, "www");
}

TEST_F(DomainRecordWindowTest, TheRowsKeepTheDomainTheyWereListedFor) {
    add_example_records();
    DomainRecordWindow w;
    list_records(w, "example.com");
    select_domain(w, "other.com");  // selected, but its records were never listed
    select_record(w, "www");
    w.confirm_button().click();
    EXPECT_EQ(messages_, std::vector<Text>{"当前已选择：www.example.com"});
    EXPECT_EQ(settings().domain_name, "example.com");
    EXPECT_EQ(settings().record_id, "101");
    EXPECT_EQ(read_setting(settings_keys::kAliyunSection, settings_keys::kDomainName),
              "example.com");

    // Listing the domains again clears both the selection and the rows of the old one.
    w.get_domains_button().click();
    EXPECT_EQ(w.record_list().row_count(), 0);
}

TEST_F(DomainRecordWindowTest, FailedListingsAreShownAndEmptyTheList) {
    add_example_records();
    DomainRecordWindow w;
    list_records(w, "example.com");
    ASSERT_EQ(w.record_list().row_count(), 10);

    fake_.set_access_key("otherid", "testsecret");
    w.get_records_button().click();
    EXPECT_EQ(w.record_list().row_count(), 0);
    w.get_domains_button().click();
    EXPECT_EQ(w.domain_list().count(), 0);
    const Text wrong_key =
        "获取失败：InvalidAccessKeyId.NotFound Specified access key is not found.";
    EXPECT_EQ(messages_, (std::vector<Text>{wrong_key, wrong_key}));

    messages_.clear();
    setenv("DDNS_API_URL", "http://127.0.0.1:1/", 1);
    w.get_domains_button().click();
    EXPECT_EQ(messages_, std::vector<Text>{"获取失败：网络请求失败"});
    EXPECT_TRUE(logged_.empty());
}

TEST_F(DomainRecordWindowTest, AnAccountWithoutDomainsIsQuietlyEmpty) {
    DomainRecordWindow w;
    w.get_domains_button().click();
    EXPECT_EQ(w.domain_list().count(), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(fake_.request_count("DescribeDomains"), 1);
}

TEST_F(DomainRecordWindowTest, MainWindowOpensItModally) {
    MainWindow main_window;
    settings().access_key_id = "testid";
    settings().access_secret = "testsecret";
    std::vector<Text> opened;
    set_modal_hook([&](Window& window) { opened.push_back(window.caption()); });
    main_window.domain_button().click();
    EXPECT_EQ(opened, std::vector<Text>{"选择解析域名"});
}

}  // namespace
