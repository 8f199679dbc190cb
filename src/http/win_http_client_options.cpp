// WinHttpClient: request headers, cookies by mode, the cookie jar, response headers and
// cookies, proxy, credentials, raw options and the handles.
#include <utility>

#include "base/header_block.h"
#include "http/cookie_jar_text.h"
#include "http/http_text.h"
#include "http/set_cookie_walk.h"
#include "http/win_http_client.h"
#include "platform/cookie_store.h"
#include "platform/http_transport.h"

namespace {

constexpr int kOptionResolveTimeout = 2;
constexpr int kOptionConnectTimeout = 3;
constexpr int kOptionSendTimeout = 5;
constexpr int kOptionReceiveTimeout = 6;
constexpr int kOptionSecurityFlags = 31;
constexpr int kOptionDisableFeature = 63;
constexpr int kOptionMaxRedirects = 89;
constexpr std::uint32_t kDisableCookies = 1;
constexpr std::uint32_t kDisableRedirects = 2;
constexpr std::uint32_t kIgnoreCertificateFlags = 0x3300;

}  // namespace

std::shared_ptr<HttpSession> WinHttpClient::session_handle(std::shared_ptr<HttpSession> handle) {
    session_ = std::move(handle);
    return session_;
}

std::shared_ptr<HttpConnection> WinHttpClient::connection_handle(
    std::shared_ptr<HttpConnection> handle) {
    connection_ = std::move(handle);
    return connection_;
}

std::shared_ptr<HttpRequest> WinHttpClient::request_handle(std::shared_ptr<HttpRequest> handle) {
    request_ = std::move(handle);
    return request_;
}

void WinHttpClient::restart(const std::optional<Text>& user_agent) {
    close();
    open_session(user_agent);
    reset_options();
}

bool WinHttpClient::set_request_header(const Text& name, const Text& value,
                                       std::optional<unsigned> flags) {
    if (!request_ || name.empty()) {
        return false;
    }
    if (cookie_mode_ == 0 && lower_text(name) == "cookie") {
        request_->set_automatic_cookies(false);
    }
    return request_->add_headers(name + ":" + value, flags.value_or(kAdd | kReplace));
}

bool WinHttpClient::remove_request_header(const Text& name) {
    if (!request_ || name.empty()) {
        return false;
    }
    if (cookie_mode_ == 0 && lower_text(name) == "cookie") {
        request_->set_automatic_cookies(false);
    }
    return request_->add_headers(name + ":", kReplace);
}

bool WinHttpClient::set_user_agent(const std::optional<Text>& value) {
    return set_request_header("User-Agent", value.value_or(kDefaultUserAgent));
}

bool WinHttpClient::set_referer(const std::optional<Text>& value) {
    return set_request_header("Referer", value.value_or(current_url_));
}

bool WinHttpClient::set_accept(const std::optional<Text>& value) {
    return set_request_header("Accept", value.value_or("*/*"));
}

bool WinHttpClient::set_accept_language(const std::optional<Text>& value) {
    return set_request_header("Accept-Language", value.value_or("zh-cn"));
}

bool WinHttpClient::set_content_type(const std::optional<Text>& value) {
    return set_request_header("Content-Type", value.value_or("application/x-www-form-urlencoded"));
}

bool WinHttpClient::set_requested_with() {
    return set_request_header("x-requested-with", "XMLHttpRequest");
}

bool WinHttpClient::set_forwarded_for(const Text& address) {
    if (!request_) {
        return false;
    }
    return request_->add_headers("X-Forwarded-For:" + address + "\r\nCLIENT_IP:" + address +
                                     "\r\nVIA:" + address + "\r\nREMOTE_ADDR:" + address,
                                 kAdd | kReplace);
}

bool WinHttpClient::set_cookies(const Text& cookies) {
    if (cookie_mode_ == 1) {
        return merge_jar_cookies(cookies);
    }
    if (cookie_mode_ == 2) {
        return set_system_cookies(cookies);
    }
    if (!request_) {
        return false;
    }
    request_->set_automatic_cookies(false);
    return set_request_header("Cookie", cookies);
}

bool WinHttpClient::set_system_cookies(const Text& cookies) {
    if (cookies.empty()) {
        return false;
    }
    bool stored = false;
    for (const Text& raw_piece : split_text(cookies, ";")) {
        Text piece = trim_leading_blanks(raw_piece);
        int equals = find_text(piece, "=");
        if (equals < 0) {
            continue;
        }
        system_cookie_store().set_cookie(current_url_, left_text(piece, equals - 1),
                                         mid_text(piece, equals + 1));
        stored = true;
    }
    return stored;
}

bool WinHttpClient::merge_jar_cookies(const Text& cookies) {
    if (cookies.empty()) {
        return false;
    }
    CookieJarText jar(cookie_jar_);
    bool changed = false;
    for (const Text& raw_piece : split_bytes(cookies, ";")) {
        Text piece = trim_leading_blanks(raw_piece);
        std::size_t equals = piece.find('=');
        if (equals == Text::npos) {
            continue;
        }
        std::size_t at = jar.find(piece.substr(0, equals));
        if (at == CookieJarText::npos) {
            jar.append(piece);
            jar.keep_newest(kJarMaxCookies);
            changed = true;
        } else if (!jar.is_last(at)) {
            jar.replace(at, piece);
            changed = true;
        }
    }
    if (changed) {
        cookie_jar_ = jar.text();
        cookie_jar_length_ = static_cast<int>(cookie_jar_.size());
    }
    return changed;
}

bool WinHttpClient::delete_jar_cookies(const Text& names) {
    if (names.empty()) {
        return false;
    }
    CookieJarText jar(cookie_jar_);
    bool changed = false;
    for (const Text& raw_piece : split_bytes(names, ";")) {
        Text name = trim_leading_blanks(raw_piece);
        name = name.substr(0, name.find('='));
        std::size_t at = jar.find(name);
        if (at != CookieJarText::npos && !jar.is_last(at)) {
            jar.remove(at);
            changed = true;
        }
    }
    if (changed) {
        cookie_jar_ = jar.text();
        cookie_jar_length_ = static_cast<int>(cookie_jar_.size());
    }
    return changed;
}

Text WinHttpClient::cookie_jar() const {
    int count = cookie_jar_length_ - 4;
    return count > 0 ? mid_text(cookie_jar_, 3, count) : Text();
}

Text WinHttpClient::cookie_jar(const Text& jar) {
    Text stored = jar;
    if (left_text(stored, 2) != "; ") {
        stored = "; " + stored;
    }
    if (right_text(stored, 2) != "; ") {
        char last = stored.back();
        if (last != ';') {
            stored += ";";
        }
        if (last != ' ') {
            stored += " ";
        }
    }
    cookie_jar_ = stored;
    cookie_jar_length_ = static_cast<int>(cookie_jar_.size());
    return jar;
}

Text WinHttpClient::jar_cookie(const Text& name, bool with_name) const {
    if (name.empty()) {
        return Text();
    }
    CookieJarText jar(cookie_jar_);
    std::size_t at = jar.find(name);
    if (at == CookieJarText::npos) {
        return Text();
    }
    // The entry ends at the next ";", which is the separator unless the entry holds one.
    const Text& entry = jar.entry(at);
    std::size_t end = entry.find(';');
    if (end == Text::npos && jar.is_last(at)) {
        return Text();
    }
    Text pair = entry.substr(0, end);
    return with_name ? pair : pair.substr(name.size() + 1);
}

Text WinHttpClient::response_headers() const {
    return raw_headers_;
}

Text WinHttpClient::response_header(const Text& name) const {
    return header_value(raw_headers_, name).value_or(Text());
}

Text WinHttpClient::response_cookies() const {
    Text collected;
    for (const Text& pair : set_cookie_pairs(raw_headers_)) {
        if (pair.find('=') != Text::npos && !is_deleted_cookie_marker(pair)) {
            collected += pair + " ";
        }
    }
    return left_text(collected, static_cast<int>(collected.size()) - 2);
}

Text WinHttpClient::response_cookie(const Text& name) const {
    for (const Text& pair : set_cookie_pairs(raw_headers_)) {
        std::size_t equals = pair.find('=');
        if (equals != Text::npos && equal_ignoring_case(pair.substr(0, equals), name)) {
            return pair.substr(equals + 1, pair.size() - equals - 2);
        }
    }
    return Text();
}

bool WinHttpClient::set_proxy(const Text& server, const Text& user, const Text& password) {
    if (!session_) {
        return false;
    }
    if (server.empty()) {
        session_->set_proxy(Text());
        return true;
    }
    if (request_) {
        request_->set_proxy_credentials(user, password);
    } else {
        proxy_user_ = user;
        proxy_password_ = password;
        proxy_credentials_pending_ = true;
    }
    session_->set_proxy(server);
    return true;
}

bool WinHttpClient::set_credentials(const Text& user, const Text& password, int target,
                                    int scheme) {
    if (!request_) {
        return false;
    }
    if (target == 1) {
        request_->set_proxy_credentials(user, password);
    } else {
        request_->set_server_credentials(user, password, scheme);
    }
    return true;
}

bool WinHttpClient::set_option(int handle_kind, int option, std::uint32_t value, int length) {
    bool present = handle_kind == 1   ? connection_ != nullptr
                   : handle_kind == 2 ? request_ != nullptr
                                      : session_ != nullptr;
    if (!present || length != 4) {
        return false;
    }
    if (handle_kind == 2 && option == kOptionDisableFeature) {
        if ((value & kDisableCookies) != 0) {
            request_->set_automatic_cookies(false);
        }
        if ((value & kDisableRedirects) != 0) {
            request_->set_follow_redirects(false);
        }
        return true;
    }
    if (handle_kind == 2 && option == kOptionSecurityFlags) {
        request_->set_ignore_certificate_errors((value & kIgnoreCertificateFlags) != 0);
        return true;
    }
    if (handle_kind == 0 || (handle_kind != 1 && handle_kind != 2)) {
        HttpTimeouts timeouts = session_->timeouts();
        int milliseconds = static_cast<int>(value);
        switch (option) {
            case kOptionResolveTimeout:
                timeouts.resolve = milliseconds;
                break;
            case kOptionConnectTimeout:
                timeouts.connect = milliseconds;
                break;
            case kOptionSendTimeout:
                timeouts.send = milliseconds;
                break;
            case kOptionReceiveTimeout:
                timeouts.receive = milliseconds;
                break;
            case kOptionMaxRedirects:
                session_->set_max_redirects(milliseconds);
                return true;
            default:
                return false;
        }
        session_->set_timeouts(timeouts);
        return true;
    }
    return false;
}

void WinHttpClient::set_follow_redirects(bool follow) {
    no_redirects_ = !follow;
}
