// The cloud DNS API client: each action builds its parameters, has them signed with
// the caller's key and posts them to the caller's endpoint; the answers are classified.
#pragma once

#include <cstdint>
#include <functional>

#include "base/text.h"
#include "dnsapi/api_access.h"
#include "dnsapi/api_answer.h"
#include "dnsapi/server_clock.h"

// The service's public endpoint.
extern const Text kDefaultDnsApiUrl;

// One record as DescribeDomainRecordInfo reads it back.
struct RecordInfo {
    ApiVerdict verdict;  // success when the fields below were read
    Text rr;
    Text type;
    Text value;
    Text status;
    bool locked = false;
};

// Permanent when a record read back can no longer be kept: not an A record any more,
// locked, or disabled; success otherwise.
ApiVerdict record_state_verdict(const RecordInfo& info);

class DnsApiClient {
  public:
    // Told about a repaired clock (a line for the activity log).
    using Notice = std::function<void(const Text& line)>;

    // `clock` keeps the service's clock offset from one call to the next; it may be null.
    explicit DnsApiClient(ApiAccess access, ServerClock* clock = nullptr, Notice notice = nullptr);

    // Signs and posts one action; never follows a redirect. A time stamp refused as
    // expired is sent once more, at the time of the answer's Date header.
    ApiReply send_action(const Text& action_parameters);
    // Points record `record_id` (host record `host_record`) at `new_ip`. Success only for
    // HTTP 200 with our RecordId; a duplicate is in sync only when the record read back
    // holds `new_ip`, and a conflict otherwise.
    ApiVerdict update_domain_record(const Text& record_id, const Text& host_record,
                                    const Text& new_ip);
    RecordInfo describe_domain_record_info(const Text& record_id);

  private:
    ApiReply post(const Text& action_parameters, std::int64_t clock_offset);

    ApiAccess access_;
    ServerClock* clock_;
    Notice notice_;
};
