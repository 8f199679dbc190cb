// Blocking HTTP and HTTPS exchanges over libcurl, shaped like the system HTTP services
// the clients were written against: a session, a connection to one host and port, and
// requests on it. Transfers keep the windows painted while they wait.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/text.h"
#include "platform/cookie_store.h"
#include "platform/http_header_flags.h"

// Milliseconds; 0 or below means no limit of our own.
struct HttpTimeouts {
    int resolve = 0;
    int connect = 0;
    int send = 0;     // longest time for the request body to go out
    int receive = 0;  // longest time from the request sent to the response's last byte
    int total = 0;    // whole exchange, redirects included
};

// Limits against hostile servers.
constexpr std::size_t kHttpMaxBodyBytes = 16u * 1024u * 1024u;
constexpr std::size_t kHttpMaxHeaderBytes = 16u * 1024u * 1024u;

class HttpSession {
  public:
    explicit HttpSession(Text user_agent);
    const Text& user_agent() const { return user_agent_; }
    void set_user_agent(const Text& user_agent) { user_agent_ = user_agent; }
    // "host:port" for every request, "http=host:port" for plain HTTP only; empty: direct.
    void set_proxy(const Text& proxy) { proxy_ = proxy; }
    const Text& proxy() const { return proxy_; }
    void set_timeouts(const HttpTimeouts& timeouts) { timeouts_ = timeouts; }
    const HttpTimeouts& timeouts() const { return timeouts_; }
    // Hops followed by requests that follow redirects.
    void set_max_redirects(int hops) { max_redirects_ = hops; }
    int max_redirects() const { return max_redirects_; }
    // The store automatic cookies go to and come from: the session's own unless changed.
    void use_cookie_store(CookieStore* store) { cookie_store_ = store; }
    CookieStore& cookie_store() { return cookie_store_ != nullptr ? *cookie_store_ : own_cookies_; }
    // Connect over IPv4 only (a dual-stack host then answers with its IPv4 address).
    void set_ipv4_only(bool on) { ipv4_only_ = on; }
    bool ipv4_only() const { return ipv4_only_; }
    // The most body bytes a response may bring; the rest is cut off (body_truncated).
    void set_max_body_bytes(std::size_t bytes) { max_body_bytes_ = bytes; }
    std::size_t max_body_bytes() const { return max_body_bytes_; }
    // One deadline for every request of the session, redirect hops included.
    void set_deadline(std::optional<std::chrono::steady_clock::time_point> deadline) {
        deadline_ = deadline;
    }
    const std::optional<std::chrono::steady_clock::time_point>& deadline() const {
        return deadline_;
    }

  private:
    Text user_agent_;
    Text proxy_;
    HttpTimeouts timeouts_;
    bool ipv4_only_ = false;
    std::size_t max_body_bytes_ = kHttpMaxBodyBytes;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    int max_redirects_ = 10;
    CookieStore own_cookies_;
    CookieStore* cookie_store_ = nullptr;
};

// One host and port; successive requests on it reuse the network connection.
class HttpConnection {
  public:
    HttpConnection(std::shared_ptr<HttpSession> session, Text host, int port);
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;
    const Text& host() const { return host_; }
    int port() const { return port_; }
    HttpSession& session() { return *session_; }
    // False when libcurl could not give us a handle.
    bool valid() const { return easy_ != nullptr && multi_ != nullptr; }

  private:
    friend class HttpRequest;
    std::shared_ptr<HttpSession> session_;
    Text host_;
    int port_;
    void* easy_ = nullptr;
    void* multi_ = nullptr;
};

enum class HttpError {
    none,
    name_not_resolved,  // 12007
    cannot_connect,     // 12029
    connection_error,   // 12030
    timeout,            // 12002
    secure_failure,     // 12175
    invalid_response,   // 12152
    aborted,            // 12017: the transfer abort was requested
    other,
};

// Server authentication schemes (the system's values).
constexpr int kHttpAuthBasic = 1;
constexpr int kHttpAuthNtlm = 2;
constexpr int kHttpAuthDigest = 8;
constexpr int kHttpAuthNegotiate = 16;

class HttpRequest {
  public:
    // `object_name` is the path with query; an empty one means "/".
    HttpRequest(std::shared_ptr<HttpConnection> connection, Text verb, Text object_name,
                bool secure);

    // Header lines "Name: value" (or "Name:value") separated by CR LF. Add: appended;
    // Replace: an existing one replaced, or removed when the value is empty, false when
    // absent; Add|Replace: replaced or appended; AddIfNew: appended, false when present.
    // A line with a CR or LF of its own is refused (false), so no value adds a line.
    bool add_headers(const Text& lines, unsigned flags);
    bool has_header(const Text& name) const;

    void set_follow_redirects(bool follow) { follow_redirects_ = follow; }
    // Automatic cookies use the session's cookie store for every hop.
    void set_automatic_cookies(bool on) { automatic_cookies_ = on; }
    void set_ignore_certificate_errors(bool ignore) { ignore_certificate_errors_ = ignore; }
    void set_proxy_credentials(const Text& user, const Text& password);
    void set_server_credentials(const Text& user, const Text& password, int scheme);

    // The whole exchange: redirects followed when allowed, the body read up to the cap.
    // False without sending for a verb holding blanks or line breaks. The user agent is
    // sent up to its first line break.
    // A response whose headers arrived counts as sent even when its body broke off.
    bool send(const Bytes& body);
    HttpError error() const { return error_; }

    // Header block of the last response: status line, header lines, empty line, all CR LF.
    const Text& raw_headers() const { return raw_headers_; }
    int status_code() const { return status_code_; }
    Text status_text() const;
    // True when the body ended before the server finished it (cap, time-out, broken line).
    bool body_truncated() const { return body_truncated_; }
    std::size_t available() const { return body_.size() - read_position_; }
    std::size_t read(std::uint8_t* buffer, std::size_t capacity);
    // The unread rest of the body, handed over without a copy.
    Bytes take_body();

  private:
    struct Hop;
    HttpError perform(const Text& url, const Text& verb, const Bytes& body);
    void reset_response();

    std::shared_ptr<HttpConnection> connection_;
    Text verb_;
    Text object_name_;
    bool secure_;
    std::vector<std::pair<Text, Text>> headers_;
    bool follow_redirects_ = true;
    bool automatic_cookies_ = true;
    bool ignore_certificate_errors_ = false;
    Text proxy_user_;
    Text proxy_password_;
    Text server_user_;
    Text server_password_;
    int server_scheme_ = 0;

    HttpError error_ = HttpError::none;
    Text raw_headers_;
    int status_code_ = 0;
    Bytes body_;
    std::size_t read_position_ = 0;
    bool body_truncated_ = false;
    std::optional<std::chrono::steady_clock::time_point> exchange_deadline_;
};

// Transfers started by this process (each hop and each attempt counts once).
std::uint64_t http_transfers_started();
