// The fake cloud DNS endpoint: its server thread, lock, traffic records and forced failures.
#include "support/fake_dns_api.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>

namespace {

bool is_form_content_type(const std::string& content_type) {
    static const std::string kForm = "application/x-www-form-urlencoded";
    if (content_type.size() < kForm.size()) {
        return false;
    }
    for (size_t i = 0; i < kForm.size(); ++i) {
        char c = content_type[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != kForm[i]) {
            return false;
        }
    }
    return content_type.size() == kForm.size() || content_type[kForm.size()] == ';' ||
           content_type[kForm.size()] == ' ';
}

// "Fri, 11 Dec 2026 13:24:05 GMT".
// Written by hand: strftime would follow the process locale, which Qt sets.
std::string http_date(std::int64_t unix_seconds) {
    static const char* const kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::int64_t days = unix_seconds / 86400;
    std::int64_t rest = unix_seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02u %s %d %02d:%02d:%02d GMT",
                  kDays[((days % 7) + 7) % 7], static_cast<unsigned>(date.day()),
                  kMonths[static_cast<unsigned>(date.month()) - 1], static_cast<int>(date.year()),
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

}  // namespace

std::string FakeRequest::param(const std::string& name) const {
    const std::string* value = find_param(params, name);
    return value == nullptr ? std::string() : *value;
}

FakeDnsApi::FakeDnsApi() : server_(std::make_unique<httplib::Server>()) {
    start();
}

FakeDnsApi::FakeDnsApi(const std::string& cert_file, const std::string& key_file)
    : server_(std::make_unique<httplib::SSLServer>(cert_file.c_str(), key_file.c_str())),
      https_(true) {
    start();
}

FakeDnsApi::~FakeDnsApi() {
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

void FakeDnsApi::start() {
    if (!server_->is_valid()) {
        return;
    }
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); };
    server_->Get("/", handler);
    server_->Post("/", handler);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        return;
    }
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        thread_done_ = true;
    });
    // stop() is only heard once the accept loop runs, so wait for it.
    while (!server_->is_running() && !thread_done_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool FakeDnsApi::is_running() const {
    return server_->is_running();
}

std::string FakeDnsApi::url() const {
    return std::string(https_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/";
}

void FakeDnsApi::set_access_key(const std::string& id, const std::string& secret) {
    std::lock_guard lock(mutex_);
    service_.set_access_key(id, secret);
}

std::string FakeDnsApi::add_domain(const std::string& name, const std::string& puny_code) {
    std::lock_guard lock(mutex_);
    return service_.add_domain(name, puny_code);
}

std::string FakeDnsApi::add_record(const std::string& domain, const std::string& rr,
                                   const std::string& value, const std::string& type,
                                   const std::string& status, const std::string& record_id) {
    FakeRecord record;
    record.domain_name = domain;
    record.rr = rr;
    record.value = value;
    record.type = type;
    record.status = status;
    record.record_id = record_id;
    return add_record(record);
}

std::string FakeDnsApi::add_record(const FakeRecord& record) {
    std::lock_guard lock(mutex_);
    return service_.add_record(record);
}

std::optional<FakeRecord> FakeDnsApi::record(const std::string& record_id) const {
    std::lock_guard lock(mutex_);
    return service_.find_record(record_id);
}

std::vector<FakeRecord> FakeDnsApi::records(const std::string& domain) const {
    std::lock_guard lock(mutex_);
    return service_.records_of(domain);
}

bool FakeDnsApi::change_record(const std::string& record_id,
                               const std::function<void(FakeRecord&)>& edit) {
    std::lock_guard lock(mutex_);
    return service_.change_record(record_id, edit);
}

bool FakeDnsApi::remove_record(const std::string& record_id) {
    std::lock_guard lock(mutex_);
    return service_.remove_record(record_id);
}

void FakeDnsApi::answer_next(int http_status, const std::string& body,
                             const std::string& content_type, const std::string& location,
                             int times, const std::string& action, bool dated) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < times; ++i) {
        Fault fault;
        fault.action = action;
        fault.http_status = http_status;
        fault.raw = true;
        fault.body = body;
        fault.content_type = content_type;
        fault.location = location;
        fault.dated = dated;
        faults_.push_back(fault);
    }
}

void FakeDnsApi::set_date_header(bool on) {
    std::lock_guard lock(mutex_);
    date_header_ = on;
}

void FakeDnsApi::set_padding_header(std::size_t bytes) {
    std::lock_guard lock(mutex_);
    padding_header_ = bytes;
}

void FakeDnsApi::set_clock(std::function<std::int64_t()> unix_seconds) {
    std::lock_guard lock(mutex_);
    service_.set_clock(std::move(unix_seconds));
}

int FakeDnsApi::request_count(const std::string& action) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const FakeRequest& request : requests_) {
        count += action.empty() || request.param("Action") == action ? 1 : 0;
    }
    return count;
}

int FakeDnsApi::accepted_count(const std::string& action) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (size_t i = 0; i < requests_.size(); ++i) {
        bool matches = action.empty() || requests_[i].param("Action") == action;
        count += matches && answers_[i].http_status == 200 ? 1 : 0;
    }
    return count;
}

std::vector<std::string> FakeDnsApi::error_codes() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> codes;
    for (const FakeAnswer& answer : answers_) {
        if (!answer.code.empty()) {
            codes.push_back(answer.code);
        }
    }
    return codes;
}

std::vector<FakeRequest> FakeDnsApi::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

FakeRequest FakeDnsApi::last_request() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? FakeRequest() : requests_.back();
}

std::string FakeDnsApi::last_param(const std::string& name) const {
    return last_request().param(name);
}

FakeAnswer FakeDnsApi::last_answer() const {
    std::lock_guard lock(mutex_);
    return answers_.empty() ? FakeAnswer() : answers_.back();
}

void FakeDnsApi::clear_traffic() {
    std::lock_guard lock(mutex_);
    requests_.clear();
    answers_.clear();
}

void FakeDnsApi::fail_next(const std::string& code, const std::string& message, int http_status,
                           int times, const std::string& action) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < times; ++i) {
        Fault fault;
        fault.action = action;
        fault.http_status = http_status;
        fault.code = code;
        fault.message = message;
        faults_.push_back(fault);
    }
}

void FakeDnsApi::drop_next(int times, const std::string& action) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < times; ++i) {
        Fault fault;
        fault.action = action;
        fault.drop = true;
        faults_.push_back(fault);
    }
}

void FakeDnsApi::set_observer(std::function<void(const FakeRequest&, const FakeAnswer&)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

std::optional<FakeDnsApi::Fault> FakeDnsApi::take_fault(const std::string& action) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->action.empty() || it->action == action) {
            Fault fault = *it;
            faults_.erase(it);
            return fault;
        }
    }
    return std::nullopt;
}

void FakeDnsApi::serve(const httplib::Request& req, httplib::Response& res) {
    FakeRequest request;
    request.method = req.method;
    request.target = req.target;
    request.content_type = req.get_header_value("Content-Type");
    request.body = req.body;
    size_t query = req.target.find('?');
    if (query != std::string::npos) {
        request.params = decode_form(std::string_view(req.target).substr(query + 1));
    }
    // As on the service, a POST body is read as parameters only when it is declared a form.
    if (req.method == "POST" && is_form_content_type(request.content_type)) {
        FormParams body = decode_form(req.body);
        request.params.insert(request.params.end(), body.begin(), body.end());
    }

    FakeAnswer answer;
    std::function<void(const FakeRequest&, const FakeAnswer&)> observer;
    std::string content_type = "application/json;charset=utf-8";
    std::string location;
    bool dated = true;
    std::size_t padding = 0;
    std::int64_t now = 0;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        std::optional<Fault> fault = take_fault(request.param("Action"));
        dated = date_header_ && (!fault || fault->dated);
        padding = padding_header_;
        now = service_.now();
        if (fault && fault->drop) {
            answer = {0, "", ""};
        } else if (fault && fault->raw) {
            answer = {fault->http_status, fault->body, ""};
            content_type = fault->content_type;
            location = fault->location;
        } else if (fault) {
            answer = service_.error(fault->http_status, fault->code, fault->message);
        } else {
            answer = service_.handle(request.method, request.params);
        }
        answers_.push_back(answer);
        observer = observer_;
    }
    if (answer.http_status == 0) {
        // A provider that fails makes the server close the connection after the headers.
        res.set_content_provider(64, "application/json",
                                 [](size_t, size_t, httplib::DataSink&) { return false; });
    } else {
        res.status = answer.http_status;
        res.set_content(answer.body, content_type);
    }
    if (dated) {
        res.set_header("Date", http_date(now));
    }
    if (!location.empty()) {
        res.set_header("Location", location);
    }
    if (padding > 0) {
        res.set_header("X-Padding", std::string(padding, 'p'));
    }
    if (observer) {
        observer(request, answer);
    }
}
