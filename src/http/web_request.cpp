// One complete HTTP or HTTPS exchange over the platform's HTTP transport.
#include "http/web_request.h"

#include <memory>

#include "base/header_block.h"
#include "http/http_text.h"
#include "platform/cookie_store.h"
#include "platform/http_transport.h"
#include "platform/http_url.h"
#include "platform/url_reference.h"

namespace {

const char* const kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                              "OPTIONS", "DELETE", "TRACE", "CONNECT"};
const Text kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
// The header block must fit this buffer, its terminating zero included.
constexpr std::size_t kHeaderBuffer = 5000;
constexpr int kConnectTimeoutMs = 15000;
constexpr int kExchangeTimeoutMs = 60000;

bool contains_ignoring_case(const Text& text, const Text& search) {
    return find_text(text, search, 1, true) > 0;
}

Text user_agent_of(const Text& header_text) {
    Text agent = header_value(header_text, "User-Agent").value_or(Text());
    return agent.empty() ? kDefaultUserAgent : agent;
}

void append_line(Text& header_text, const Text& line) {
    header_text += "\r\n" + line;
}

Text cookies_set_by(const Text& response_headers) {
    TextArray pairs;
    for (const Text& value : header_values(response_headers, "Set-Cookie")) {
        Text pair = trim_blanks(value.substr(0, value.find(';')));
        if (!pair.empty()) {
            pairs.push_back(pair);
        }
    }
    return join_texts(pairs, "; ");
}

}  // namespace

Bytes web_request(const Text& url, int method, const Text& body_text, Text* send_cookies,
                  Text* received_cookies, const Text& extra_headers, Text* response_headers,
                  bool no_redirect, Bytes* body_bytes, const Text& proxy, bool merge_cookies,
                  bool complete_headers, bool normalize_header_names, WebExchange* exchange) {
    if (exchange != nullptr) {
        *exchange = WebExchange();
    }
    Text header_text =
        normalize_header_names ? ::normalize_header_names(extra_headers) : extra_headers;
    if (method < 0 || method > 7) {
        method = kWebGet;
    }
    const Text verb = kVerbs[method];
    const Text sent_url = request_url(url);
    bool https = lower_text(left_text(sent_url, 8)) == "https://";
    Text user_agent = user_agent_of(header_text);

    auto session = std::make_shared<HttpSession>(user_agent);
    if (!proxy.empty()) {
        session->set_proxy(https ? proxy : "http=" + proxy);
    }
    HttpTimeouts timeouts;
    timeouts.connect = kConnectTimeoutMs;
    timeouts.total = kExchangeTimeoutMs;
    session->set_timeouts(timeouts);
    session->set_max_body_bytes(kWebRequestMaxBody);
    session->use_cookie_store(&system_cookie_store());

    // The cracker, unlike the text helpers, reads user:password@ and bracketed IPv6 hosts.
    HttpUrlParts parts;
    const Text full_url =
        https || lower_text(left_text(sent_url, 7)) == "http://" ? sent_url : "http://" + sent_url;
    if (!crack_http_url(full_url, parts)) {
        return Bytes();
    }
    auto connection = std::make_shared<HttpConnection>(session, parts.host, parts.port);
    if (!connection->valid()) {
        return Bytes();
    }
    HttpRequest request(connection, verb, parts.path.empty() ? "/" : parts.path + parts.extra,
                        https);
    request.set_automatic_cookies(send_cookies == nullptr);
    request.set_follow_redirects(!no_redirect);

    if (complete_headers) {
        if (header_text.empty()) {
            header_text = "Accept: */*";
        }
        if (!contains_ignoring_case(header_text, "Accept:")) {
            append_line(header_text, "Accept: */*");
        }
        if (!contains_ignoring_case(header_text, "Referer:")) {
            append_line(header_text, "Referer: " + sent_url);
        }
        if (!contains_ignoring_case(header_text, "Accept-Language:")) {
            append_line(header_text, "Accept-Language: zh-cn");
        }
        if (method == kWebPost && !contains_ignoring_case(header_text, "Content-Type:")) {
            append_line(header_text, "Content-Type: application/x-www-form-urlencoded");
        }
    }
    if (send_cookies != nullptr && !send_cookies->empty()) {
        append_line(header_text, find_text(*send_cookies, "Cookie:") > 0
                                     ? *send_cookies
                                     : "Cookie: " + *send_cookies);
    }
    request.add_headers(header_text, kHttpHeaderAdd);

    Bytes local_body;
    Bytes& body = body_bytes != nullptr ? *body_bytes : local_body;
    if (method == kWebGet) {
        request.send(Bytes());
    } else {
        if (body.empty()) {
            body = text_to_bytes(body_text);
        }
        request.send(body);
    }

    Bytes result = request.take_body();
    if (exchange != nullptr) {
        exchange->complete = request.error() == HttpError::none && request.status_code() > 0 &&
                             !request.body_truncated();
        exchange->status_code = request.status_code();
        exchange->raw_headers = request.raw_headers();
    }
    // A block that does not fit the header buffer reads as no headers at all.
    Text headers = request.raw_headers().size() < kHeaderBuffer ? request.raw_headers() : Text();
    if (response_headers != nullptr) {
        *response_headers = headers;
    }

    Text received = cookies_set_by(headers);
    if (merge_cookies && send_cookies != nullptr) {
        received = merge_cookie_text(*send_cookies, received);
    }
    if (received_cookies != nullptr) {
        *received_cookies = received;
    }
    return result;
}
