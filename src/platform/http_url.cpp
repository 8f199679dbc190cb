// URL cracking for the HTTP clients.
#include "platform/http_url.h"

namespace {

bool starts_with_ignoring_case(const Text& text, const Text& prefix) {
    return lower_text(left_text(text, static_cast<int>(prefix.size()))) == prefix;
}

bool read_port(const Text& digits, int& port) {
    if (digits.empty() || digits.size() > 5) {
        return false;
    }
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) {
        return false;
    }
    port = value;
    return true;
}

}  // namespace

bool crack_http_url(const Text& url, HttpUrlParts& parts) {
    HttpUrlParts cracked;
    std::size_t rest;
    if (starts_with_ignoring_case(url, "http://")) {
        cracked.scheme = kUrlSchemeHttp;
        cracked.port = 80;
        rest = 7;
    } else if (starts_with_ignoring_case(url, "https://")) {
        cracked.scheme = kUrlSchemeHttps;
        cracked.port = 443;
        rest = 8;
    } else {
        return false;
    }
    std::size_t authority_end = url.find_first_of("/?#", rest);
    if (authority_end == Text::npos) {
        authority_end = url.size();
    }
    Text authority = url.substr(rest, authority_end - rest);
    std::size_t at = authority.rfind('@');
    if (at != Text::npos) {
        authority = authority.substr(at + 1);
    }
    Text port_text;
    if (!authority.empty() && authority[0] == '[') {
        std::size_t close = authority.find(']');
        if (close == Text::npos) {
            return false;
        }
        cracked.host = authority.substr(1, close - 1);
        Text after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') {
                return false;
            }
            port_text = after.substr(1);
        }
    } else {
        std::size_t colon = authority.find(':');
        cracked.host = authority.substr(0, colon);
        if (colon != Text::npos) {
            port_text = authority.substr(colon + 1);
        }
    }
    if (cracked.host.empty()) {
        return false;
    }
    if (!port_text.empty() && !read_port(port_text, cracked.port)) {
        return false;
    }
    std::size_t extra_start = url.find_first_of("?#", authority_end);
    if (extra_start == Text::npos) {
        extra_start = url.size();
    }
    cracked.path = url.substr(authority_end, extra_start - authority_end);
    cracked.extra = url.substr(extra_start);
    parts = cracked;
    return true;
}

Text http_url_origin(int scheme, const Text& host, int port) {
    Text origin = scheme == kUrlSchemeHttps ? "https://" : "http://";
    origin += host.find(':') != Text::npos ? "[" + host + "]" : host;
    return origin + ":" + std::to_string(port);
}
