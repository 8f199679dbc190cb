// Checks that the fake cloud DNS endpoint signs, refuses and answers as the
// service's public documentation says, with requests signed here by the
// test's own code.
#include <gtest/gtest.h>
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "support/fake_dns_api.h"
#include "support/form_codec.h"
#include "support/rpc_signature.h"

namespace {

using Params = std::map<std::string, std::string>;

// The test's own percent-encoding and signer, written from the vendor's
// description and independent of the fake's code.
std::string encode(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// Names here are plain ASCII, so the map's order is the order of the encoded names.
std::string string_to_sign(const std::string& method, const Params& params) {
    std::string joined;
    for (const auto& [name, value] : params) {
        if (name != "Signature") {
            joined += (joined.empty() ? "" : "&") + encode(name) + "=" + encode(value);
        }
    }
    return method + "&%2F&" + encode(joined);
}

std::string sign(const std::string& method, const Params& params, const std::string& secret) {
    std::string key = secret + "&";
    std::string message = string_to_sign(method, params);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &length);
    unsigned char base64[64];
    int written = EVP_EncodeBlock(base64, digest, static_cast<int>(length));
    return std::string(reinterpret_cast<char*>(base64), static_cast<size_t>(written));
}

std::string utc_stamp(std::int64_t offset_seconds = 0) {
    std::time_t now = std::time(nullptr) + offset_seconds;
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

int count_of(const std::string& text, const std::string& piece) {
    int count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

const char kChineseRr[] = "\xE4\xB8\xAD";  // the UTF-8 bytes of one Chinese character

class FakeDnsApiTest : public ::testing::Test {
  protected:
    FakeDnsApiTest() { fake.set_access_key("testid", "testsecret"); }

    Params request(const std::string& action) {
        return {{"AccessKeyId", "testid"},
                {"Action", action},
                {"Format", "JSON"},
                {"SignatureMethod", "HMAC-SHA1"},
                {"SignatureNonce", "nonce-" + std::to_string(++nonce_)},
                {"SignatureVersion", "1.0"},
                {"Timestamp", utc_stamp()},
                {"Version", "2015-01-09"}};
    }

    // Signs (unless a Signature is present) and posts every value encoded,
    // the Signature raw when asked.
    httplib::Result post(Params params, const std::string& secret = "testsecret",
                         bool raw_signature = false) {
        if (params.count("Signature") == 0) {
            params["Signature"] = sign("POST", params, secret);
        }
        std::string body;
        for (const auto& [name, value] : params) {
            bool raw = raw_signature && name == "Signature";
            body += (body.empty() ? "" : "&") + encode(name) + "=" + (raw ? value : encode(value));
        }
        return client.Post("/", body, "application/x-www-form-urlencoded");
    }

    // A request of `action` whose signature holds a "+".
    Params request_with_plus_in_signature(const std::string& action) {
        while (true) {
            Params params = request(action);
            params["Signature"] = sign("POST", params, "testsecret");
            if (params["Signature"].find('+') != std::string::npos) {
                return params;
            }
        }
    }

    FakeDnsApi fake;
    httplib::Client client{"127.0.0.1", fake.port()};
    int nonce_ = 0;
};

TEST(FakeDnsSigning, PublishedWorkedExample) {
    FormParams params = {{"Format", "XML"},
                         {"AccessKeyId", "testid"},
                         {"Action", "DescribeDomainRecords"},
                         {"SignatureMethod", "HMAC-SHA1"},
                         {"DomainName", "example.com"},
                         {"SignatureNonce", "f59ed6a9-83fc-473b-9cc6-99c95df3856e"},
                         {"SignatureVersion", "1.0"},
                         {"Version", "2015-01-09"},
                         {"Timestamp", "2016-03-24T16:41:54Z"},
                         {"Signature", "ignored"}};
    std::string expected =
        "GET&%2F&AccessKeyId%3Dtestid%26Action%3DDescribeDomainRecords%26DomainName%3Dexample.com"
        "%26Format%3DXML%26SignatureMethod%3DHMAC-SHA1%26SignatureNonce%3Df59ed6a9-83fc-473b-9cc6-"
        "99c95df3856e%26SignatureVersion%3D1.0%26Timestamp%3D2016-03-24T16%253A41%253A54Z%26Versio"
        "n%3D2015-01-09";
    EXPECT_EQ(rpc_string_to_sign("GET", params), expected);
    EXPECT_EQ(rpc_signature(expected, "testsecret"), "uRpHwaSEt3J+6KQD//svCh/x+pI=");
}

TEST(FakeDnsSigning, FormDecodingAndEncoding) {
    struct Case {
        std::string form;
        std::string value;
    };
    const Case decoded[] = {
        {"v=a+b", "a b"},
        {"v=a%2Bb", "a+b"},
        {"v=x%3Dy=z", "x=y=z"},
        {"v=%e4%b8%ad", kChineseRr},
        {"v=%D6%D0", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // GBK bytes are not UTF-8
        {"v=100%", "100%"},
    };
    for (const Case& c : decoded) {
        FormParams params = decode_form(c.form);
        ASSERT_EQ(params.size(), 1u) << c.form;
        EXPECT_EQ(params[0].second, c.value) << c.form;
    }
    EXPECT_EQ(decode_form("a=1&&b&c=").size(), 3u);
    EXPECT_EQ(rfc3986_encode("Az09-_.~ *+/=&%:"), "Az09-_.~%20%2A%2B%2F%3D%26%25%3A");
    EXPECT_EQ(rfc3986_encode(kChineseRr), "%E4%B8%AD");
}

TEST_F(FakeDnsApiTest, RawPlusInSignatureIsRefusedAndEncodedOneAccepted) {
    fake.add_domain("example.com");

    Params refused = request_with_plus_in_signature("DescribeDomains");
    auto answer = post(refused, "testsecret", /*raw_signature=*/true);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 400);
    EXPECT_NE(answer->body.find("\"Code\":\"SignatureDoesNotMatch\""), std::string::npos);
    std::string tail = "server string to sign is:" + string_to_sign("POST", refused) + "\"";
    EXPECT_NE(answer->body.find(tail), std::string::npos) << answer->body;

    answer = post(request_with_plus_in_signature("DescribeDomains"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200) << answer->body;
    EXPECT_EQ(answer->get_header_value("Content-Type"), "application/json;charset=utf-8");
    EXPECT_EQ(fake.request_count("DescribeDomains"), 2);
    EXPECT_EQ(fake.accepted_count("DescribeDomains"), 1);
    EXPECT_EQ(fake.error_codes(), std::vector<std::string>{"SignatureDoesNotMatch"});
}

TEST_F(FakeDnsApiTest, GetWithQueryStringAndPostWithoutFormType) {
    fake.add_record("example.com", "www", "192.0.2.1");
    Params params = request("DescribeDomainRecords");
    params["DomainName"] = "example.com";
    params["Signature"] = sign("GET", params, "testsecret");
    std::string query;
    for (const auto& [name, value] : params) {
        query += (query.empty() ? "?" : "&") + encode(name) + "=" + encode(value);
    }
    auto answer = client.Get(("/" + query).c_str());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200) << answer->body;
    EXPECT_EQ(fake.last_request().method, "GET");
    EXPECT_EQ(fake.last_param("DomainName"), "example.com");

    // The service reads a POST body as parameters only when it is declared a form.
    answer = client.Post("/", "Action=DescribeDomains", "text/plain");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 400);
    EXPECT_NE(answer->body.find("\"Code\":\"MissingParameter\""), std::string::npos);
    EXPECT_EQ(fake.last_request().body, "Action=DescribeDomains");
}

TEST_F(FakeDnsApiTest, RefusesAsTheServiceDoes) {
    std::string record_id = fake.add_record("example.com", "www", "192.0.2.1");
    struct Case {
        const char* what;
        std::string action;
        std::function<void(Params&)> change;
        std::string secret;
        int status;
        std::string code;
    };
    auto set = [](std::string name, std::string value) {
        return [=](Params& p) { p[name] = value; };
    };
    const Case cases[] = {
        {"accepted", "DescribeDomains", set("Format", "json"), "testsecret", 200, ""},
        {"14 minutes late", "DescribeDomains", set("Timestamp", utc_stamp(-14 * 60)), "testsecret",
         200, ""},
        {"unknown key", "DescribeDomains", set("AccessKeyId", "otherid"), "testsecret", 404,
         "InvalidAccessKeyId.NotFound"},
        {"wrong secret", "DescribeDomains", set("Format", "JSON"), "othersecret", 400,
         "SignatureDoesNotMatch"},
        {"old time stamp", "DescribeDomains", set("Timestamp", "2016-03-24T16:41:54Z"),
         "testsecret", 400, "InvalidTimeStamp.Expired"},
        {"16 minutes early", "DescribeDomains", set("Timestamp", utc_stamp(16 * 60)), "testsecret",
         400, "InvalidTimeStamp.Expired"},
        {"local time form", "DescribeDomains", set("Timestamp", "2016-03-24 16:41:54"),
         "testsecret", 400, "InvalidTimeStamp.Format"},
        {"no version", "DescribeDomains", [](Params& p) { p.erase("Version"); }, "testsecret", 400,
         "MissingParameter"},
        {"other method", "DescribeDomains", set("SignatureMethod", "HMAC-SHA256"), "testsecret",
         400, "InvalidParameter"},
        {"XML answers", "DescribeDomains", set("Format", "XML"), "testsecret", 400,
         "InvalidParameter"},
        {"page too large", "DescribeDomains", set("PageSize", "101"), "testsecret", 400,
         "InvalidParameter"},
        {"unknown action", "DeleteDomain", set("Format", "JSON"), "testsecret", 404,
         "InvalidAction.NotFound"},
        {"foreign domain", "DescribeDomainRecords", set("DomainName", "example.org"), "testsecret",
         400, "IncorrectDomainUser"},
        {"no domain", "DescribeDomainRecords", set("Format", "JSON"), "testsecret", 400,
         "MissingParameter"},
        {"foreign record", "UpdateDomainRecord",
         [](Params& p) {
             p.insert({{"RecordId", "1"}, {"RR", "www"}, {"Type", "A"}, {"Value", "192.0.2.2"}});
         },
         "testsecret", 400, "DomainRecordNotBelongToUser"},
        {"no address", "UpdateDomainRecord",
         [&](Params& p) {
             p.insert({{"RecordId", record_id}, {"RR", "www"}, {"Type", "A"}, {"Value", ""}});
         },
         "testsecret", 400, "MissingParameter"},
        {"probe sentinel as address", "UpdateDomainRecord",
         [&](Params& p) {
             p.insert({{"RecordId", record_id}, {"RR", "www"}, {"Type", "A"}, {"Value", "1.2.3"}});
         },
         "testsecret", 400, "InvalidParameter"},
    };
    for (const Case& c : cases) {
        Params params = request(c.action);
        c.change(params);
        auto answer = post(params, c.secret);
        ASSERT_TRUE(answer) << c.what;
        EXPECT_EQ(answer->status, c.status) << c.what << ": " << answer->body;
        if (c.code.empty()) {
            continue;
        }
        EXPECT_NE(answer->body.find("\"Code\":\"" + c.code + "\""), std::string::npos)
            << c.what << ": " << answer->body;
        for (const char* member :
             {"\"RequestId\":\"", "\"HostId\":\"", "\"Message\":\"", "\"Recommend\":\""}) {
            EXPECT_NE(answer->body.find(member), std::string::npos) << c.what << ": " << member;
        }
    }
    EXPECT_EQ(fake.record(record_id)->value, "192.0.2.1");
}

TEST_F(FakeDnsApiTest, NonceUsedTwiceIsRefused) {
    Params first = request("DescribeDomains");
    ASSERT_EQ(post(first)->status, 200);
    Params again = request("DescribeDomains");
    again["SignatureNonce"] = first["SignatureNonce"];
    auto answer = post(again);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 400);
    EXPECT_NE(answer->body.find("\"Code\":\"SignatureNonceUsed\""), std::string::npos);
}

TEST_F(FakeDnsApiTest, UpdateChangesTheRecordAndTheSameValueIsDuplicate) {
    std::string record_id = fake.add_record("example.com", kChineseRr, "192.0.2.1");
    fake.add_record("example.com", "www", "192.0.2.9");
    auto update = [&](const std::string& value) {
        Params params = request("UpdateDomainRecord");
        params.insert(
            {{"RecordId", record_id}, {"RR", kChineseRr}, {"Type", "A"}, {"Value", value}});
        return post(params);
    };

    auto answer = update("192.0.2.2");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200) << answer->body;
    EXPECT_NE(answer->body.find("\"RecordId\":\"" + record_id + "\""), std::string::npos);
    EXPECT_EQ(fake.record(record_id)->value, "192.0.2.2");
    EXPECT_NE(fake.last_request().body.find("RR=%E4%B8%AD"), std::string::npos);

    answer = update("192.0.2.2");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 400);
    EXPECT_NE(answer->body.find("\"Code\":\"DomainRecordDuplicate\""), std::string::npos);
    EXPECT_NE(answer->body.find("\"Message\":\"The DNS record already exists.\""),
              std::string::npos);
    EXPECT_EQ(fake.accepted_count("UpdateDomainRecord"), 1);

    // The listing carries the host record as UTF-8, TTL as a number and RecordId as a string.
    Params list = request("DescribeDomainRecords");
    list["DomainName"] = "example.com";
    answer = post(list);
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->body.find(std::string("{\"RR\":\"") + kChineseRr + "\""), std::string::npos)
        << answer->body;
    EXPECT_NE(answer->body.find("\"RecordId\":\"" + record_id + "\",\"TTL\":600,"),
              std::string::npos);
    EXPECT_NE(answer->body.find("\"Locked\":false"), std::string::npos);
}

TEST_F(FakeDnsApiTest, PagesOfSixHundredRecords) {
    for (int i = 0; i < 600; ++i) {
        fake.add_record("example.com", "host" + std::to_string(i), "192.0.2.1");
    }
    auto page = [&](const char* number, const char* size) {
        Params params = request("DescribeDomainRecords");
        params["DomainName"] = "example.com";
        if (number != nullptr) {
            params["PageNumber"] = number;
        }
        if (size != nullptr) {
            params["PageSize"] = size;
        }
        auto answer = post(params);
        return answer ? answer->body : std::string();
    };
    struct Case {
        const char* number;
        const char* size;
        int rows;
        std::string first_rr;
        std::string paging;
    };
    const Case cases[] = {
        {nullptr, nullptr, 20, "host0", "\"PageSize\":20"},
        {"1", "500", 500, "host0", "\"PageSize\":500"},
        {"2", "500", 100, "host500", "\"PageNumber\":2}"},
        {"3", "500", 0, "", "\"Record\":[]"},
    };
    for (const Case& c : cases) {
        std::string body = page(c.number, c.size);
        EXPECT_EQ(count_of(body, "\"RecordId\":"), c.rows) << (c.number ? c.number : "default");
        EXPECT_NE(body.find("\"TotalCount\":600,"), std::string::npos);
        EXPECT_NE(body.find(c.paging), std::string::npos) << body.substr(0, 200);
        if (!c.first_rr.empty()) {
            EXPECT_NE(body.find("\"Record\":[{\"RR\":\"" + c.first_rr + "\""), std::string::npos);
        }
    }
    EXPECT_NE(page("1", "501").find("\"Code\":\"InvalidParameter\""), std::string::npos);
}

TEST_F(FakeDnsApiTest, DescribeDomainsListsTheAccount) {
    std::string first_id = fake.add_domain("example.com");
    fake.add_domain("\xE4\xB8\xAD\xE6\x96\x87.com", "xn--fiq228c.com");
    auto answer = post(request("DescribeDomains"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_NE(answer->body.find("\"TotalCount\":2,"), std::string::npos);
    EXPECT_NE(answer->body.find("\"Domains\":{\"Domain\":[{\"DomainId\":\"" + first_id +
                                "\",\"DomainName\":\"example.com\""),
              std::string::npos)
        << answer->body;
    EXPECT_NE(answer->body.find("\"PunyCode\":\"xn--fiq228c.com\""), std::string::npos);
}

TEST_F(FakeDnsApiTest, ForcedFailuresComeFirstThenNormalService) {
    fake.fail_next("InternalError", "The request processing has failed.", 500, 1,
                   "DescribeDomains");
    fake.drop_next(1, "DescribeDomainRecords");
    std::vector<int> observed;
    fake.set_observer([&](const FakeRequest&, const FakeAnswer& answer) {
        observed.push_back(answer.http_status);
    });

    auto answer = post(request("DescribeDomains"));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 500);
    EXPECT_NE(answer->body.find("\"Code\":\"InternalError\""), std::string::npos);

    Params list = request("DescribeDomainRecords");
    list["DomainName"] = "example.com";
    EXPECT_FALSE(post(list)) << "a dropped connection gives no answer";

    EXPECT_EQ(post(request("DescribeDomains"))->status, 200);
    EXPECT_EQ(fake.request_count(), 3);
    EXPECT_EQ(fake.last_answer().http_status, 200);
    EXPECT_EQ(observed, (std::vector<int>{500, 0, 200}));
    fake.set_observer(nullptr);
}

// A throwaway self-signed certificate for 127.0.0.1, written as PEM files.
struct SelfSignedFiles {
    std::filesystem::path dir;
    std::string cert;
    std::string key;

    SelfSignedFiles() {
        dir = std::filesystem::temp_directory_path() /
              ("fake_dns_api_test_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        cert = (dir / "cert.pem").string();
        key = (dir / "key.pem").string();
        EVP_PKEY* pkey = EVP_EC_gen("P-256");
        X509* x509 = X509_new();
        ASN1_INTEGER_set(X509_get_serialNumber(x509), 1);
        X509_gmtime_adj(X509_getm_notBefore(x509), -3600);
        X509_gmtime_adj(X509_getm_notAfter(x509), 86400);
        X509_set_pubkey(x509, pkey);
        X509_NAME* name = X509_get_subject_name(x509);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
        X509_set_issuer_name(x509, name);
        X509_sign(x509, pkey, EVP_sha256());
        FILE* file = std::fopen(cert.c_str(), "w");
        PEM_write_X509(file, x509);
        std::fclose(file);
        file = std::fopen(key.c_str(), "w");
        PEM_write_PrivateKey(file, pkey, nullptr, nullptr, 0, nullptr, nullptr);
        std::fclose(file);
        X509_free(x509);
        EVP_PKEY_free(pkey);
    }
    ~SelfSignedFiles() { std::filesystem::remove_all(dir); }
};

TEST(FakeDnsApiHttps, ServesOverTls) {
    SelfSignedFiles files;
    FakeDnsApi fake(files.cert, files.key);
    ASSERT_TRUE(fake.is_running());
    EXPECT_EQ(fake.url(), "https://127.0.0.1:" + std::to_string(fake.port()) + "/");
    fake.set_access_key("testid", "testsecret");

    Params params = {{"AccessKeyId", "testid"},   {"Action", "DescribeDomains"},
                     {"Format", "JSON"},          {"SignatureMethod", "HMAC-SHA1"},
                     {"SignatureNonce", "tls-1"}, {"SignatureVersion", "1.0"},
                     {"Timestamp", utc_stamp()},  {"Version", "2015-01-09"}};
    params["Signature"] = sign("POST", params, "testsecret");
    std::string body;
    for (const auto& [name, value] : params) {
        body += (body.empty() ? "" : "&") + encode(name) + "=" + encode(value);
    }
    httplib::SSLClient client("127.0.0.1", fake.port());
    client.enable_server_certificate_verification(false);
    auto answer = client.Post("/", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200) << answer->body;
}

}  // namespace
