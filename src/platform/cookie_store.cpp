// Cookie stores by URL host and path.
#include "platform/cookie_store.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

#include "platform/clock.h"
#include "platform/http_url.h"

namespace {

constexpr std::size_t kMaxCookieBytes = 4096;

// Browsers keep no cookie longer than 400 days; this also keeps the expiry from overflowing.
constexpr long long kMaxLifetime = 400LL * 24 * 3600;

bool domain_matches(const Text& host, const Text& domain) {
    if (host == domain) {
        return true;
    }
    return host.size() > domain.size() &&
           host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

bool path_matches(const Text& request_path, const Text& cookie_path) {
    if (request_path.compare(0, cookie_path.size(), cookie_path) != 0) {
        return false;
    }
    return request_path.size() == cookie_path.size() || cookie_path.back() == '/' ||
           request_path[cookie_path.size()] == '/';
}

Text default_path(const Text& request_path) {
    std::size_t slash = request_path.rfind('/');
    if (request_path.empty() || request_path[0] != '/' || slash == 0) {
        return "/";
    }
    return request_path.substr(0, slash);
}

}  // namespace

bool CookieStore::set_cookie(const Text& url, const Text& name, const Text& data) {
    return set_from_header(url, name.empty() ? data : name + "=" + data);
}

bool CookieStore::set_from_header(const Text& url, const Text& header_value) {
    // Browsers ignore a cookie over 4 KiB.
    if (header_value.size() > kMaxCookieBytes) {
        return false;
    }
    HttpUrlParts parts;
    if (!crack_http_url(url, parts)) {
        return false;
    }
    TextArray pieces = split_bytes(header_value, ";");
    if (pieces.empty()) {
        return false;
    }
    std::size_t equals = pieces[0].find('=');
    if (equals == Text::npos) {
        return false;
    }
    Cookie cookie;
    cookie.name = trim_blanks(pieces[0].substr(0, equals));
    cookie.value = trim_blanks(pieces[0].substr(equals + 1));
    if (cookie.name.empty()) {
        return false;
    }
    Text host = lower_text(parts.host);
    cookie.domain = host;
    cookie.path = default_path(parts.path);
    bool remove = false;
    const std::time_t now = static_cast<std::time_t>(utc_now_seconds());
    bool has_max_age = false;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        Text attribute = pieces[i];
        std::size_t eq = attribute.find('=');
        Text key = lower_text(trim_blanks(attribute.substr(0, eq)));
        Text value = eq == Text::npos ? Text() : trim_blanks(attribute.substr(eq + 1));
        if (key == "domain" && !value.empty()) {
            Text domain = lower_text(value[0] == '.' ? value.substr(1) : value);
            if (!domain_matches(host, domain)) {
                return false;
            }
            cookie.domain = domain;
            cookie.host_only = false;
        } else if (key == "path" && !value.empty() && value[0] == '/') {
            cookie.path = value;
        } else if (key == "secure") {
            cookie.secure = true;
        } else if (key == "max-age" && !value.empty()) {
            long long seconds = std::strtoll(value.c_str(), nullptr, 10);
            has_max_age = true;
            remove = seconds <= 0;
            cookie.has_expiry = true;
            cookie.expires = now + static_cast<std::time_t>(std::clamp(seconds, 0LL, kMaxLifetime));
        } else if (key == "expires" && !has_max_age) {
            std::time_t when = curl_getdate(value.c_str(), nullptr);
            if (when != -1) {
                cookie.has_expiry = true;
                cookie.expires = when;
                remove = when <= now;
            }
        }
    }
    drop_expired(now);
    auto existing = by_key_.find(key_of(cookie));
    if (remove) {
        if (existing != by_key_.end()) {
            erase(existing->second);
        }
        return true;
    }
    if (existing != by_key_.end()) {
        // A cookie set again keeps its place (and age) among the others.
        cookie.order = existing->second->order;
        *existing->second = cookie;
        return true;
    }
    make_room(cookie.domain);
    cookie.order = next_order_++;
    cookies_.push_back(cookie);
    by_key_.emplace(key_of(cookie), std::prev(cookies_.end()));
    ++per_domain_[cookie.domain];
    return true;
}

Text CookieStore::key_of(const Cookie& cookie) {
    // Lengths in front keep "a" + "bc" apart from "ab" + "c".
    return std::to_string(cookie.name.size()) + ":" + cookie.name +
           std::to_string(cookie.domain.size()) + ":" + cookie.domain + cookie.path;
}

void CookieStore::erase(Cookies::iterator cookie) {
    by_key_.erase(key_of(*cookie));
    auto count = per_domain_.find(cookie->domain);
    if (count != per_domain_.end() && --count->second == 0) {
        per_domain_.erase(count);
    }
    cookies_.erase(cookie);
}

// Expired cookies are dropped once a second at most, so a store kept for months stays
// small and a flood of cookies does not walk the store for each one.
void CookieStore::drop_expired(std::time_t now) {
    if (now == swept_at_) {
        return;
    }
    swept_at_ = now;
    for (auto it = cookies_.begin(); it != cookies_.end();) {
        auto next = std::next(it);
        if (it->has_expiry && it->expires <= now) {
            erase(it);
        }
        it = next;
    }
}

void CookieStore::make_room(const Text& domain) {
    auto count = per_domain_.find(domain);
    if (count != per_domain_.end() && count->second >= kMaxPerDomain) {
        erase(std::find_if(cookies_.begin(), cookies_.end(),
                           [&](const Cookie& cookie) { return cookie.domain == domain; }));
    }
    if (cookies_.size() >= kMaxCookies) {
        erase(cookies_.begin());
    }
}

Text CookieStore::cookies_for(const Text& url) const {
    HttpUrlParts parts;
    if (!crack_http_url(url, parts)) {
        return Text();
    }
    Text host = lower_text(parts.host);
    Text path = parts.path.empty() ? "/" : parts.path;
    const std::time_t now = static_cast<std::time_t>(utc_now_seconds());
    std::vector<const Cookie*> visible;
    for (const Cookie& cookie : cookies_) {
        bool host_ok =
            cookie.host_only ? host == cookie.domain : domain_matches(host, cookie.domain);
        if (host_ok && path_matches(path, cookie.path) &&
            (!cookie.secure || parts.scheme == kUrlSchemeHttps) &&
            (!cookie.has_expiry || cookie.expires > now)) {
            visible.push_back(&cookie);
        }
    }
    std::stable_sort(visible.begin(), visible.end(), [](const Cookie* a, const Cookie* b) {
        return a->path.size() != b->path.size() ? a->path.size() > b->path.size()
                                                : a->order < b->order;
    });
    TextArray pairs;
    for (const Cookie* cookie : visible) {
        pairs.push_back(cookie->name + "=" + cookie->value);
    }
    return join_texts(pairs, "; ");
}

void CookieStore::clear() {
    cookies_.clear();
    by_key_.clear();
    per_domain_.clear();
}

CookieStore& system_cookie_store() {
    static CookieStore store;
    return store;
}
