// The two listing actions of the DNS API: the account's domains and one
// domain's records, every page read, with the failure text the user is shown.
#pragma once

#include "base/text.h"
#include "dnsapi/dns_api_client.h"
#include "script/json_document.h"

struct Listing {
    // An array of the listed elements: every page's, in the service's order.
    JsonDocument items;
    // Empty when the listing succeeded; otherwise "获取失败：" and the reason, and
    // `items` is an empty array.
    Text error;
    // Set when the listing stopped at its cap of 200 pages with more items announced:
    // "记录过多，仅显示前" + the count read + "条".
    Text notice;
};

// Tests lower the cap of 200 pages; 0 restores it.
void set_listing_page_cap_for_testing(int pages);

inline constexpr int kDomainPageSize = 100;
inline constexpr int kRecordPageSize = 500;

// DescribeDomains: elements of "Domains.Domain", each with "DomainName" (its PunyCode
// when GBK cannot hold the name).
Listing describe_domains(DnsApiClient& client);
// DescribeDomainRecords of `domain`: elements of "DomainRecords.Record", each with
// "RR", "Type", "Value", "TTL", "Status" and "RecordId".
Listing describe_domain_records(DnsApiClient& client, const Text& domain);

// `text` with every double-quote character removed: a member's JSON text read as
// plain text ("600" stays 600, "\"www\"" becomes www).
Text strip_quotes(const Text& text);
