// A reusable HTTP and HTTPS client object: one session, at most one connection and one
// request, its own cookie jar and redirect following (the IP probe's client).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "base/text.h"
#include "platform/http_header_flags.h"

class HttpSession;
class HttpConnection;
class HttpRequest;

class WinHttpClient {
  public:
    static constexpr const char* kDefaultUserAgent =
        "Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2)";
    // Header flags of set_request_header.
    static constexpr unsigned kAddIfNew = kHttpHeaderAddIfNew;
    static constexpr unsigned kAdd = kHttpHeaderAdd;
    static constexpr unsigned kReplace = kHttpHeaderReplace;
    // Browsers keep 50 cookies per host and 300 in all, dropping the oldest. The jar knows
    // no hosts (each of its cookies goes to every host the object talks to), so it keeps
    // the 300 that arrived last.
    static constexpr std::size_t kJarMaxCookies = 300;
    static constexpr std::size_t kJarMaxCookieBytes = 4096;

    WinHttpClient();
    ~WinHttpClient();
    // The copy gets its own session with the same settings, and no connection or request.
    WinHttpClient(const WinHttpClient& other);
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    void open_session(const std::optional<Text>& user_agent = std::nullopt);
    void close();
    void reset_options();
    void merge_response_cookies(bool keep_cookies);
    void store_response_cookies(bool keep_cookies);
    bool set_system_cookies(const Text& cookies);
    bool add_jar_cookie_header();
    bool add_system_cookie_header();
    void add_default_headers(bool has_body);
    void apply_request_options();
    bool read_response_headers(bool keep_cookies);
    void follow_redirect(bool keep_cookies, int retries);
    // Without an argument: the handle. With one: it replaces the field (the old handle is
    // not closed by us; whoever still holds it keeps it) and is returned.
    std::shared_ptr<HttpSession> session_handle() const { return session_; }
    std::shared_ptr<HttpSession> session_handle(std::shared_ptr<HttpSession> handle);
    std::shared_ptr<HttpConnection> connection_handle() const { return connection_; }
    std::shared_ptr<HttpConnection> connection_handle(std::shared_ptr<HttpConnection> handle);
    std::shared_ptr<HttpRequest> request_handle() const { return request_; }
    std::shared_ptr<HttpRequest> request_handle(std::shared_ptr<HttpRequest> handle);
    void set_auto_headers(bool on = true);
    // 0: the session's own cookies; 1: the object's jar; 2: the process cookie store.
    void set_cookie_mode(int mode = 1);
    void restart(const std::optional<Text>& user_agent = std::nullopt);
    // Blanks at either end of the URL are dropped; other blanks and non-ASCII characters
    // are sent percent-encoded (current_url() is the URL so sent).
    bool open(const Text& method, const Text& url);
    bool open(const Text& url) { return open("GET", url); }
    bool send(const std::optional<Text>& body = std::nullopt,
              std::optional<bool> keep_cookies = std::nullopt,
              std::optional<int> retries = std::nullopt);
    bool send_bytes(const std::optional<Bytes>& body = std::nullopt,
                    std::optional<bool> keep_cookies = std::nullopt,
                    std::optional<int> retries = std::nullopt);
    Bytes response_body();
    Text response_text();
    // The body decoded from UTF-8 into GBK, whatever charset the response declares.
    Text response_text_utf8();
    int status_code() const;
    Text status_text() const;
    Text response_headers() const;
    Text response_header(const Text& name) const;
    Text response_cookies() const;
    Text response_cookie(const Text& name) const;
    // With `absolute`, resolved against current_url() as RFC 3986 says, raw bytes escaped.
    Text redirect_location(bool absolute = false) const;
    bool set_timeouts(int resolve_ms = 10000, int connect_ms = 15000, int send_ms = 120000,
                      int receive_ms = 300000);
    bool set_proxy(const Text& server, const Text& user, const Text& password);
    bool set_credentials(const Text& user, const Text& password, int target = 0, int scheme = 1);
    // Handle kind 1: connection, 2: request, other: session. Understood options: 2, 3, 5, 6
    // (time-outs), 31 (security flags), 63 (disable cookies 1 / redirects 2), 89 (redirect hops).
    bool set_option(int handle_kind, int option, std::uint32_t value, int length);
    bool set_option(int option, std::uint32_t value, int length) {
        return set_option(0, option, value, length);
    }
    void set_follow_redirects(bool follow = true);
    bool set_request_header(const Text& name, const Text& value,
                            std::optional<unsigned> flags = std::nullopt);
    bool remove_request_header(const Text& name);
    bool set_cookies(const Text& cookies);
    bool set_user_agent(const std::optional<Text>& value = std::nullopt);
    bool set_referer(const std::optional<Text>& value = std::nullopt);
    bool set_accept(const std::optional<Text>& value = std::nullopt);
    bool set_accept_language(const std::optional<Text>& value = std::nullopt);
    bool set_content_type(const std::optional<Text>& value = std::nullopt);
    bool set_requested_with();
    bool set_forwarded_for(const Text& address);
    // The jar's pairs ("a=1; b=2").
    Text cookie_jar() const;
    // Replaces the jar with `jar` (made into jar form) and returns `jar`.
    Text cookie_jar(const Text& jar);
    Text jar_cookie(const Text& name, bool with_name = false) const;
    bool merge_jar_cookies(const Text& cookies);
    bool delete_jar_cookies(const Text& names);

    // Beyond the object's table: the probe's safety switches.
    // Connect over IPv4 only, for every later request of this session.
    void set_ipv4_only(bool on = true);
    // One deadline, `milliseconds` from now, for every request and redirect hop of the session.
    void set_deadline(int milliseconds);
    // The most body bytes a response may bring; a longer body is cut off, not complete.
    void set_max_body_bytes(std::size_t bytes);
    // True when the last response arrived whole: headers and the entire body, nothing cut
    // off by a time-out, a reset, a close before its length or the body cap.
    bool response_complete() const;

    // State readers for callers and tests.
    int redirect_count() const { return redirect_count_; }
    int content_length() const { return content_length_; }
    const Text& current_url() const { return current_url_; }

  private:
    std::shared_ptr<HttpSession> session_;
    std::shared_ptr<HttpConnection> connection_;
    std::shared_ptr<HttpRequest> request_;
    Text host_name_;
    int host_port_ = 0;
    Text current_url_;
    int url_scheme_ = 0;
    bool is_post_ = false;
    Bytes receive_buffer_;
    int body_length_ = 0;
    int content_length_ = 0;
    Text raw_headers_;
    bool auto_headers_ = true;
    int cookie_mode_ = 0;
    Text cookie_jar_;
    int cookie_jar_length_ = 0;
    bool no_redirects_ = false;
    int redirect_count_ = 0;
    bool proxy_credentials_pending_ = false;
    Text proxy_user_;
    Text proxy_password_;
    bool ignore_cert_errors_ = true;
};
