// The public IP probe.
#include "app/ip_probe.h"

#include "app/settings.h"
#include "base/dotted_quad.h"
#include "http/win_http_client.h"

namespace {

const Text kProbeUserAgent =
    "Mozilla/5.0 (iPhone; CPU iPhone OS 12_1_4 like Mac OS X) AppleWebKit/605.1.15 (KHTML, "
    "like Gecko) Mobile/16D57 MicroMessenger/7.0.3(0x17000321) NetType/WIFI Language/zh_CN";

constexpr std::size_t kMaxProbeBody = 1024 * 1024;

ProbeTimeouts& probe_timeouts() {
    static ProbeTimeouts timeouts;
    return timeouts;
}

}  // namespace

void set_probe_timeouts_for_testing(const ProbeTimeouts& timeouts) {
    probe_timeouts() = timeouts;
}

Text probe_public_ip() {
    const Settings& s = settings();
    if (s.current_line < 1 || s.current_line > 6) {
        return probe_ip_line(Text());
    }
    return probe_ip_line(s.line_urls[static_cast<std::size_t>(s.current_line)]);
}

Text probe_ip_line(const Text& url) {
    WinHttpClient client;
    if (url.empty()) {
        return kLineEmpty;
    }
    client.set_auto_headers(true);
    const ProbeTimeouts& t = probe_timeouts();
    client.set_timeouts(t.resolve_ms, t.connect_ms, t.send_ms, t.receive_ms);
    client.set_cookie_mode();
    // The record is an A record: a dual-stack line reached over IPv6 would show an IPv6 address.
    client.set_ipv4_only();
    client.set_deadline(t.deadline_ms);
    // An address page is small; a longer body is no address page.
    client.set_max_body_bytes(kMaxProbeBody);
    client.open("GET", url);
    client.set_user_agent(kProbeUserAgent);
    // A failed open or send leaves the body empty, which holds no address.
    client.send();
    // A body cut short could end inside the address ("198.51.100.2" of "198.51.100.234").
    if (!client.response_complete()) {
        return kLineFailed;
    }
    // An error page is no address page: a proxy's or gateway's own (often private)
    // address in it would be published as the machine's.
    const int status = client.status_code();
    if (status < 200 || status > 299) {
        return kLineFailed;
    }
    const Text address = first_dotted_quad(client.response_text_utf8());
    return address.empty() ? kLineFailed : address;
}
