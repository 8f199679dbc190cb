// The DNS API client as the program uses it: the AccessKey from the settings, the
// endpoint (DDNS_API_URL overrides the public one), the service's clock offset kept for
// the whole run, and a repaired clock reported in the activity log.
#pragma once

#include "base/text.h"
#include "dnsapi/dns_api_client.h"

Text dns_api_url();
ServerClock& server_clock();
DnsApiClient api_client();
