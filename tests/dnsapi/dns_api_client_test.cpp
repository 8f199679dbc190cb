// The DNS API client against the fake endpoint: what goes into the form body, how
// every kind of answer is classified, the record read back, and the clock repaired.
#include "dnsapi/dns_api_client.h"

#include <gtest/gtest.h>

#include "support/fake_dns_api.h"

namespace {

class DnsApiClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fake_.is_running());
        fake_.set_access_key("key-id", "key-secret");
    }

    DnsApiClient client(const Text& key_id = "key-id", const Text& secret = "key-secret") {
        return DnsApiClient({fake_.url(), key_id, secret}, &clock_,
                            [this](const Text& line) { notices_.push_back(line); });
    }

    // Adds a record with host record `rr_utf8`; returns its id.
    std::string add_record(const std::string& rr_utf8, const std::string& value = "192.0.2.1") {
        return fake_.add_record("example.com", rr_utf8, value);
    }

    FakeDnsApi fake_;
    ServerClock clock_;
    std::vector<Text> notices_;
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
        std::string id = add_record(c.rr_utf8);
        ApiVerdict verdict = client().update_domain_record(id, c.rr_gbk, "203.0.113.7");
        EXPECT_EQ(verdict.outcome, ApiOutcome::success) << c.rr_utf8 << ": " << verdict.failure;
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
    std::string id = add_record("www");
    int with_plus = 0;
    for (int i = 0; i < 40; ++i) {
        ApiVerdict verdict =
            client().update_domain_record(id, "www", "198.51.100." + std::to_string(i + 1));
        EXPECT_EQ(verdict.outcome, ApiOutcome::success) << verdict.failure;
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

TEST_F(DnsApiClientTest, ASecretOutsideAsciiIsKeyedAsUtf8) {
    fake_.set_access_key("key-id", "\xE5\xAF\x86\xE9\x92\xA5");  // 密钥
    std::string id = add_record("www");
    ApiVerdict verdict = client("key-id", "密钥").update_domain_record(id, "www", "203.0.113.7");
    EXPECT_EQ(verdict.outcome, ApiOutcome::success) << verdict.failure;
}

// Every code of the service's common table, and the answers that are no JSON error.
TEST_F(DnsApiClientTest, ClassifiesEveryKindOfAnswer) {
    struct Case {
        int status;
        std::string code;  // empty: `body` is sent as it stands
        std::string body;
        ApiOutcome outcome;
        ApiCause cause;
        Text failure;  // empty: "code message"
    };
    using O = ApiOutcome;
    using C = ApiCause;
    const Case cases[] = {
        {404, "InvalidAccessKeyId.NotFound", "", O::permanent, C::key_invalid, ""},
        {404, "InvalidAccessKeyId", "", O::permanent, C::key_invalid, ""},
        {400, "InvalidAccessKeyId.Inactive", "", O::permanent, C::key_invalid, ""},
        {400, "SignatureDoesNotMatch", "", O::permanent, C::key_invalid, ""},
        {400, "IncompleteSignature", "", O::permanent, C::key_invalid, ""},
        {403, "Forbidden", "", O::permanent, C::no_permission, ""},
        {403, "Forbidden.RAM", "", O::permanent, C::no_permission, ""},
        {403, "Forbidden.RiskControl", "", O::permanent, C::no_permission, ""},
        {403, "Forbidden.UserVerification", "", O::permanent, C::no_permission, ""},
        {403, "ActionUnauthorized", "", O::permanent, C::no_permission, ""},
        {400, "DomainRecordNotBelongToUser", "", O::permanent, C::record_gone, ""},
        {400, "IncorrectDomainUser", "", O::permanent, C::record_gone, ""},
        {400, "InvalidDomainName.NoExist", "", O::permanent, C::record_gone, ""},
        {400, "Forbidden.RecordLocked", "", O::permanent, C::record_locked, ""},
        {400, "Throttling", "", O::transient, C::none, ""},
        {400, "Throttling.User", "", O::transient, C::none, ""},
        {503, "Throttling.Api", "", O::transient, C::none, ""},
        {500, "InternalError", "", O::transient, C::none, ""},
        {503, "ServiceUnavailable", "", O::transient, C::none, ""},
        {400, "SignatureNonceUsed", "", O::transient, C::none, ""},
        {400, "ForbiddenX", "", O::transient, C::none, ""},  // not below Forbidden
        {500, "", R"({"RequestId":"A1","RecordId":"RID"})", O::transient, C::none,
         "网络请求失败（HTTP 500）"},
        {302, "", "", O::transient, C::none, "网络请求失败（HTTP 302）"},
        {200, "", "<html><body>Welcome to the hotel network</body></html>", O::transient, C::none,
         "网络请求失败（HTTP 200）"},
        {200, "", R"({"RequestId":"A1","RecordId":"another"})", O::transient, C::none,
         "网络请求失败（HTTP 200）"},
        {200, "", R"({"RequestId":"A1"})", O::transient, C::none, "网络请求失败（HTTP 200）"},
        // Cut off at 8 MiB, never parsed.
        {200, "", R"({"RecordId":"RID","Pad":")" + std::string(9 << 20, 'p') + R"("})",
         O::transient, C::none, "网络请求失败（HTTP 200）"},
    };
    std::string id = add_record("www");
    for (const Case& c : cases) {
        const std::string body =
            c.code.empty() ? c.body
                           : R"({"RequestId":"R","Code":")" + c.code + R"(","Message":"words"})";
        fake_.answer_next(c.status, body, "application/json",
                          c.status == 302 ? fake_.url() + "elsewhere" : "");
        ApiVerdict verdict = client().update_domain_record(id, "www", "203.0.113.7");
        EXPECT_EQ(verdict.outcome, c.outcome) << c.status << " " << c.code << c.body;
        EXPECT_EQ(verdict.cause, c.cause) << c.code << c.body;
        EXPECT_EQ(verdict.failure, c.failure.empty() ? Text(c.code + " words") : c.failure)
            << c.code << c.body;
        // A redirect is never followed: the fake saw the one request only.
        EXPECT_EQ(fake_.last_request().param("Action"), "UpdateDomainRecord");
    }
    EXPECT_EQ(fake_.record(id)->value, "192.0.2.1");
    EXPECT_EQ(fake_.request_count(), static_cast<int>(std::size(cases)));
}

TEST_F(DnsApiClientTest, NoAnswerIsTransient) {
    std::string id = add_record("www");
    fake_.drop_next();
    ApiVerdict dropped = client().update_domain_record(id, "www", "203.0.113.9");
    EXPECT_EQ(dropped.outcome, ApiOutcome::transient);
    EXPECT_EQ(dropped.failure, "网络请求失败（HTTP 200）");

    std::string url;
    {
        FakeDnsApi gone;
        url = gone.url();
    }
    ApiVerdict nobody =
        DnsApiClient({url, "key-id", "key-secret"}).update_domain_record(id, "www", "203.0.113.9");
    EXPECT_EQ(nobody.outcome, ApiOutcome::transient);
    EXPECT_EQ(nobody.failure, "网络请求失败");
    EXPECT_EQ(fake_.record(id)->value, "192.0.2.1");
}

TEST_F(DnsApiClientTest, ADuplicateIsInSyncOnlyWhenOurRecordHoldsTheAddress) {
    std::string ours = add_record("www", "203.0.113.7");
    ApiVerdict same = client().update_domain_record(ours, "www", "203.0.113.7");
    EXPECT_EQ(same.outcome, ApiOutcome::in_sync) << same.failure;
    EXPECT_EQ(fake_.request_count("DescribeDomainRecordInfo"), 1);

    // Another record of the same RR, type and line holds the new address.
    std::string other = add_record("www", "198.51.100.1");
    ApiVerdict conflict = client().update_domain_record(ours, "www", "198.51.100.1");
    EXPECT_EQ(conflict.outcome, ApiOutcome::permanent);
    EXPECT_EQ(conflict.cause, ApiCause::conflict);
    EXPECT_EQ(conflict.code, "DomainRecordDuplicate");
    EXPECT_EQ(fake_.record(ours)->value, "203.0.113.7");

    // The read-back fails for now: no verdict on the record, try again later.
    fake_.drop_next(1, "DescribeDomainRecordInfo");
    EXPECT_EQ(client().update_domain_record(ours, "www", "198.51.100.1").outcome,
              ApiOutcome::transient);
}

TEST_F(DnsApiClientTest, ReadsTheRecordBack) {
    std::string id = add_record("www", "203.0.113.7");
    RecordInfo info = client().describe_domain_record_info(id);
    EXPECT_EQ(info.verdict.outcome, ApiOutcome::success) << info.verdict.failure;
    EXPECT_EQ(info.rr, "www");
    EXPECT_EQ(info.type, "A");
    EXPECT_EQ(info.value, "203.0.113.7");
    EXPECT_EQ(info.status, "Enable");
    EXPECT_FALSE(info.locked);
    EXPECT_EQ(record_state_verdict(info).outcome, ApiOutcome::success);

    struct Case {
        std::function<void(FakeRecord&)> edit;
        ApiCause cause;
    };
    const Case cases[] = {
        {[](FakeRecord& r) { r.locked = true; }, ApiCause::record_locked},
        {[](FakeRecord& r) { r.status = "DISABLE"; }, ApiCause::record_disabled},
        {[](FakeRecord& r) { r.type = "CNAME"; }, ApiCause::record_gone},
    };
    for (const Case& c : cases) {
        std::string changed = add_record("www" + std::to_string(static_cast<int>(c.cause)));
        fake_.change_record(changed, c.edit);
        ApiVerdict state = record_state_verdict(client().describe_domain_record_info(changed));
        EXPECT_EQ(state.outcome, ApiOutcome::permanent);
        EXPECT_EQ(state.cause, c.cause);
    }
    fake_.remove_record(id);
    ApiVerdict gone = record_state_verdict(client().describe_domain_record_info(id));
    EXPECT_EQ(gone.cause, ApiCause::record_gone);
    EXPECT_EQ(gone.code, "DomainRecordNotBelongToUser");
}

TEST_F(DnsApiClientTest, AClockFarOffIsRepairedFromTheDateHeader) {
    const std::int64_t offsets[] = {3600, -86400};
    for (std::int64_t offset : offsets) {
        clock_ = ServerClock();
        notices_.clear();
        fake_.set_clock([offset] { return std::int64_t{std::time(nullptr)} + offset; });
        const std::string rr = "www" + std::to_string(offset);
        std::string id = add_record(rr);
        ApiVerdict verdict = client().update_domain_record(id, rr, "203.0.113.7");
        EXPECT_EQ(verdict.outcome, ApiOutcome::success) << offset << " " << verdict.failure;
        EXPECT_EQ(notices_, std::vector<Text>{"本机时间与服务器相差" +
                                              std::to_string(offset < 0 ? -offset : offset) +
                                              "秒，已按服务器时间重新提交"});
        EXPECT_NEAR(static_cast<double>(clock_.offset_seconds()), static_cast<double>(offset), 2);
        // The offset is kept: the next request is accepted at once.
        EXPECT_EQ(client().describe_domain_record_info(id).verdict.outcome, ApiOutcome::success);
        EXPECT_EQ(notices_.size(), 1u);
    }
    EXPECT_EQ(fake_.error_codes(),
              (std::vector<std::string>{"InvalidTimeStamp.Expired", "InvalidTimeStamp.Expired"}));
}

// A gateway in front of the service may add kilobytes of cookies: the answer, its
// status and its Date still count.
TEST_F(DnsApiClientTest, ALongHeaderBlockIsStillAnAnswer) {
    fake_.set_padding_header(6000);
    fake_.set_clock([] { return std::int64_t{std::time(nullptr)} + 3600; });
    std::string id = add_record("www");
    ApiVerdict verdict = client().update_domain_record(id, "www", "203.0.113.7");
    EXPECT_EQ(verdict.outcome, ApiOutcome::success) << verdict.failure;
    EXPECT_EQ(notices_.size(), 1u);  // the clock was repaired from the Date header
    EXPECT_EQ(fake_.record(id)->value, "203.0.113.7");
    EXPECT_EQ(client().describe_domain_record_info(id).value, "203.0.113.7");
}

TEST_F(DnsApiClientTest, AClockThatCannotBeRepairedIsTransient) {
    fake_.set_clock([] { return std::int64_t{std::time(nullptr)} + 7200; });
    std::string id = add_record("www");
    // No Date header: nothing to repair with.
    fake_.set_date_header(false);
    ApiVerdict undated = client().update_domain_record(id, "www", "203.0.113.7");
    EXPECT_EQ(undated.outcome, ApiOutcome::transient);
    EXPECT_EQ(undated.code, "InvalidTimeStamp.Expired");
    EXPECT_EQ(fake_.request_count(), 1);
    // A second refusal after the repair.
    fake_.set_date_header(true);
    fake_.fail_next("InvalidTimeStamp.Expired", "Specified time stamp or date value is expired.",
                    400, 2);
    ApiVerdict twice = client().update_domain_record(id, "www", "203.0.113.7");
    EXPECT_EQ(twice.outcome, ApiOutcome::transient);
    EXPECT_EQ(fake_.request_count(), 3);
    EXPECT_EQ(notices_.size(), 1u);
    EXPECT_EQ(fake_.record(id)->value, "192.0.2.1");
}

TEST(HttpDate, ReadsTheThreeForms) {
    const struct {
        Text text;
        std::optional<std::int64_t> seconds;
    } cases[] = {
        {"Fri, 11 Dec 2026 13:24:05 GMT", 1796995445},
        {"Friday, 11-Dec-26 13:24:05 GMT", 1796995445},
        {"Fri Dec 11 13:24:05 2026", 1796995445},
        {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
        {"", std::nullopt},
        {"Fri, 11 Foo 2026 13:24:05 GMT", std::nullopt},
        {"Fri, 11 Dec 2026 25:24:05 GMT", std::nullopt},
        {"yesterday", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_http_date(c.text), c.seconds) << c.text;
    }
}

}  // namespace
