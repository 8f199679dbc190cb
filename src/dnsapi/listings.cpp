// The DNS API listing actions.
#include "dnsapi/listings.h"

#include <string>
#include <vector>

#include "crypto/percent_encode.h"
#include "dnsapi/api_answer.h"
#include "platform/codepage.h"

namespace {

const Text kFailed = "获取失败：";
// A server that keeps claiming more items must not keep us reading forever.
constexpr int kMaxPages = 200;

int& page_cap() {
    static int cap = kMaxPages;
    return cap;
}

Listing failed_listing(const Text& reason) {
    Listing listing;
    listing.items = JsonDocument(JsonValue::array());
    listing.error = kFailed + reason;
    return listing;
}

// Sends the action page by page (PageNumber 1, 2, ...) until TotalCount elements
// are read or a page comes back empty, and gathers the elements of `list_path`.
Listing list_every_page(DnsApiClient& client, const Text& action_parameters, const Text& list_path,
                        int page_size) {
    std::vector<JsonValue> elements;
    bool more = false;
    for (int page = 1; page <= page_cap(); ++page) {
        const ApiReply reply =
            client.send_action(action_parameters + "&PageSize=" + std::to_string(page_size) +
                               "&PageNumber=" + std::to_string(page));
        const ApiVerdict verdict = classify_reply(reply);
        if (verdict.outcome != ApiOutcome::success) {
            return failed_listing(verdict.failure);
        }
        JsonDocument document;
        document.parse_utf8(reply_text(reply));
        if (!document.exists(list_path)) {
            // A first page without a list is an empty account; a later one is no page of
            // this listing, and the rows before it would pass for all of them.
            if (page > 1) {
                return failed_listing(no_answer_failure(reply.http_status));
            }
            break;
        }
        const JsonValue list = document.get_object(list_path).engine();
        // More rows than asked for is no page of this listing, and would let 200 pages
        // hold millions of rows.
        if (list.type() == JsonType::Array &&
            list.elements().size() > static_cast<std::size_t>(page_size)) {
            return failed_listing(no_answer_failure(reply.http_status));
        }
        const std::size_t read_before = elements.size();
        if (list.type() == JsonType::Array) {
            elements.insert(elements.end(), list.elements().begin(), list.elements().end());
        }
        const double total = document.get_number("TotalCount");
        if (elements.size() == read_before || static_cast<double>(elements.size()) >= total) {
            more = false;
            break;
        }
        more = true;
    }
    Listing listing;
    // Stopped at the page cap with more announced: say so rather than look complete.
    if (more) {
        listing.notice = "记录过多，仅显示前" + std::to_string(elements.size()) + "条";
    }
    listing.items = JsonDocument(JsonValue::array(std::move(elements)));
    return listing;
}

}  // namespace

void set_listing_page_cap_for_testing(int pages) {
    page_cap() = pages > 0 ? pages : kMaxPages;
}

Listing describe_domains(DnsApiClient& client) {
    Listing listing =
        list_every_page(client, "&Action=DescribeDomains", "Domains.Domain", kDomainPageSize);
    // A name GBK cannot hold (한국.kr) would reach the window as "??.kr" and could not be
    // listed again: such a domain goes by its PunyCode, which the service also accepts.
    std::vector<JsonValue> domains = listing.items.engine().elements();
    for (JsonValue& domain : domains) {
        const JsonValue* name = domain.member("DomainName");
        const JsonValue* puny = domain.member("PunyCode");
        if (name != nullptr && puny != nullptr && name->type() == JsonType::String &&
            puny->type() == JsonType::String && !puny->as_string().empty() &&
            gbk_to_utf8_text(utf8_to_gbk_text(name->as_string())) != name->as_string()) {
            domain.set_member("DomainName", *puny);
        }
    }
    listing.items = JsonDocument(JsonValue::array(std::move(domains)));
    return listing;
}

Listing describe_domain_records(DnsApiClient& client, const Text& domain) {
    // Encoded like the host record of an update, so that a Chinese domain name
    // reaches the service as the UTF-8 it signs.
    return list_every_page(
        client, "&Action=DescribeDomainRecords&DomainName=" + percent_encode(domain, true, true),
        "DomainRecords.Record", kRecordPageSize);
}

Text strip_quotes(const Text& text) {
    return replace_text(text, "\"", "");
}
