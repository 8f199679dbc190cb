// Blocking HTTP and HTTPS exchanges over libcurl's multi interface, so that the wait
// can keep the windows painted and watch for a server that stops sending.
#include "platform/http_transport.h"

#include <curl/curl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "base/header_block.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/http_url.h"
#include "platform/transfer_abort.h"
#include "platform/url_reference.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPaintInterval = std::chrono::milliseconds(50);
constexpr int kPollMilliseconds = 50;

std::atomic<std::uint64_t> transfers_started{0};

void ensure_curl_initialised() {
    static std::once_flag once;
    std::call_once(once, [] {
#ifdef __GLIBC__
        // Bodies of a megabyte and more go back to the system when freed; glibc would
        // otherwise raise this threshold as they come and go, and keep them resident.
        mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

// The system's CA bundle together with the one SSL_CERT_FILE names; empty when the
// variable is not set (libcurl's own default bundle applies then).
std::string combined_ca_bundle() {
    const char* extra = std::getenv("SSL_CERT_FILE");
    if (extra == nullptr || *extra == '\0') {
        return std::string();
    }
    static std::mutex mutex;
    static std::string cached_for;
    static std::string bundle;
    std::lock_guard<std::mutex> lock(mutex);
    if (cached_for != extra || bundle.empty()) {
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        const char* system = info != nullptr && info->cainfo != nullptr
                                 ? info->cainfo
                                 : "/etc/ssl/certs/ca-certificates.crt";
        Text system_certificates;
        Text extra_certificates;
        read_whole_file(system, system_certificates);
        read_whole_file(extra, extra_certificates);
        bundle = system_certificates + "\n" + extra_certificates;
        cached_for = extra;
    }
    return bundle;
}

long curl_auth_scheme(int scheme) {
    switch (scheme) {
        case kHttpAuthNtlm:
            return static_cast<long>(CURLAUTH_NTLM);
        case kHttpAuthDigest:
            return static_cast<long>(CURLAUTH_DIGEST);
        case kHttpAuthNegotiate:
            return static_cast<long>(CURLAUTH_NEGOTIATE);
        default:
            return static_cast<long>(CURLAUTH_BASIC);
    }
}

HttpError error_of(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return HttpError::none;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return HttpError::name_not_resolved;
        case CURLE_COULDNT_CONNECT:
            return HttpError::cannot_connect;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            return HttpError::connection_error;
        case CURLE_OPERATION_TIMEDOUT:
            return HttpError::timeout;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
            return HttpError::secure_failure;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_TOO_MANY_REDIRECTS:
            return HttpError::invalid_response;
        default:
            return HttpError::other;
    }
}

bool is_redirect_status(int code) {
    return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

// A CR or LF that is not the separator of two lines would start a header line of its own.
bool has_line_break(const Text& text) {
    return text.find_first_of("\r\n") != Text::npos;
}

bool is_http_url(const Text& url) {
    Text lower = lower_text(left_text(url, 8));
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

using HeaderList = std::vector<std::pair<Text, Text>>;

HeaderList::iterator find_header(HeaderList& headers, const Text& name) {
    return std::find_if(headers.begin(), headers.end(), [&](const auto& header) {
        return equal_ignoring_case(header.first, name);
    });
}

void remove_headers(HeaderList& headers, const Text& name) {
    headers.erase(
        std::remove_if(headers.begin(), headers.end(),
                       [&](const auto& header) { return equal_ignoring_case(header.first, name); }),
        headers.end());
}

struct CurlHeaderList {
    curl_slist* list = nullptr;
    ~CurlHeaderList() { curl_slist_free_all(list); }
    void add(const Text& line) {
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (grown != nullptr) {
            list = grown;
        }
    }
};

// How a transfer's wait ended.
struct TransferEnd {
    CURLcode result = CURLE_OK;
    bool timed_out = false;
    bool aborted = false;
};

// "host:port" for every request, or "http=host:port" for plain HTTP only.
void set_proxy_options(CURL* easy, Text proxy, const Text& url, const Text& user,
                       const Text& password) {
    const bool https = lower_text(left_text(url, 8)) == "https://";
    if (lower_text(left_text(proxy, 5)) == "http=") {
        proxy = https ? Text() : proxy.substr(5);
    }
    const Text proxy_url = proxy.empty() ? Text() : "http://" + proxy;
    // An empty proxy also keeps libcurl from reading proxy variables of the environment.
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy_url.c_str());
    if (!proxy.empty()) {
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (!user.empty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, user.c_str());
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, password.c_str());
        }
    }
}

void set_login(CURL* easy, const Text& user, const Text& password, int scheme) {
    if (!user.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, curl_auth_scheme(scheme));
    }
}

void set_certificate_options(CURL* easy, bool ignore_errors) {
    if (ignore_errors) {
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
        return;
    }
    std::string ca_bundle = combined_ca_bundle();
    if (!ca_bundle.empty()) {
        curl_blob blob{ca_bundle.data(), ca_bundle.size(), CURL_BLOB_COPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
    }
}

// True when the verb sends `body` (everything but HEAD and a GET without one).
bool set_verb_and_body(CURL* easy, const Text& verb, const Bytes& body) {
    if (verb == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        return false;
    }
    if (verb == "GET" && body.empty()) {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        return false;
    }
    static const char kNoBody = '\0';
    const char* data = body.empty() ? &kNoBody : reinterpret_cast<const char*>(body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, data);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    if (verb != "POST") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
    return true;
}

// Drives the transfer to its end, an abort or a time-out, repainting the windows every
// 50 ms meanwhile. Each time-out bounds its whole phase (sending, then receiving).
TransferEnd run_transfer(CURL* easy, CURLM* multi, std::optional<Clock::time_point> deadline,
                         const HttpTimeouts& timeouts, bool posts_body, std::size_t body_size) {
    TransferEnd end;
    Clock::time_point paint_due = Clock::now() + kPaintInterval;
    Clock::time_point phase_started = Clock::now();
    bool was_sending = posts_body;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            end.result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                    end.result = message->data.result;
                }
            }
            break;
        }
        curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
        Clock::time_point now = Clock::now();
        if (now >= paint_due) {
            keep_windows_painted();
            now = Clock::now();
            paint_due = now + kPaintInterval;
        }
        if (transfer_abort_requested()) {
            end.aborted = true;
            break;
        }
        if (deadline && now >= *deadline) {
            end.timed_out = true;
            break;
        }
        curl_off_t connected_after = 0;
        curl_easy_getinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &connected_after);
        if (connected_after == 0) {
            // Still resolving or connecting: the connect time-out governs this part.
            phase_started = now;
            continue;
        }
        curl_off_t uploaded = 0;
        curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
        bool sending = posts_body && uploaded < static_cast<curl_off_t>(body_size);
        if (sending != was_sending) {
            was_sending = sending;
            phase_started = now;
        }
        // Each time-out bounds its whole phase: a server trickling bytes cannot stretch it.
        int limit = sending ? timeouts.send : timeouts.receive;
        if (limit > 0 && now - phase_started > std::chrono::milliseconds(limit)) {
            end.timed_out = true;
            break;
        }
    }
    return end;
}

}  // namespace

std::uint64_t http_transfers_started() {
    return transfers_started.load();
}

HttpSession::HttpSession(Text user_agent) : user_agent_(std::move(user_agent)) {}

HttpConnection::HttpConnection(std::shared_ptr<HttpSession> session, Text host, int port)
    : session_(std::move(session)), host_(std::move(host)), port_(port) {
    ensure_curl_initialised();
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
}

HttpConnection::~HttpConnection() {
    if (multi_ != nullptr) {
        curl_multi_cleanup(static_cast<CURLM*>(multi_));
    }
    if (easy_ != nullptr) {
        curl_easy_cleanup(static_cast<CURL*>(easy_));
    }
}

// What one transfer collects through libcurl's callbacks.
struct HttpRequest::Hop {
    Text headers;
    bool headers_done = false;
    bool header_overflow = false;
    Bytes* body = nullptr;
    std::size_t max_body = kHttpMaxBodyBytes;
    bool body_capped = false;

    static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
        Hop& hop = *static_cast<Hop*>(user);
        std::size_t length = size * count;
        Text line(data, length);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        // A new status line starts the block of the next response (after 1xx ones).
        if (line.rfind("HTTP/", 0) == 0) {
            hop.headers.clear();
            hop.headers_done = false;
        }
        if (hop.headers.size() + line.size() + 2 > kHttpMaxHeaderBytes) {
            hop.header_overflow = true;
            return 0;
        }
        hop.headers += line + "\r\n";
        if (line.empty()) {
            hop.headers_done = true;
        }
        return length;
    }

    static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
        Hop& hop = *static_cast<Hop*>(user);
        std::size_t length = size * count;
        std::size_t room = hop.max_body - std::min(hop.max_body, hop.body->size());
        std::size_t taken = std::min(room, length);
        // The declared length is reserved at once (up to the cap), so that a big body is
        // held once rather than copied through every doubling.
        const std::size_t needed = hop.body->size() + taken;
        if (hop.body->empty() && hop.body->capacity() < hop.max_body) {
            // Without one the cap is reserved: pages not yet written cost no memory.
            const std::optional<Text> declared = header_value(hop.headers, "Content-Length");
            const unsigned long long value =
                declared ? std::strtoull(declared->c_str(), nullptr, 10) : hop.max_body;
            hop.body->reserve(
                static_cast<std::size_t>(std::min<unsigned long long>(value, hop.max_body)));
        }
        if (needed > hop.body->capacity()) {
            hop.body->reserve(std::min(hop.max_body, std::max(needed, hop.body->capacity() * 2)));
        }
        hop.body->insert(hop.body->end(), data, data + taken);
        if (taken < length) {
            hop.body_capped = true;
            return 0;
        }
        return length;
    }
};

HttpRequest::HttpRequest(std::shared_ptr<HttpConnection> connection, Text verb, Text object_name,
                         bool secure)
    : connection_(std::move(connection)),
      verb_(std::move(verb)),
      object_name_(std::move(object_name)),
      secure_(secure) {}

bool HttpRequest::add_headers(const Text& lines, unsigned flags) {
    bool all_taken = true;
    for (const Text& line : split_text(lines, "\r\n")) {
        if (line.empty()) {
            continue;
        }
        if (has_line_break(line)) {
            all_taken = false;
            continue;
        }
        std::size_t colon = line.find(':');
        Text name = colon == Text::npos ? Text() : trim_blanks(line.substr(0, colon));
        if (name.empty()) {
            all_taken = false;
            continue;
        }
        Text value = trim_blanks(line.substr(colon + 1));
        auto existing = find_header(headers_, name);
        bool present = existing != headers_.end();
        if ((flags & kHttpHeaderAddIfNew) != 0) {
            if (present) {
                all_taken = false;
            } else {
                headers_.emplace_back(name, value);
            }
        } else if ((flags & kHttpHeaderReplace) != 0) {
            if (present && value.empty()) {
                remove_headers(headers_, name);
            } else if (present) {
                existing->second = value;
            } else if ((flags & kHttpHeaderAdd) != 0) {
                if (!value.empty()) {
                    headers_.emplace_back(name, value);
                }
            } else {
                all_taken = false;
            }
        } else {
            headers_.emplace_back(name, value);
        }
    }
    return all_taken;
}

bool HttpRequest::has_header(const Text& name) const {
    return std::any_of(headers_.begin(), headers_.end(),
                       [&](const auto& header) { return equal_ignoring_case(header.first, name); });
}

void HttpRequest::set_proxy_credentials(const Text& user, const Text& password) {
    proxy_user_ = user;
    proxy_password_ = password;
}

void HttpRequest::set_server_credentials(const Text& user, const Text& password, int scheme) {
    server_user_ = user;
    server_password_ = password;
    server_scheme_ = scheme;
}

void HttpRequest::reset_response() {
    error_ = HttpError::none;
    raw_headers_.clear();
    status_code_ = 0;
    body_.clear();
    read_position_ = 0;
    body_truncated_ = false;
}

bool HttpRequest::send(const Bytes& body) {
    reset_response();
    // A verb with blanks or line breaks would rewrite the request line.
    if (!connection_ || !connection_->valid() || verb_.find_first_of("\r\n \t") != Text::npos) {
        error_ = HttpError::other;
        return false;
    }
    HttpSession& session = connection_->session();
    Text object =
        object_name_.empty() || object_name_[0] != '/' ? "/" + object_name_ : object_name_;
    Text url = http_url_origin(secure_ ? kUrlSchemeHttps : kUrlSchemeHttp, connection_->host(),
                               connection_->port()) +
               object;
    Text verb = verb_;
    Bytes hop_body = body;
    // Hops may drop headers and credentials (the caller's Authorization and Cookie go to
    // their own host only); a later send starts from the caller's set.
    HeaderList saved_headers = headers_;
    const Text saved_user = server_user_;
    const Text saved_password = server_password_;
    auto restore = [&] {
        headers_ = saved_headers;
        server_user_ = saved_user;
        server_password_ = saved_password;
    };
    int total = session.timeouts().total;
    exchange_deadline_ =
        total > 0
            ? std::optional<Clock::time_point>(Clock::now() + std::chrono::milliseconds(total))
            : std::nullopt;
    for (int hop = 0;; ++hop) {
        error_ = perform(url, verb, hop_body);
        if (error_ != HttpError::none) {
            restore();
            return false;
        }
        if (!follow_redirects_ || hop >= session.max_redirects() ||
            !is_redirect_status(status_code_)) {
            break;
        }
        // Resolved here rather than by libcurl, which escapes raw bytes in lower-case hex.
        Text location = header_value(raw_headers_, "Location").value_or(Text());
        Text next = resolve_reference(url, escape_url_bytes(location));
        if (location.empty() || !is_http_url(next)) {
            break;
        }
        // Browsers turn a redirected POST into a GET unless the status keeps the method.
        if (status_code_ != 307 && status_code_ != 308 && verb != "HEAD") {
            verb = "GET";
            hop_body.clear();
            remove_headers(headers_, "Content-Type");
            remove_headers(headers_, "Content-Length");
        }
        HttpUrlParts from;
        HttpUrlParts to;
        if (!crack_http_url(url, from) || !crack_http_url(next, to) ||
            lower_text(from.host) != lower_text(to.host) || from.port != to.port) {
            remove_headers(headers_, "Authorization");
            remove_headers(headers_, "Cookie");
            server_user_.clear();
            server_password_.clear();
        }
        url = next;
    }
    restore();
    return true;
}

HttpError HttpRequest::perform(const Text& url, const Text& verb, const Bytes& body) {
    CURL* easy = static_cast<CURL*>(connection_->easy_);
    CURLM* multi = static_cast<CURLM*>(connection_->multi_);
    HttpSession& session = connection_->session();
    const HttpTimeouts& timeouts = session.timeouts();
    reset_response();
    curl_easy_reset(easy);

    Hop hop;
    hop.body = &body_;
    hop.max_body = session.max_body_bytes();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A stop or deadline during the name lookup leaves the resolver thread to finish on
    // its own instead of waiting for it (up to the resolver's 30 s); older libcurl
    // refuses the option and waits as before.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    if (session.ipv4_only()) {
        curl_easy_setopt(easy, CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));
    }
    const Text& agent = session.user_agent();
    const Text agent_line = agent.substr(0, agent.find_first_of("\r\n"));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, agent_line.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Hop::on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &hop);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Hop::on_body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &hop);

    set_proxy_options(easy, session.proxy(), url, proxy_user_, proxy_password_);
    set_login(easy, server_user_, server_password_, server_scheme_);
    set_certificate_options(easy, ignore_certificate_errors_);
    if (timeouts.connect > 0) {
        long limit = static_cast<long>(std::min<long long>(
            INT_MAX, static_cast<long long>(timeouts.connect) + std::max(0, timeouts.resolve)));
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, limit);
    }
    const bool posts_body = set_verb_and_body(easy, verb, body);

    HeaderList headers = headers_;
    if (automatic_cookies_ && find_header(headers, "Cookie") == headers.end()) {
        Text cookies = session.cookie_store().cookies_for(url);
        if (!cookies.empty()) {
            headers.emplace_back("Cookie", cookies);
        }
    }
    CurlHeaderList header_lines;
    for (const auto& [name, value] : headers) {
        header_lines.add(value.empty() ? name + ";" : name + ": " + value);
    }
    // libcurl's own defaults that the system services do not send.
    if (find_header(headers, "Accept") == headers.end()) {
        header_lines.add("Accept:");
    }
    if (posts_body && find_header(headers, "Content-Type") == headers.end()) {
        header_lines.add("Content-Type:");
    }
    if (find_header(headers, "Expect") == headers.end()) {
        header_lines.add("Expect:");
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, header_lines.list);

    std::optional<Clock::time_point> deadline = exchange_deadline_;
    if (session.deadline() && (!deadline || *session.deadline() < *deadline)) {
        deadline = session.deadline();
    }
    if (transfer_abort_requested()) {
        return HttpError::aborted;
    }
    if (deadline && Clock::now() >= *deadline) {
        return HttpError::timeout;
    }

    ++transfers_started;
    TransferScope busy;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        return HttpError::other;
    }
    const TransferEnd end = run_transfer(easy, multi, deadline, timeouts, posts_body, body.size());
    const CURLcode result0 = end.result;
    const bool timed_out = end.timed_out;
    const bool aborted = end.aborted;
    curl_multi_remove_handle(multi, easy);
    if (aborted) {
        body_.clear();
        return HttpError::aborted;
    }
    const CURLcode result = timed_out ? CURLE_OPERATION_TIMEDOUT : result0;

    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    bool response_arrived = hop.headers_done && !hop.header_overflow && code > 0;
    if (result != CURLE_OK &&
        !(response_arrived &&
          (hop.body_capped || timed_out || error_of(result) == HttpError::connection_error ||
           error_of(result) == HttpError::timeout))) {
        body_.clear();
        return hop.header_overflow
                   ? HttpError::invalid_response
                   : (result == CURLE_WRITE_ERROR ? HttpError::other : error_of(result));
    }
    body_truncated_ = result != CURLE_OK;
    raw_headers_ = hop.headers;
    status_code_ = static_cast<int>(code);
    if (automatic_cookies_) {
        for (const Text& value : header_values(raw_headers_, "Set-Cookie")) {
            session.cookie_store().set_from_header(url, value);
        }
    }
    return HttpError::none;
}

Text HttpRequest::status_text() const {
    std::size_t line_end = raw_headers_.find("\r\n");
    Text status_line = raw_headers_.substr(0, line_end);
    std::size_t first_space = status_line.find(' ');
    if (first_space == Text::npos) {
        return Text();
    }
    std::size_t second_space = status_line.find(' ', first_space + 1);
    return second_space == Text::npos ? Text() : trim_blanks(status_line.substr(second_space + 1));
}

Bytes HttpRequest::take_body() {
    if (read_position_ > 0) {
        body_.erase(body_.begin(), body_.begin() + static_cast<std::ptrdiff_t>(read_position_));
    }
    read_position_ = 0;
    return std::move(body_);
}

std::size_t HttpRequest::read(std::uint8_t* buffer, std::size_t capacity) {
    std::size_t count = std::min(capacity, available());
    if (count > 0) {
        std::memcpy(buffer, body_.data() + read_position_, count);
        read_position_ += count;
    }
    return count;
}
