// The cloud DNS API client: each action builds its parameters, has them signed
// and posts them to the endpoint; the update says whether it took effect.
#pragma once

#include "base/text.h"

// The service's public endpoint; the environment variable DDNS_API_URL overrides it.
extern const Text kDefaultDnsApiUrl;
Text dns_api_url();

// The result of an update: `error` holds "Code Message", or "网络请求失败" when no
// answer came, and is empty on success.
struct UpdateOutcome {
    bool ok = false;
    Text error;
};

class DnsApiClient {
  public:
    // Signs and posts one action; the answer decoded from UTF-8 into GBK text,
    // empty when no answer came.
    Text send_action(const Text& action_parameters);
    // Points the chosen record (settings: host record, record id) at `new_ip`.
    UpdateOutcome update_domain_record(const Text& new_ip);
};
