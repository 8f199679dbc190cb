// The update action against the fake endpoint: what goes into the form body, and
// how each kind of answer is read (took effect, already so, refused, none at all).
#include "dnsapi/dns_api_client.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/settings.h"
#include "dnsapi/api_answer.h"
#include "support/fake_dns_api.h"

namespace {

class DnsApiClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fake_.is_running());
        fake_.set_access_key("key-id", "key-secret");
        settings() = Settings();
        settings().access_key_id = "key-id";
        settings().access_secret = "key-secret";
        settings().domain_name = "example.com";
        setenv("DDNS_API_URL", fake_.url().c_str(), 1);
    }
    void TearDown() override {
        unsetenv("DDNS_API_URL");
        settings() = Settings();
    }

    // Adds a record with host record `rr_utf8` and selects it in the settings.
    std::string select_record(const std::string& rr_utf8, const Text& rr_gbk) {
        std::string id = fake_.add_record("example.com", rr_utf8, "192.0.2.1");
        settings().host_record = rr_gbk;
        settings().record_id = id;
        return id;
    }

    FakeDnsApi fake_;
};

// Names of the body's pieces, in the order sent.
std::vector<std::string> piece_names(const std::string& body) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('&', start);
        std::string piece = body.substr(start, end == std::string::npos ? end : end - start);
        names.push_back(piece.substr(0, piece.find('=')));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return names;
}

TEST_F(DnsApiClientTest, UpdateSendsTheHostRecordEncoded) {
    struct Case {
        std::string rr_utf8;
        Text rr_gbk;
        std::string in_body;
    };
    const Case cases[] = {
        {"www", "www", "&RR=www&"},
        {"@", "@", "&RR=%40&"},
        {"\xE4\xB8\xAD", "中", "&RR=%E4%B8%AD&"},
    };
    for (const Case& c : cases) {
        std::string id = select_record(c.rr_utf8, c.rr_gbk);
        UpdateOutcome outcome = DnsApiClient().update_domain_record("203.0.113.7");
        EXPECT_TRUE(outcome.ok) << c.rr_utf8 << ": " << outcome.error;
        EXPECT_NE(fake_.last_request().body.find(c.in_body), std::string::npos)
            << fake_.last_request().body;
        EXPECT_EQ(fake_.last_request().content_type, "application/x-www-form-urlencoded");
        ASSERT_TRUE(fake_.record(id).has_value());
        EXPECT_EQ(fake_.record(id)->rr, c.rr_utf8);
        EXPECT_EQ(fake_.record(id)->value, "203.0.113.7");
    }
    EXPECT_EQ(
        piece_names(fake_.last_request().body),
        (std::vector<std::string>{"AccessKeyId", "Action", "Format", "RR", "RecordId", "Signature",
                                  "SignatureMethod", "SignatureNonce", "SignatureVersion",
                                  "Timestamp", "Type", "Value", "Version"}));
}

TEST_F(DnsApiClientTest, SignaturesHoldingAPlusAreAccepted) {
    // About one signature in three holds "+"; forty updates all but surely meet several.
    std::string id = select_record("www", "www");
    int with_plus = 0;
    for (int i = 0; i < 40; ++i) {
        UpdateOutcome outcome =
            DnsApiClient().update_domain_record("198.51.100." + std::to_string(i + 1));
        EXPECT_TRUE(outcome.ok) << outcome.error;
        const std::string body = fake_.last_request().body;
        if (fake_.last_param("Signature").find('+') != std::string::npos) {
            ++with_plus;
            EXPECT_NE(body.find("%2B"), std::string::npos) << body;
        }
    }
    EXPECT_GT(with_plus, 0);
    EXPECT_EQ(fake_.accepted_count("UpdateDomainRecord"), 40);
    EXPECT_EQ(fake_.record(id)->value, "198.51.100.40");
}

TEST_F(DnsApiClientTest, ReadsEachKindOfAnswer) {
    select_record("www", "www");
    // Took effect.
    EXPECT_TRUE(DnsApiClient().update_domain_record("203.0.113.8").ok);
    // The record already holds the address.
    UpdateOutcome same = DnsApiClient().update_domain_record("203.0.113.8");
    EXPECT_TRUE(same.ok) << same.error;
    EXPECT_EQ(fake_.error_codes(), std::vector<std::string>{"DomainRecordDuplicate"});
    // Refused.
    settings().access_key_id = "wrong-id";
    UpdateOutcome refused = DnsApiClient().update_domain_record("203.0.113.9");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, "InvalidAccessKeyId.NotFound Specified access key is not found.");
    settings().access_key_id = "key-id";
    settings().access_secret = "wrong-secret";
    EXPECT_EQ(left_text(DnsApiClient().update_domain_record("203.0.113.9").error, 22),
              "SignatureDoesNotMatch ");
    settings().access_secret = "key-secret";
    // The connection closes before the body.
    fake_.drop_next();
    UpdateOutcome dropped = DnsApiClient().update_domain_record("203.0.113.9");
    EXPECT_FALSE(dropped.ok);
    EXPECT_EQ(dropped.error, "网络请求失败");
    EXPECT_EQ(fake_.record(settings().record_id)->value, "203.0.113.8");
}

TEST_F(DnsApiClientTest, NoServerIsNoAnswer) {
    select_record("www", "www");
    std::string url;
    {
        FakeDnsApi gone;
        url = gone.url();
    }
    setenv("DDNS_API_URL", url.c_str(), 1);
    UpdateOutcome outcome = DnsApiClient().update_domain_record("203.0.113.9");
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "网络请求失败");
}

TEST(UpdateAnswer, ClassifiesTheServicesAnswers) {
    struct Case {
        Text answer;
        bool ok;
        Text error;
    };
    const Case cases[] = {
        {R"({"RequestId":"A1","RecordId":"853000000000000001"})", true, ""},
        {R"({"RecordId":"1","RequestId":"A1"})", true, ""},
        {R"({"Code":"DomainRecordDuplicate","Message":"The DNS record already exists."})", true,
         ""},
        {R"({"Code":"InvalidAccessKeyId.NotFound","Message":"Specified access key is not found.","RequestId":"x"})",
         false, "InvalidAccessKeyId.NotFound Specified access key is not found."},
        {R"({"Code":"Throttling.User","Message":"请求过于频繁"})", false,
         "Throttling.User 请求过于频繁"},
        {"", false, "网络请求失败"},
        {"<html>502 Bad Gateway</html>", false, "<html>502 Bad Gateway</html>"},
        {R"(["RecordId"])", false, R"(["RecordId"])"},
        {R"({"RequestId":"A1"})", false, R"({"RequestId":"A1"})"},
    };
    for (const Case& c : cases) {
        UpdateOutcome outcome = classify_update_answer(c.answer);
        EXPECT_EQ(outcome.ok, c.ok) << c.answer;
        EXPECT_EQ(outcome.error, c.error) << c.answer;
    }
}

}  // namespace
