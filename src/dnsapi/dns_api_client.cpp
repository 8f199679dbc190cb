// The cloud DNS API client: sending an action, the update and the read-back.
#include "dnsapi/dns_api_client.h"

#include <string>

#include "base/header_block.h"
#include "crypto/percent_encode.h"
#include "dnsapi/signing.h"
#include "http/web_request.h"
#include "platform/clock.h"
#include "script/json_document.h"

const Text kDefaultDnsApiUrl = "https://alidns.aliyuncs.com/";

namespace {

const Text kExpiredStamp = "InvalidTimeStamp.Expired";

// Values go into the form body percent-encoded over UTF-8, as the service decodes them.
Text encoded(const Text& value) {
    return percent_encode(value, true, true);
}

}  // namespace

ApiVerdict record_state_verdict(const RecordInfo& info) {
    ApiVerdict verdict = info.verdict;
    if (verdict.outcome != ApiOutcome::success) {
        return verdict;
    }
    if (!equal_ignoring_case(info.type, "A")) {
        return permanent_verdict(verdict, ApiCause::record_gone);
    }
    if (info.locked) {
        return permanent_verdict(verdict, ApiCause::record_locked);
    }
    if (equal_ignoring_case(info.status, "DISABLE")) {
        return permanent_verdict(verdict, ApiCause::record_disabled);
    }
    return verdict;
}

DnsApiClient::DnsApiClient(ApiAccess access, ServerClock* clock, Notice notice)
    : access_(std::move(access)), clock_(clock), notice_(std::move(notice)) {}

ApiReply DnsApiClient::post(const Text& action_parameters, std::int64_t clock_offset) {
    const Text body = sign_request(access_, action_parameters, clock_offset);
    // No redirect: a redirected POST would arrive as a GET and answer something else.
    // The exchange, not the 5000-byte header buffer, says how the service answered: a
    // gateway's long cookies must not turn a done update into "no answer".
    WebExchange exchange;
    Bytes answer = web_request(access_.endpoint, kWebPost, body, nullptr, nullptr, Text(), nullptr,
                               /*no_redirect=*/true, nullptr, Text(), true, true, true, &exchange);
    ApiReply reply;
    reply.http_status = exchange.status_code;
    // An answer cut short is no answer: its JSON could end anywhere.
    reply.answered = reply.http_status > 0 && exchange.complete;
    reply.date = header_value(exchange.raw_headers, "Date").value_or(Text());
    reply.body = std::move(answer);
    return reply;
}

ApiReply DnsApiClient::send_action(const Text& action_parameters) {
    ApiReply reply = post(action_parameters, clock_ != nullptr ? clock_->offset_seconds() : 0);
    if (classify_reply(reply).code != kExpiredStamp) {
        return reply;
    }
    // Machines without a battery-backed clock often start far off: use the service's time.
    const std::optional<std::int64_t> server_now = parse_http_date(reply.date);
    if (!server_now) {
        return reply;
    }
    const std::int64_t offset = *server_now - utc_now_seconds();
    if (clock_ != nullptr) {
        clock_->set_offset_seconds(offset);
    }
    if (notice_) {
        notice_("本机时间与服务器相差" + std::to_string(offset < 0 ? -offset : offset) +
                "秒，已按服务器时间重新提交");
    }
    return post(action_parameters, offset);
}

ApiVerdict DnsApiClient::update_domain_record(const Text& record_id, const Text& host_record,
                                              const Text& new_ip) {
    const Text parameters = "&Action=UpdateDomainRecord&Value=" + encoded(new_ip) +
                            "&Type=A&RR=" + encoded(host_record) +
                            "&RecordId=" + encoded(record_id);
    const ApiReply reply = send_action(parameters);
    ApiVerdict verdict = classify_reply(reply);
    if (verdict.outcome == ApiOutcome::success) {
        JsonDocument document;
        document.parse_utf8(reply_text(reply));
        if (document.get_text("RecordId") != record_id) {
            verdict.outcome = ApiOutcome::transient;
            verdict.failure = no_answer_failure(reply.http_status);
        }
        return verdict;
    }
    if (verdict.outcome != ApiOutcome::in_sync) {
        return verdict;
    }
    // Some record with this RR, type and line holds new_ip: only ours is in sync.
    const RecordInfo info = describe_domain_record_info(record_id);
    if (info.verdict.outcome == ApiOutcome::permanent) {
        return info.verdict;
    }
    if (info.verdict.outcome != ApiOutcome::success) {
        verdict.outcome = ApiOutcome::transient;
        return verdict;
    }
    if (info.value == new_ip) {
        return verdict;
    }
    return permanent_verdict(verdict, ApiCause::conflict);
}

RecordInfo DnsApiClient::describe_domain_record_info(const Text& record_id) {
    const ApiReply reply =
        send_action("&Action=DescribeDomainRecordInfo&RecordId=" + encoded(record_id));
    RecordInfo info;
    info.verdict = classify_reply(reply);
    if (info.verdict.outcome != ApiOutcome::success) {
        if (info.verdict.outcome == ApiOutcome::in_sync) {
            info.verdict.outcome = ApiOutcome::transient;
        }
        return info;
    }
    JsonDocument document;
    document.parse_utf8(reply_text(reply));
    if (document.get_text("RecordId") != record_id ||
        document.value_type("Value") == kJsonTypeNone) {
        info.verdict.outcome = ApiOutcome::transient;
        info.verdict.failure = no_answer_failure(reply.http_status);
        return info;
    }
    info.rr = document.get_text("RR");
    info.type = document.get_text("Type");
    info.value = document.get_text("Value");
    info.status = document.get_text("Status");
    info.locked = document.get_text("Locked") == "true";
    return info;
}
