// The listing actions against the fake endpoint: every page read in order,
// members read as text, UTF-8 answers readable as GBK, and failures reported.
#include "dnsapi/listings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>

#include "support/fake_dns_api.h"

namespace {

// A client of the endpoint that DDNS_API_URL names, with the test's key.
Listing describe_domains() {
    DnsApiClient client({std::getenv("DDNS_API_URL"), "testid", "testsecret"});
    return describe_domains(client);
}

Listing describe_domain_records(const Text& domain) {
    DnsApiClient client({std::getenv("DDNS_API_URL"), "testid", "testsecret"});
    return describe_domain_records(client, domain);
}

class ListingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fake_.is_running());
        fake_.set_access_key("testid", "testsecret");
        setenv("DDNS_API_URL", fake_.url().c_str(), 1);
    }
    void TearDown() override { unsetenv("DDNS_API_URL"); }

    FakeDnsApi fake_;
};

Text member(const JsonDocument& items, int index, const Text& name) {
    return strip_quotes(items.get_item_object(index, "").get_json(name));
}

std::vector<Text> members(const JsonDocument& items, const Text& name) {
    std::vector<Text> texts;
    for (int i = 0; i < items.count(""); ++i) {
        texts.push_back(member(items, i, name));
    }
    return texts;
}

TEST_F(ListingsTest, DomainsOfTheAccount) {
    fake_.add_domain("example.com");
    fake_.add_domain("\xE4\xB8\xAD\xE6\x96\x87.com", "xn--fiq228c.com");
    fake_.add_domain("\xED\x95\x9C\xEA\xB5\xAD.kr", "xn--3e0b707e.kr");  // 한국.kr
    fake_.add_record("xn--3e0b707e.kr", "www", "192.0.2.9");
    const Listing listing = describe_domains();
    EXPECT_EQ(listing.error, "");
    // GBK holds 中文 but not 한국: that domain goes by its PunyCode, and lists by it.
    EXPECT_EQ(members(listing.items, "DomainName"),
              (std::vector<Text>{"example.com", "中文.com", "xn--3e0b707e.kr"}));
    EXPECT_EQ(fake_.request_count("DescribeDomains"), 1);
    EXPECT_EQ(fake_.last_param("PageSize"), "100");
    EXPECT_EQ(fake_.last_param("PageNumber"), "1");
    const Listing records = describe_domain_records("xn--3e0b707e.kr");
    EXPECT_EQ(records.error, "");
    EXPECT_EQ(records.items.count(""), 1);
}

TEST_F(ListingsTest, EveryPageIsReadInOrder) {
    struct Case {
        int domains;
        int expected_pages;
    };
    for (const Case c : {Case{0, 1}, Case{100, 1}, Case{101, 2}, Case{250, 3}}) {
        FakeDnsApi fake;
        fake.set_access_key("testid", "testsecret");
        setenv("DDNS_API_URL", fake.url().c_str(), 1);
        std::vector<Text> expected;
        for (int i = 0; i < c.domains; ++i) {
            expected.push_back("d" + std::to_string(i) + ".com");
            fake.add_domain(expected.back());
        }
        const Listing listing = describe_domains();
        EXPECT_EQ(listing.error, "") << c.domains;
        EXPECT_EQ(members(listing.items, "DomainName"), expected) << c.domains;
        EXPECT_EQ(fake.request_count("DescribeDomains"), c.expected_pages) << c.domains;
    }
}

TEST_F(ListingsTest, AllRecordsOfALargeDomain) {
    std::vector<Text> expected;
    for (int i = 0; i < 600; ++i) {
        expected.push_back("host" + std::to_string(i));
        fake_.add_record("big.com", expected.back(), "10.0.0.1");
    }
    fake_.add_record("other.com", "www", "10.0.0.2");
    const Listing listing = describe_domain_records("big.com");
    EXPECT_EQ(listing.error, "");
    EXPECT_EQ(members(listing.items, "RR"), expected);
    std::vector<FakeRequest> requests = fake_.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].param("DomainName"), "big.com");
        EXPECT_EQ(requests[i].param("PageSize"), "500");
        EXPECT_EQ(requests[i].param("PageNumber"), std::to_string(i + 1));
    }
}

TEST_F(ListingsTest, RecordMembersReadAsText) {
    FakeRecord record;
    record.domain_name = "\xE4\xB8\xAD\xE6\x96\x87.com";
    record.rr = "\xE4\xB8\xAD";
    record.value = "1.2.3.4";
    record.status = "DISABLE";
    record.ttl = 600;
    record.record_id = "9876543210987654";
    fake_.add_record(record);
    const Listing listing = describe_domain_records("中文.com");
    EXPECT_EQ(listing.error, "");
    ASSERT_EQ(listing.items.count(""), 1);
    const JsonDocument item = listing.items.get_item_object(0, "");
    EXPECT_EQ(item.get_json("TTL"), "600");
    EXPECT_EQ(item.get_json("RecordId"), "\"9876543210987654\"");
    const std::pair<Text, Text> expected[] = {
        {"RR", "中"},   {"Type", "A"},         {"Value", "1.2.3.4"},
        {"TTL", "600"}, {"Status", "DISABLE"}, {"RecordId", "9876543210987654"}};
    for (const auto& [name, text] : expected) {
        EXPECT_EQ(strip_quotes(item.get_json(name)), text) << name;
    }
}

TEST_F(ListingsTest, FailuresAreReportedWithAnEmptyList) {
    struct Case {
        const char* what;
        std::function<void(FakeDnsApi&)> arrange;
        Text expected_error;
    };
    const Case cases[] = {
        {"wrong key", [](FakeDnsApi& f) { f.set_access_key("otherid", "testsecret"); },
         "获取失败：InvalidAccessKeyId.NotFound Specified access key is not found."},
        {"error answer",
         [](FakeDnsApi& f) { f.fail_next("Throttling.User", "Request was denied.", 400); },
         "获取失败：Throttling.User Request was denied."},
        {"no body", [](FakeDnsApi& f) { f.drop_next(); }, "获取失败：网络请求失败（HTTP 200）"},
    };
    for (const Case& c : cases) {
        FakeDnsApi fake;
        fake.set_access_key("testid", "testsecret");
        fake.add_record("example.com", "www", "1.2.3.4");
        setenv("DDNS_API_URL", fake.url().c_str(), 1);
        c.arrange(fake);
        const Listing domains = describe_domains();
        EXPECT_EQ(domains.error, c.expected_error) << c.what;
        EXPECT_EQ(domains.items.count(""), 0) << c.what;
        EXPECT_EQ(domains.items.to_json(), "[]") << c.what;
        c.arrange(fake);
        const Listing records = describe_domain_records("example.com");
        EXPECT_EQ(records.error, c.expected_error) << c.what;
        EXPECT_EQ(records.items.count(""), 0) << c.what;
    }
}

TEST_F(ListingsTest, SignatureAndDomainRefusalsAndUnreachableEndpoint) {
    fake_.set_access_key("testid", "othersecret");
    EXPECT_EQ(find_text(describe_domains().error, "获取失败：SignatureDoesNotMatch "), 1);
    fake_.set_access_key("testid", "testsecret");
    EXPECT_EQ(describe_domain_records("nobody.com").error,
              "获取失败：IncorrectDomainUser The domain name does not belong to you.");
    // Nothing listens on port 1 of the loopback address.
    setenv("DDNS_API_URL", "http://127.0.0.1:1/", 1);
    EXPECT_EQ(describe_domains().error, "获取失败：网络请求失败");
}

TEST_F(ListingsTest, AListingStoppedAtItsPageCapSaysSo) {
    set_listing_page_cap_for_testing(2);
    for (int i = 0; i < 1001; ++i) {
        fake_.add_record("big.com", "h" + std::to_string(i), "10.0.0.1");
        if (i < 1000) {
            fake_.add_record("even.com", "h" + std::to_string(i), "10.0.0.1");
        }
    }
    const Listing capped = describe_domain_records("big.com");
    const Listing whole = describe_domain_records("even.com");
    set_listing_page_cap_for_testing(0);
    EXPECT_EQ(capped.error, "");
    EXPECT_EQ(capped.items.count(""), 1000);
    EXPECT_EQ(capped.notice, "记录过多，仅显示前1000条");
    EXPECT_EQ(whole.items.count(""), 1000);
    EXPECT_EQ(whole.notice, "");
}

TEST_F(ListingsTest, AFailedLaterPageFailsTheWholeListing) {
    for (int i = 0; i < 501; ++i) {
        fake_.add_record("big.com", "h" + std::to_string(i), "10.0.0.1");
    }
    std::atomic<bool> first_answer{true};
    fake_.set_observer([&](const FakeRequest&, const FakeAnswer&) {
        if (first_answer.exchange(false)) {
            fake_.fail_next("ServiceUnavailable", "The request has failed.", 503);
        }
    });
    const Listing listing = describe_domain_records("big.com");
    fake_.set_observer(nullptr);
    EXPECT_EQ(listing.error, "获取失败：ServiceUnavailable The request has failed.");
    EXPECT_EQ(listing.items.count(""), 0);
    EXPECT_EQ(fake_.request_count(), 2);

    // A later page that is no page of the listing fails it too, rather than end it early.
    first_answer = true;
    fake_.set_observer([&](const FakeRequest&, const FakeAnswer&) {
        if (first_answer.exchange(false)) {
            fake_.answer_next(200, R"({"RequestId":"x","TotalCount":501})");
        }
    });
    const Listing cut = describe_domain_records("big.com");
    fake_.set_observer(nullptr);
    EXPECT_EQ(cut.error, "获取失败：网络请求失败（HTTP 200）");
    EXPECT_EQ(cut.items.count(""), 0);
    EXPECT_EQ(cut.notice, "");
    // Nor is a page with more rows than asked for (a hostile endpoint's 200 pages
    // could otherwise hold millions of them).
    std::string rows;
    for (int i = 0; i < kDomainPageSize + 1; ++i) {
        rows += std::string(i == 0 ? "" : ",") + R"({"DomainName":"d)" + std::to_string(i) +
                R"(.com"})";
    }
    fake_.answer_next(200, R"({"TotalCount":101,"Domains":{"Domain":[)" + rows + "]}}");
    const Listing flooded = describe_domains();
    EXPECT_EQ(flooded.error, "获取失败：网络请求失败（HTTP 200）");
    EXPECT_EQ(flooded.items.count(""), 0);
}

TEST(StripQuotes, RemovesEveryDoubleQuote) {
    const std::pair<Text, Text> cases[] = {
        {"\"www\"", "www"}, {"600", "600"}, {"", ""}, {"\"a\\\"b\"", "a\\b"}, {"\"中\"", "中"}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(strip_quotes(text), expected) << text;
    }
}

}  // namespace
