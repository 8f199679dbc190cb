// WinHttpClient: lifecycle, open, send, reading the response and following redirects.
#include "http/win_http_client.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "base/header_block.h"
#include "http/cookie_jar_text.h"
#include "http/set_cookie_walk.h"
#include "platform/codepage.h"
#include "platform/cookie_store.h"
#include "platform/http_transport.h"
#include "platform/http_url.h"
#include "platform/url_reference.h"

namespace {

constexpr int kInitialBuffer = 10240;
constexpr int kBufferStep = 10240;
constexpr int kLargeStep = 1048576;
constexpr int kMaxRedirectHops = 20;

// Digits up to the first other byte; no digits give 0.
int read_decimal(const Text& text) {
    long long value = 0;
    for (std::size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
    }
    return static_cast<int>(value);
}

}  // namespace

WinHttpClient::WinHttpClient() {
    open_session();
    reset_options();
}

WinHttpClient::~WinHttpClient() {
    close();
}

WinHttpClient::WinHttpClient(const WinHttpClient& other)
    : host_name_(other.host_name_),
      host_port_(other.host_port_),
      current_url_(other.current_url_),
      url_scheme_(other.url_scheme_),
      is_post_(other.is_post_),
      receive_buffer_(other.receive_buffer_),
      body_length_(other.body_length_),
      content_length_(other.content_length_),
      raw_headers_(other.raw_headers_),
      auto_headers_(other.auto_headers_),
      cookie_mode_(other.cookie_mode_),
      cookie_jar_(other.cookie_jar_),
      cookie_jar_length_(other.cookie_jar_length_),
      no_redirects_(other.no_redirects_),
      redirect_count_(other.redirect_count_),
      proxy_credentials_pending_(other.proxy_credentials_pending_),
      proxy_user_(other.proxy_user_),
      proxy_password_(other.proxy_password_),
      ignore_cert_errors_(other.ignore_cert_errors_) {
    if (other.session_) {
        session_ = std::make_shared<HttpSession>(*other.session_);
    }
}

void WinHttpClient::open_session(const std::optional<Text>& user_agent) {
    session_ = std::make_shared<HttpSession>(user_agent.value_or(kDefaultUserAgent));
    receive_buffer_.assign(kInitialBuffer, 0);
    body_length_ = 0;  // the body read into the old buffer is gone with it
}

void WinHttpClient::reset_options() {
    auto_headers_ = true;
    cookie_mode_ = 0;
    ignore_cert_errors_ = true;
    cookie_jar_ = "; ";
    cookie_jar_length_ = 2;
    set_timeouts();
}

void WinHttpClient::close() {
    request_.reset();
    connection_.reset();
    session_.reset();
    receive_buffer_.clear();
    receive_buffer_.shrink_to_fit();
    body_length_ = 0;
    content_length_ = 0;
    host_port_ = 0;
    no_redirects_ = false;
    proxy_credentials_pending_ = false;
    raw_headers_.clear();
    proxy_user_.clear();
    proxy_password_.clear();
    host_name_.clear();
    current_url_.clear();
}

void WinHttpClient::set_auto_headers(bool on) {
    auto_headers_ = on;
}

void WinHttpClient::set_cookie_mode(int mode) {
    cookie_mode_ = mode < 0 || mode > 2 ? 0 : mode;
}

bool WinHttpClient::set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) {
    if (!session_) {
        return false;
    }
    HttpTimeouts timeouts = session_->timeouts();
    timeouts.resolve = resolve_ms;
    timeouts.connect = connect_ms;
    timeouts.send = send_ms;
    timeouts.receive = receive_ms;
    session_->set_timeouts(timeouts);
    return true;
}

void WinHttpClient::set_ipv4_only(bool on) {
    if (session_) {
        session_->set_ipv4_only(on);
    }
}

void WinHttpClient::set_deadline(int milliseconds) {
    if (session_) {
        session_->set_deadline(std::chrono::steady_clock::now() +
                               std::chrono::milliseconds(milliseconds));
    }
}

void WinHttpClient::set_max_body_bytes(std::size_t bytes) {
    if (session_) {
        session_->set_max_body_bytes(bytes);
    }
}

bool WinHttpClient::response_complete() const {
    return request_ && request_->status_code() > 0 && request_->error() == HttpError::none &&
           !request_->body_truncated();
}

bool WinHttpClient::open(const Text& method, const Text& url) {
    if (!session_) {
        return false;
    }
    current_url_ = request_url(url);
    if (current_url_.size() < 8 || (lower_text(left_text(current_url_, 8)) != "https://" &&
                                    lower_text(left_text(current_url_, 7)) != "http://")) {
        current_url_ = "http://" + current_url_;
    }
    HttpUrlParts parts;
    if (!crack_http_url(current_url_, parts)) {
        return false;
    }
    body_length_ = 0;
    content_length_ = 0;
    raw_headers_.clear();
    request_.reset();

    if (!connection_ || parts.host != host_name_ || parts.port != host_port_) {
        connection_ = std::make_shared<HttpConnection>(session_, parts.host, parts.port);
        if (!connection_->valid()) {
            connection_.reset();
            return false;
        }
        host_name_ = parts.host;
        host_port_ = parts.port;
    }
    Text verb = "GET";
    if (!method.empty()) {
        verb = upper_text(method);
        if (auto_headers_) {
            is_post_ = verb == "POST";
        }
    }
    Text object_name = parts.path.empty() ? Text("/") : parts.path + parts.extra;
    url_scheme_ = parts.scheme;
    request_ = std::make_shared<HttpRequest>(connection_, verb, object_name,
                                             parts.scheme == kUrlSchemeHttps);
    return true;
}

bool WinHttpClient::send(const std::optional<Text>& body, std::optional<bool> keep_cookies,
                         std::optional<int> retries) {
    return send_bytes(text_to_bytes(body.value_or(Text())), keep_cookies, retries);
}

bool WinHttpClient::send_bytes(const std::optional<Bytes>& body, std::optional<bool> keep_cookies,
                               std::optional<int> retries) {
    if (!request_) {
        return false;
    }
    const int retry_count = std::max(0, retries.value_or(0));
    int attempts = retry_count < INT_MAX ? retry_count + 1 : INT_MAX;
    apply_request_options();
    const Bytes content = body.value_or(Bytes());
    if (auto_headers_) {
        add_default_headers(!content.empty());
    }
    bool sent = false;
    for (int attempt = 0; attempt < attempts && !sent; ++attempt) {
        sent = request_->send(content);
        HttpError error = request_->error();
        if (!sent && error != HttpError::cannot_connect && error != HttpError::connection_error) {
            return false;
        }
    }
    if (!sent) {
        return false;
    }
    read_response_headers(keep_cookies.value_or(false));
    follow_redirect(keep_cookies.value_or(false), retries.value_or(0));
    return true;
}

void WinHttpClient::apply_request_options() {
    if (proxy_credentials_pending_) {
        request_->set_proxy_credentials(proxy_user_, proxy_password_);
        proxy_credentials_pending_ = false;
        proxy_user_.clear();
        proxy_password_.clear();
    }
    if (no_redirects_ || cookie_mode_ > 0) {
        request_->set_follow_redirects(false);
    }
    if (ignore_cert_errors_) {
        request_->set_ignore_certificate_errors(true);
        ignore_cert_errors_ = false;
    }
    if (cookie_mode_ != 0) {
        request_->set_automatic_cookies(false);
        if (cookie_mode_ == 1) {
            add_jar_cookie_header();
        } else {
            add_system_cookie_header();
        }
    }
}

void WinHttpClient::add_default_headers(bool has_body) {
    request_->add_headers("Accept:*/*", kAddIfNew);
    request_->add_headers("Accept-Language:zh-cn", kAddIfNew);
    request_->add_headers("Cache-Control:no-cache", kAddIfNew);
    if (is_post_ || has_body) {
        request_->add_headers("Content-Type:application/x-www-form-urlencoded", kAddIfNew);
    }
}

bool WinHttpClient::add_jar_cookie_header() {
    if (!request_) {
        return false;
    }
    return request_->add_headers("Cookie:" + cookie_jar(), kAdd | kReplace);
}

bool WinHttpClient::add_system_cookie_header() {
    Text cookies = system_cookie_store().cookies_for(current_url_);
    if (cookies.empty() || !request_) {
        return false;
    }
    return request_->add_headers("Cookie:" + cookies, kAdd | kReplace);
}

bool WinHttpClient::read_response_headers(bool keep_cookies) {
    if (!request_ || request_->raw_headers().empty()) {
        content_length_ = -1;
        return false;
    }
    raw_headers_ = request_->raw_headers();
    std::optional<Text> length = header_value(raw_headers_, "Content-Length");
    content_length_ = length ? read_decimal(*length) : -1;
    if (cookie_mode_ == 1) {
        merge_response_cookies(keep_cookies);
    } else if (cookie_mode_ == 2) {
        store_response_cookies(keep_cookies);
    }
    return true;
}

void WinHttpClient::merge_response_cookies(bool keep_cookies) {
    CookieJarText jar(cookie_jar_);
    bool changed = false;
    for (const Text& pair : set_cookie_pairs(raw_headers_)) {
        std::size_t equals = pair.find('=');
        // Browsers ignore a cookie over 4 KiB; 300 of them could otherwise make a Cookie
        // header of megabytes.
        if (equals == Text::npos || pair.size() > kJarMaxCookieBytes) {
            continue;
        }
        bool deleted = is_deleted_cookie_marker(pair);
        // The pair without its final ";" is the jar's entry.
        const Text entry = pair.substr(0, pair.size() - 1);
        std::size_t at = jar.find(pair.substr(0, equals));
        if (at == CookieJarText::npos) {
            if (!deleted) {
                jar.append(entry);
                jar.keep_newest(kJarMaxCookies);
                changed = true;
            }
            continue;
        }
        if ((keep_cookies && entry.size() == equals + 1) || jar.is_last(at)) {
            continue;
        }
        if (deleted) {
            if (!keep_cookies) {
                jar.remove(at);
                changed = true;
            }
            continue;
        }
        jar.replace(at, entry);
        changed = true;
    }
    if (changed) {
        cookie_jar_ = jar.text();
        cookie_jar_length_ = static_cast<int>(cookie_jar_.size());
    }
}

void WinHttpClient::store_response_cookies(bool keep_cookies) {
    for (const Text& pair : set_cookie_pairs(raw_headers_)) {
        int equals = find_text(pair, "=");
        if (equals < 0) {
            continue;
        }
        Text name = left_text(pair, equals - 1);
        Text value = mid_text(pair, equals + 1, static_cast<int>(pair.size()) - equals - 1);
        if (is_deleted_cookie_marker(pair)) {
            if (!keep_cookies) {
                system_cookie_store().set_cookie(current_url_, name, Text());
            }
            continue;
        }
        if (keep_cookies && value.find_first_not_of(' ') == Text::npos) {
            continue;
        }
        system_cookie_store().set_cookie(current_url_, name, value);
    }
}

void WinHttpClient::follow_redirect(bool keep_cookies, int retries) {
    if (cookie_mode_ == 0 || no_redirects_) {
        return;
    }
    Text location = redirect_location(true);
    // A browser follows no Location to another scheme either.
    HttpUrlParts target;
    if (location.empty() || !crack_http_url(location, target)) {
        redirect_count_ = 0;
        return;
    }
    if (++redirect_count_ > kMaxRedirectHops) {
        redirect_count_ = 0;
        return;
    }
    if (open(Text(), location)) {
        send(std::nullopt, keep_cookies, retries);
    }
}

Text WinHttpClient::redirect_location(bool absolute) const {
    Text value = header_value(raw_headers_, "Location").value_or(Text());
    if (value.empty() || !absolute) {
        return value;
    }
    // Bytes a browser would not send as they are (raw UTF-8, blanks) go out escaped.
    return resolve_reference(current_url_, escape_url_bytes(value));
}

Bytes WinHttpClient::response_body() {
    if (!request_ || content_length_ == 0) {
        return Bytes();
    }
    if (body_length_ > 0 && static_cast<std::size_t>(body_length_) <= receive_buffer_.size()) {
        return Bytes(receive_buffer_.begin(), receive_buffer_.begin() + body_length_);
    }
    std::size_t capacity = content_length_ == -1 ? kInitialBuffer
                           : content_length_ > kLargeStep
                               ? kLargeStep
                               : static_cast<std::size_t>(content_length_);
    receive_buffer_.resize(capacity);
    std::size_t total = 0;
    for (;;) {
        std::size_t available = request_->available();
        if (available < 1) {
            break;
        }
        std::size_t needed = total + available;
        if (needed > capacity) {
            std::size_t declared =
                content_length_ < 0 ? 0 : static_cast<std::size_t>(content_length_);
            if (content_length_ == -1 || declared < needed) {
                capacity = needed + kBufferStep;
            } else if (declared - needed > kLargeStep) {
                capacity = needed + kLargeStep;
            } else {
                capacity = declared;
            }
            receive_buffer_.resize(capacity);
        }
        std::size_t read = request_->read(receive_buffer_.data() + total, capacity - total);
        if (read == 0) {
            break;
        }
        total += read;
    }
    body_length_ = static_cast<int>(total);
    return Bytes(receive_buffer_.begin(), receive_buffer_.begin() + static_cast<long>(total));
}

Text WinHttpClient::response_text() {
    return bytes_to_text(response_body());
}

Text WinHttpClient::response_text_utf8() {
    Bytes body = response_body();
    if (body.empty()) {
        return Text();
    }
    WideText wide = multibyte_to_wide(kCodePageUtf8, Text(body.begin(), body.end()));
    std::size_t nul = wide.find(u'\0');
    if (nul != WideText::npos) {
        wide.resize(nul);
    }
    return wide_to_multibyte(kCodePageGbk, wide);
}

int WinHttpClient::status_code() const {
    return request_ ? request_->status_code() : 0;
}

Text WinHttpClient::status_text() const {
    return request_ ? request_->status_text() : Text();
}
