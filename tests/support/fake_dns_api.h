// A fake of the cloud DNS RPC endpoint on 127.0.0.1 for end-to-end tests:
// checks requests as the service does, serves UpdateDomainRecord,
// DescribeDomains, DescribeDomainRecords and DescribeDomainRecordInfo over an
// in-memory account, dates every answer with its clock, and lets a test inspect the
// traffic and make answers fail.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_dns_service.h"
#include "support/form_codec.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

// One request as it reached the endpoint.
struct FakeRequest {
    std::string method;                                // "GET" or "POST"
    std::string target;                                // path and raw query string
    std::string content_type;                          // the Content-Type header
    std::string body;                                  // the raw body
    FormParams params;                                 // decoded query and form body, in order sent
    std::string param(const std::string& name) const;  // "" when absent
};

class FakeDnsApi {
  public:
    // Plain HTTP on a free port of 127.0.0.1.
    FakeDnsApi();
    // HTTPS with the given PEM certificate and private key files.
    FakeDnsApi(const std::string& cert_file, const std::string& key_file);
    ~FakeDnsApi();
    FakeDnsApi(const FakeDnsApi&) = delete;
    FakeDnsApi& operator=(const FakeDnsApi&) = delete;

    bool is_running() const;
    int port() const { return port_; }
    // "http://127.0.0.1:PORT/" (https for the HTTPS server).
    std::string url() const;

    // The account. Texts are UTF-8.
    void set_access_key(const std::string& id, const std::string& secret);
    std::string add_domain(const std::string& name, const std::string& puny_code = "");
    // Returns the RecordId (made up when record_id is empty); adds the domain when missing.
    std::string add_record(const std::string& domain, const std::string& rr,
                           const std::string& value, const std::string& type = "A",
                           const std::string& status = "ENABLE", const std::string& record_id = "");
    std::string add_record(const FakeRecord& record);
    std::optional<FakeRecord> record(const std::string& record_id) const;
    std::vector<FakeRecord> records(const std::string& domain) const;
    bool change_record(const std::string& record_id, const std::function<void(FakeRecord&)>& edit);
    bool remove_record(const std::string& record_id);
    // The clock time stamps are checked against and answers are dated with; empty: the
    // real UTC clock.
    void set_clock(std::function<std::int64_t()> unix_seconds);

    // Traffic. An empty action means every request.
    int request_count(const std::string& action = "") const;
    int accepted_count(const std::string& action = "") const;  // answered with HTTP 200
    std::vector<std::string> error_codes() const;  // codes of every error answer, in order
    std::vector<FakeRequest> requests() const;
    FakeRequest last_request() const;
    std::string last_param(const std::string& name) const;
    FakeAnswer last_answer() const;
    void clear_traffic();
    // Called from the server's thread once each answer is decided (status 0: dropped),
    // outside the fake's lock; an empty function stops the calls.
    void set_observer(std::function<void(const FakeRequest&, const FakeAnswer&)> observer);

    // The next `times` requests (of `action`, or any) get this error answer
    // instead of being served; they still count as requests.
    void fail_next(const std::string& code, const std::string& message, int http_status = 400,
                   int times = 1, const std::string& action = "");
    // The next `times` requests (of `action`, or any) get the status line and
    // headers, then the connection closes before the body: no usable answer.
    void drop_next(int times = 1, const std::string& action = "");
    // The next `times` requests (of `action`, or any) get this answer as it stands: any
    // status and body, a Location header when `location` is set, no Date header when
    // `dated` is false.
    void answer_next(int http_status, const std::string& body,
                     const std::string& content_type = "application/json",
                     const std::string& location = "", int times = 1,
                     const std::string& action = "", bool dated = true);
    // Answers carry no Date header while this is off.
    void set_date_header(bool on);
    // Every answer carries a header of this many bytes, as a gateway's cookies may be.
    void set_padding_header(std::size_t bytes);

  private:
    struct Fault {
        std::string action;
        bool drop = false;
        int http_status = 0;
        std::string code;
        std::string message;
        bool raw = false;  // body, content type and location as given
        std::string body;
        std::string content_type;
        std::string location;
        bool dated = true;
    };

    void start();
    void serve(const httplib::Request& req, httplib::Response& res);
    std::optional<Fault> take_fault(const std::string& action);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::atomic<bool> thread_done_{false};
    bool https_ = false;
    int port_ = -1;

    mutable std::mutex mutex_;
    FakeDnsService service_;
    std::vector<FakeRequest> requests_;
    std::vector<FakeAnswer> answers_;  // one per request; a dropped one has status 0
    std::vector<Fault> faults_;
    std::function<void(const FakeRequest&, const FakeAnswer&)> observer_;
    bool date_header_ = true;
    std::size_t padding_header_ = 0;
};
