// The program's DNS API client, made from the settings record.
#include "app/api_session.h"

#include "app/activity_log.h"
#include "app/settings.h"
#include "platform/environment.h"

Text dns_api_url() {
    Text url = environment_variable("DDNS_API_URL");
    return url.empty() ? kDefaultDnsApiUrl : url;
}

ServerClock& server_clock() {
    static ServerClock clock;
    return clock;
}

DnsApiClient api_client() {
    const Settings& s = settings();
    return DnsApiClient({dns_api_url(), s.access_key_id, s.access_secret}, &server_clock(),
                        [](const Text& line) { log_line(line); });
}
