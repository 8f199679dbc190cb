// Signed request bodies: string to sign, signature and piece order for fixed
// settings, nonce and instant. Expected signatures were computed independently
// (Python hmac/base64 over urllib-quoted text).
#include "dnsapi/signing.h"

#include <gtest/gtest.h>

#include "crypto/percent_encode.h"
#include "platform/clock.h"
#include "platform/random.h"

namespace {

class Signing : public ::testing::Test {
  protected:
    void SetUp() override {
        set_random_for_testing([] { return 0.123456789012345; });
        set_clock_for_testing([] { return std::int64_t{1614567600}; });  // 2021-03-01 03:00 UTC
    }
    void TearDown() override {
        set_random_for_testing(nullptr);
        set_clock_for_testing(nullptr);
    }
};

const ApiAccess kAccess = {"", "testid", "testsecret"};
const Text kListRecords = "&Action=DescribeDomainRecords&DomainName=example.com";
const Text kListRecordsCanonical =
    "AccessKeyId=testid&Action=DescribeDomainRecords&DomainName=example.com&Format=json&"
    "SignatureMethod=HMAC-SHA1&SignatureNonce=0.123456789012345&SignatureVersion=1.0&"
    "Timestamp=2021-03-01T03%3A00%3A00Z&Version=2015-01-09";

TEST_F(Signing, WritesCommonParametersInTheirOrder) {
    EXPECT_EQ(common_parameters("testid"),
              "AccessKeyId=testid&Format=json&SignatureMethod=HMAC-SHA1&"
              "SignatureNonce=0.123456789012345&SignatureVersion=1.0&"
              "Timestamp=2021-03-01T03%3A00%3A00Z&Version=2015-01-09");
}

TEST_F(Signing, SignsTheEncodedCanonicalQueryUnderSecretAndAmpersand) {
    const Text query = common_parameters("testid") + kListRecords;
    EXPECT_EQ(string_to_sign("POST", query),
              "POST&%2F&AccessKeyId%3Dtestid%26Action%3DDescribeDomainRecords%26DomainName%"
              "3Dexample.com%26Format%3Djson%26SignatureMethod%3DHMAC-SHA1%26SignatureNonce%3D0."
              "123456789012345%26SignatureVersion%3D1.0%26Timestamp%3D2021-03-01T03%253A00%"
              "253A00Z%26Version%3D2015-01-09");

    const struct {
        Text secret;
        const char* signature;
    } cases[] = {
        {"testsecret", "zkvqQmEki+PBv2xGuFsoP5E9TnA="},
        {"", "qJ8aWQN8Qg6hAt48qN0jjnv6rP8="},  // key is the single byte "&"
        // 密钥 in GBK is keyed as its UTF-8 bytes, as the service keys it.
        {"\xC3\xDC\xD4\xBF", "cRidvOZvzqoZwgPTWw7hSCP/Gf4="},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compute_signature(c.secret, query), c.signature) << c.secret;
    }
}

TEST_F(Signing, MatchesTheServicesPublishedGetExample) {
    const Text query =
        "Format=XML&Action=DescribeDomainRecords&SignatureMethod=HMAC-SHA1&"
        "DomainName=example.com&SignatureNonce=f59ed6a9-83fc-473b-9cc6-99c95df3856e&"
        "SignatureVersion=1.0&Version=2015-01-09&Timestamp=2016-03-24T16%3A41%3A54Z&"
        "AccessKeyId=testid";
    EXPECT_EQ(canonical_query(query),
              "AccessKeyId=testid&Action=DescribeDomainRecords&DomainName=example.com&"
              "Format=XML&SignatureMethod=HMAC-SHA1&"
              "SignatureNonce=f59ed6a9-83fc-473b-9cc6-99c95df3856e&SignatureVersion=1.0&"
              "Timestamp=2016-03-24T16%3A41%3A54Z&Version=2015-01-09");
    const Text signature = compute_signature_for_method("testsecret", "GET", query);
    EXPECT_EQ(signature, "uRpHwaSEt3J+6KQD//svCh/x+pI=");
    EXPECT_EQ(percent_encode(signature, true), "uRpHwaSEt3J%2B6KQD%2F%2FsvCh%2Fx%2BpI%3D");
}

TEST_F(Signing, BodyHoldsEveryPieceSortedWithTheSignatureEscaped) {
    const Text body = sign_request(kAccess, kListRecords);
    EXPECT_EQ(body,
              "AccessKeyId=testid&Action=DescribeDomainRecords&DomainName=example.com&"
              "Format=json&Signature=zkvqQmEki%2BPBv2xGuFsoP5E9TnA%3D&SignatureMethod=HMAC-SHA1&"
              "SignatureNonce=0.123456789012345&SignatureVersion=1.0&"
              "Timestamp=2021-03-01T03%3A00%3A00Z&Version=2015-01-09");
    EXPECT_EQ(compute_signature("testsecret", kListRecordsCanonical),
              "zkvqQmEki+PBv2xGuFsoP5E9TnA=");
}

TEST_F(Signing, SignsWithTheKeyAndClockItIsGiven) {
    const Text first = sign_request(kAccess, kListRecords);
    const Text second = sign_request({"", "otherid", "othersecret"}, kListRecords);
    EXPECT_EQ(left_text(second, 20), "AccessKeyId=otherid&");
    auto signature_of = [](const Text& body) {
        const int at = find_text(body, "&Signature=");
        return mid_text(body, at, find_text(body, "&", at + 1) - at);
    };
    EXPECT_NE(signature_of(first), signature_of(second));
    // The service's clock an hour ahead of ours.
    EXPECT_NE(find_text(sign_request(kAccess, kListRecords, 3600),
                        "&Timestamp=2021-03-01T04%3A00%3A00Z&"),
              -1);
}

TEST_F(Signing, ListsTheBodyPiecesOfEachActionInCanonicalOrder) {
    const struct {
        Text action_parameters;
        TextArray names;
    } cases[] = {
        {"&Action=UpdateDomainRecord&Value=203.0.113.7&Type=A&RR=" +
             percent_encode("\xD6\xD0_x", true, true) + "&RecordId=123456",
         {"AccessKeyId", "Action", "Format", "RR", "RecordId", "Signature", "SignatureMethod",
          "SignatureNonce", "SignatureVersion", "Timestamp", "Type", "Value", "Version"}},
        {"&Action=DescribeDomains&PageSize=100",
         {"AccessKeyId", "Action", "Format", "PageSize", "Signature", "SignatureMethod",
          "SignatureNonce", "SignatureVersion", "Timestamp", "Version"}},
        {kListRecords,
         {"AccessKeyId", "Action", "DomainName", "Format", "Signature", "SignatureMethod",
          "SignatureNonce", "SignatureVersion", "Timestamp", "Version"}},
    };
    for (const auto& c : cases) {
        TextArray names;
        for (const Text& piece : split_text(sign_request(kAccess, c.action_parameters), "&")) {
            names.push_back(left_text(piece, find_text(piece, "=") - 1));
        }
        EXPECT_EQ(names, c.names) << c.action_parameters;
    }
}

}  // namespace
