// The fake service: the account, the request checks and the three actions.
#include "support/fake_dns_service.h"

#include <chrono>
#include <cstdio>
#include <tuple>

#include "support/json_writer.h"
#include "support/rpc_signature.h"

namespace {

constexpr std::int64_t kTimestampTolerance = 15 * 60;
constexpr std::uint64_t kFirstRecordId = 853000000000000000ULL;  // above 2^53, as real ids are

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return ascii_lower(a) == ascii_lower(b);
}

bool all_digits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// yyyy-MM-ddTHH:mm:ssZ to seconds since 1970; empty when it is not that form.
std::optional<std::int64_t> parse_timestamp(std::string_view text) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    auto field = [&](size_t at, size_t length) -> int {
        std::string_view digits = text.substr(at, length);
        return all_digits(digits) ? std::stoi(std::string(digits)) : -1;
    };
    int year = field(0, 4), month = field(5, 2), day = field(8, 2);
    int hour = field(11, 2), minute = field(14, 2), second = field(17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        return std::nullopt;
    }
    std::chrono::year_month_day date{std::chrono::year{year},
                                     std::chrono::month{static_cast<unsigned>(month)},
                                     std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

bool is_dotted_quad(std::string_view text) {
    int parts = 0;
    size_t start = 0;
    while (true) {
        size_t end = text.find('.', start);
        std::string_view part =
            text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!all_digits(part) || part.size() > 3 || std::stoi(std::string(part)) > 255) {
            return false;
        }
        ++parts;
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return parts == 4;
}

// A host record the service would take: not empty, no blanks or control characters.
bool is_valid_rr(std::string_view rr) {
    if (rr.empty()) {
        return false;
    }
    for (char c : rr) {
        if (static_cast<unsigned char>(c) <= 0x20) {
            return false;
        }
    }
    return true;
}

std::string missing_message(std::string_view name) {
    return "The input parameter \"" + std::string(name) +
           "\" that is mandatory for processing this request is not supplied.";
}

std::string invalid_message(std::string_view name) {
    return "The specified parameter \"" + std::string(name) + "\" is not valid.";
}

}  // namespace

FakeDnsService::FakeDnsService() : random_(std::random_device{}()) {}

void FakeDnsService::set_access_key(const std::string& id, const std::string& secret) {
    access_key_id_ = id;
    access_secret_ = secret;
}

std::string FakeDnsService::add_domain(const std::string& name, const std::string& puny_code) {
    if (const FakeDomain* existing = find_domain(name)) {
        return existing->domain_id;
    }
    char id[64];
    std::snprintf(id, sizeof id, "00efd71a-770e-4255-b54e-%012llx",
                  static_cast<unsigned long long>(next_id_++));
    domains_.push_back({id, name, puny_code.empty() ? name : puny_code});
    return id;
}

std::string FakeDnsService::add_record(FakeRecord record) {
    add_domain(record.domain_name);
    record.domain_name = find_domain(record.domain_name)->domain_name;
    if (record.record_id.empty()) {
        record.record_id = std::to_string(kFirstRecordId + next_id_++);
    }
    records_.push_back(record);
    return record.record_id;
}

std::optional<FakeRecord> FakeDnsService::find_record(const std::string& record_id) const {
    for (const FakeRecord& record : records_) {
        if (record.record_id == record_id) {
            return record;
        }
    }
    return std::nullopt;
}

std::vector<FakeRecord> FakeDnsService::records_of(const std::string& domain_name) const {
    std::vector<FakeRecord> found;
    const FakeDomain* domain = find_domain(domain_name);
    for (const FakeRecord& record : records_) {
        if (domain != nullptr && record.domain_name == domain->domain_name) {
            found.push_back(record);
        }
    }
    return found;
}

void FakeDnsService::set_clock(std::function<std::int64_t()> unix_seconds) {
    clock_ = std::move(unix_seconds);
}

std::int64_t FakeDnsService::now() const {
    if (clock_) {
        return clock_();
    }
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const FakeDomain* FakeDnsService::find_domain(const std::string& name) const {
    // Domain names compare without regard to ASCII case; the punycode form names the domain too.
    for (const FakeDomain& domain : domains_) {
        if (equal_ignoring_case(domain.domain_name, name) ||
            equal_ignoring_case(domain.puny_code, name)) {
            return &domain;
        }
    }
    return nullptr;
}

std::string FakeDnsService::make_request_id() {
    std::uint64_t a = random_(), b = random_();
    char id[40];
    std::snprintf(id, sizeof id, "%08llX-%04llX-%04llX-%04llX-%012llX",
                  static_cast<unsigned long long>(a >> 32),
                  static_cast<unsigned long long>((a >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(a & 0xFFFF),
                  static_cast<unsigned long long>(b >> 48),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
    return id;
}

FakeAnswer FakeDnsService::error(int http_status, const std::string& code,
                                 const std::string& message) {
    // Member order as the service writes it; clients must not rely on any order.
    JsonWriter json;
    json.begin_object()
        .member("RequestId", make_request_id())
        .member("Message", message)
        .member("Recommend",
                "https://next.api.aliyun.com/troubleshoot?q=" + code + "&product=Alidns")
        .member("HostId", "alidns.aliyuncs.com")
        .member("Code", code)
        .end_object();
    return {http_status, json.text(), code};
}

FakeAnswer FakeDnsService::handle(std::string_view method, const FormParams& params) {
    if (auto refusal = check_request(method, params)) {
        return *refusal;
    }
    const std::string& action = *find_param(params, "Action");
    if (action == "UpdateDomainRecord") {
        return update_domain_record(params);
    }
    if (action == "DescribeDomains") {
        return describe_domains(params);
    }
    if (action == "DescribeDomainRecords") {
        return describe_domain_records(params);
    }
    if (action == "DescribeDomainRecordInfo") {
        return describe_domain_record_info(params);
    }
    return error(404, "InvalidAction.NotFound",
                 "Specified api is not found, please check your url and method.");
}

std::optional<FakeAnswer> FakeDnsService::check_request(std::string_view method,
                                                        const FormParams& params) {
    for (const char* name : {"AccessKeyId", "Action", "Signature", "SignatureMethod",
                             "SignatureNonce", "SignatureVersion", "Timestamp", "Version"}) {
        const std::string* value = find_param(params, name);
        if (value == nullptr || value->empty()) {
            return error(400, "MissingParameter", missing_message(name));
        }
    }
    if (*find_param(params, "Version") != "2015-01-09") {
        return error(400, "InvalidVersion", "Specified parameter Version is not valid.");
    }
    if (*find_param(params, "SignatureMethod") != "HMAC-SHA1") {
        return error(400, "InvalidParameter", invalid_message("SignatureMethod"));
    }
    if (*find_param(params, "SignatureVersion") != "1.0") {
        return error(400, "InvalidParameter", invalid_message("SignatureVersion"));
    }
    // The service answers XML when Format is absent; this fake speaks JSON only.
    const std::string* format = find_param(params, "Format");
    if (format == nullptr || !equal_ignoring_case(*format, "JSON")) {
        return error(400, "InvalidParameter",
                     "The specified parameter \"Format\" is not valid: this endpoint answers "
                     "Format=JSON only.");
    }
    std::optional<std::int64_t> stamp = parse_timestamp(*find_param(params, "Timestamp"));
    if (!stamp) {
        return error(400, "InvalidTimeStamp.Format",
                     "Specified time stamp or date value is not well formatted.");
    }
    std::int64_t offset = *stamp - now();
    if (offset > kTimestampTolerance || offset < -kTimestampTolerance) {
        return error(400, "InvalidTimeStamp.Expired",
                     "Specified time stamp or date value is expired.");
    }
    if (access_key_id_.empty() || *find_param(params, "AccessKeyId") != access_key_id_) {
        return error(404, "InvalidAccessKeyId.NotFound", "Specified access key is not found.");
    }
    std::string string_to_sign = rpc_string_to_sign(method, params);
    if (*find_param(params, "Signature") != rpc_signature(string_to_sign, access_secret_)) {
        return error(400, "SignatureDoesNotMatch",
                     "Specified signature is not matched with our calculation. server string to "
                     "sign is:" +
                         string_to_sign);
    }
    // Only a request that passed the signature check uses up its nonce.
    if (!used_nonces_.insert(*find_param(params, "SignatureNonce")).second) {
        return error(400, "SignatureNonceUsed", "Specified signature nonce was used already.");
    }
    return std::nullopt;
}

FakeAnswer FakeDnsService::update_domain_record(const FormParams& params) {
    for (const char* name : {"RecordId", "RR", "Type", "Value"}) {
        const std::string* value = find_param(params, name);
        if (value == nullptr || value->empty()) {
            return error(400, "MissingParameter", missing_message(name));
        }
    }
    const std::string& record_id = *find_param(params, "RecordId");
    const std::string& rr = *find_param(params, "RR");
    const std::string& type = *find_param(params, "Type");
    const std::string& value = *find_param(params, "Value");
    FakeRecord* record = nullptr;
    for (FakeRecord& candidate : records_) {
        if (candidate.record_id == record_id) {
            record = &candidate;
        }
    }
    if (record == nullptr) {
        return error(400, "DomainRecordNotBelongToUser",
                     "The DNS record does not belong to the user.");
    }
    if (!is_valid_rr(rr)) {
        return error(400, "InvalidRR", "The host record is not valid.");
    }
    if (type == "A" && !is_dotted_quad(value)) {
        return error(400, "InvalidParameter", invalid_message("Value"));
    }
    if (record->locked) {
        return error(400, "Forbidden.RecordLocked", "The DNS record is locked.");
    }
    // The record itself holding the value, or another one of the same RR, type and line.
    for (const FakeRecord& other : records_) {
        if (other.domain_name == record->domain_name && equal_ignoring_case(other.rr, rr) &&
            equal_ignoring_case(other.type, type) && other.line == record->line &&
            other.value == value) {
            return error(400, "DomainRecordDuplicate", "The DNS record already exists.");
        }
    }
    record->rr = rr;
    record->type = type;
    record->value = value;
    JsonWriter json;
    json.begin_object()
        .member("RequestId", make_request_id())
        .member("RecordId", record->record_id)
        .end_object();
    return {200, json.text(), ""};
}

std::optional<FakeAnswer> FakeDnsService::read_paging(const FormParams& params, int max_size,
                                                      int& number, int& size) {
    number = 1;
    size = 20;
    for (auto [name, target, limit] :
         {std::tuple{"PageNumber", &number, 1000000}, std::tuple{"PageSize", &size, max_size}}) {
        const std::string* text = find_param(params, name);
        if (text == nullptr) {
            continue;
        }
        if (!all_digits(*text) || text->size() > 7 || std::stoi(*text) < 1 ||
            std::stoi(*text) > limit) {
            return error(400, "InvalidParameter", invalid_message(name));
        }
        *target = std::stoi(*text);
    }
    return std::nullopt;
}

FakeAnswer FakeDnsService::describe_domains(const FormParams& params) {
    int number = 0, size = 0;
    if (auto refusal = read_paging(params, 100, number, size)) {
        return *refusal;
    }
    JsonWriter json;
    json.begin_object()
        .member("TotalCount", static_cast<int>(domains_.size()))
        .member("PageSize", size)
        .member("RequestId", make_request_id())
        .key("Domains")
        .begin_object()
        .key("Domain")
        .begin_array();
    size_t first = static_cast<size_t>(number - 1) * static_cast<size_t>(size);
    for (size_t i = first; i < domains_.size() && i < first + static_cast<size_t>(size); ++i) {
        const FakeDomain& domain = domains_[i];
        json.begin_object()
            .member("DomainId", domain.domain_id)
            .member("DomainName", domain.domain_name)
            .member("AliDomain", true)
            .member("PunyCode", domain.puny_code)
            .member("RecordCount", static_cast<int>(records_of(domain.domain_name).size()))
            .member("VersionCode", "mianfei")
            .member("CreateTime", "2024-01-01T08:00Z")
            .member("Starmark", false)
            .key("DnsServers")
            .begin_object()
            .key("DnsServer")
            .begin_array()
            .string("dns1.hichina.com")
            .string("dns2.hichina.com")
            .end_array()
            .end_object()
            .key("Tags")
            .begin_object()
            .key("Tag")
            .begin_array()
            .end_array()
            .end_object()
            .end_object();
    }
    json.end_array().end_object().member("PageNumber", number).end_object();
    return {200, json.text(), ""};
}

FakeAnswer FakeDnsService::describe_domain_records(const FormParams& params) {
    const std::string* domain_name = find_param(params, "DomainName");
    if (domain_name == nullptr || domain_name->empty()) {
        return error(400, "MissingParameter", missing_message("DomainName"));
    }
    const FakeDomain* domain = find_domain(*domain_name);
    if (domain == nullptr) {
        return error(400, "IncorrectDomainUser", "The domain name does not belong to you.");
    }
    int number = 0, size = 0;
    if (auto refusal = read_paging(params, 500, number, size)) {
        return *refusal;
    }
    std::vector<FakeRecord> records = records_of(domain->domain_name);
    JsonWriter json;
    json.begin_object()
        .member("TotalCount", static_cast<int>(records.size()))
        .member("PageSize", size)
        .member("RequestId", make_request_id())
        .key("DomainRecords")
        .begin_object()
        .key("Record")
        .begin_array();
    size_t first = static_cast<size_t>(number - 1) * static_cast<size_t>(size);
    for (size_t i = first; i < records.size() && i < first + static_cast<size_t>(size); ++i) {
        const FakeRecord& record = records[i];
        json.begin_object()
            .member("RR", record.rr)
            .member("Line", record.line)
            .member("Status", record.status)
            .member("Locked", record.locked)
            .member("Type", record.type)
            .member("DomainName", record.domain_name)
            .member("Value", record.value)
            .member("RecordId", record.record_id)
            .member("TTL", record.ttl)
            .member("Weight", record.weight);
        if (record.type == "MX") {
            json.member("Priority", record.priority);
        }
        json.end_object();
    }
    json.end_array().end_object().member("PageNumber", number).end_object();
    return {200, json.text(), ""};
}

FakeAnswer FakeDnsService::describe_domain_record_info(const FormParams& params) {
    const std::string* record_id = find_param(params, "RecordId");
    if (record_id == nullptr || record_id->empty()) {
        return error(400, "MissingParameter", missing_message("RecordId"));
    }
    std::optional<FakeRecord> found = find_record(*record_id);
    if (!found) {
        return error(400, "DomainRecordNotBelongToUser",
                     "The DNS record does not belong to the user.");
    }
    const FakeRecord& record = *found;
    const FakeDomain* domain = find_domain(record.domain_name);
    // Here the service writes Status as Enable/Disable, the listing as ENABLE/DISABLE.
    const std::string status = equal_ignoring_case(record.status, "DISABLE") ? "Disable" : "Enable";
    JsonWriter json;
    json.begin_object()
        .member("RequestId", make_request_id())
        .member("DomainId", domain != nullptr ? domain->domain_id : std::string())
        .member("DomainName", record.domain_name)
        .member("PunyCode", domain != nullptr ? domain->puny_code : record.domain_name)
        .member("RecordId", record.record_id)
        .member("RR", record.rr)
        .member("Type", record.type)
        .member("Value", record.value)
        .member("TTL", record.ttl)
        .member("Line", record.line)
        .member("Status", status)
        .member("Locked", record.locked)
        .end_object();
    return {200, json.text(), ""};
}

bool FakeDnsService::change_record(const std::string& record_id,
                                   const std::function<void(FakeRecord&)>& edit) {
    for (FakeRecord& record : records_) {
        if (record.record_id == record_id) {
            edit(record);
            return true;
        }
    }
    return false;
}

bool FakeDnsService::remove_record(const std::string& record_id) {
    return std::erase_if(records_, [&](const FakeRecord& r) { return r.record_id == record_id; }) >
           0;
}
