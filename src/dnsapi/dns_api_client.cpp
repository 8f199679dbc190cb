// The cloud DNS API client: sending an action and the update action.
#include "dnsapi/dns_api_client.h"

#include "app/settings.h"
#include "crypto/code_page_steps.h"
#include "crypto/percent_encode.h"
#include "dnsapi/api_answer.h"
#include "dnsapi/signing.h"
#include "http/web_request.h"
#include "platform/environment.h"

const Text kDefaultDnsApiUrl = "https://alidns.aliyuncs.com/";

namespace {

// Values go into the form body percent-encoded over UTF-8, as the service decodes them.
Text encoded(const Text& value) {
    return percent_encode(value, true, true);
}

}  // namespace

Text dns_api_url() {
    Text url = environment_variable("DDNS_API_URL");
    return url.empty() ? kDefaultDnsApiUrl : url;
}

Text DnsApiClient::send_action(const Text& action_parameters) {
    Text body = sign_request(action_parameters);
    Bytes answer = web_request(dns_api_url(), kWebPost, body);
    // The service answers in UTF-8; the program's texts are GBK.
    return from_wide_text(to_wide_text(bytes_to_text(answer), kCodePageUtf8), kCodePageGbk);
}

UpdateOutcome DnsApiClient::update_domain_record(const Text& new_ip) {
    const Settings& s = settings();
    Text parameters = "&Action=UpdateDomainRecord&Value=" + encoded(new_ip) +
                      "&Type=A&RR=" + encoded(s.host_record) + "&RecordId=" + encoded(s.record_id);
    return classify_update_answer(send_action(parameters));
}
