// The cloud DNS service as the fake endpoint plays it: an in-memory account,
// the request checks of the RPC API (signature, time stamp, nonce) and the
// four actions the client sends. Not thread-safe; FakeDnsApi guards it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/form_codec.h"

// Every text here is UTF-8, as on the service.
struct FakeDomain {
    std::string domain_id;
    std::string domain_name;
    std::string puny_code;
};

struct FakeRecord {
    std::string record_id;  // empty: one is made up when the record is added
    std::string domain_name;
    std::string rr;
    std::string type = "A";
    std::string value;
    std::string status =
        "ENABLE";  // the service writes ENABLE/DISABLE, its documents also Enable/Disable
    std::string line = "default";
    int ttl = 600;
    bool locked = false;
    int weight = 1;
    int priority = 10;  // sent for MX records only
};

struct FakeAnswer {
    int http_status = 200;
    std::string body;  // JSON, UTF-8
    std::string code;  // error code, empty on success
};

class FakeDnsService {
  public:
    FakeDnsService();

    void set_access_key(const std::string& id, const std::string& secret);
    // Returns the DomainId. An empty puny_code means the name itself.
    std::string add_domain(const std::string& name, const std::string& puny_code = "");
    // Adds the domain too when the account lacks it. Returns the RecordId.
    std::string add_record(FakeRecord record);
    std::optional<FakeRecord> find_record(const std::string& record_id) const;
    // Changes a record as the console would; false when there is none with that id.
    bool change_record(const std::string& record_id, const std::function<void(FakeRecord&)>& edit);
    bool remove_record(const std::string& record_id);
    std::vector<FakeRecord> records_of(const std::string& domain_name) const;
    std::vector<FakeDomain> domains() const { return domains_; }
    // Seconds since 1970 UTC that the service compares time stamps with; empty: the real clock.
    void set_clock(std::function<std::int64_t()> unix_seconds);

    // The service's own time (the clock above), as every answer's Date header says it.
    std::int64_t now() const;

    // Checks and serves one request whose parameters are already form-decoded.
    FakeAnswer handle(std::string_view method, const FormParams& params);
    FakeAnswer error(int http_status, const std::string& code, const std::string& message);

  private:
    std::optional<FakeAnswer> check_request(std::string_view method, const FormParams& params);
    FakeAnswer update_domain_record(const FormParams& params);
    FakeAnswer describe_domains(const FormParams& params);
    FakeAnswer describe_domain_records(const FormParams& params);
    FakeAnswer describe_domain_record_info(const FormParams& params);
    // Reads PageNumber and PageSize; an error answer when either is out of range.
    std::optional<FakeAnswer> read_paging(const FormParams& params, int max_size, int& number,
                                          int& size);
    const FakeDomain* find_domain(const std::string& name) const;
    std::string make_request_id();

    std::string access_key_id_;
    std::string access_secret_;
    std::vector<FakeDomain> domains_;
    std::vector<FakeRecord> records_;
    std::set<std::string> used_nonces_;
    std::function<std::int64_t()> clock_;
    std::mt19937_64 random_;
    std::uint64_t next_id_ = 1;
};
