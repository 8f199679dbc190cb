// Classifying the service's answers by their error code, then by HTTP status.
#include "dnsapi/api_answer.h"

#include <string>

#include "script/json_document.h"

namespace {

struct CodeClass {
    const char* code;
    bool prefix;  // the code and every "code.*" below it
    ApiOutcome outcome;
    ApiCause cause;
};

// First match wins, so Forbidden.RecordLocked comes before the other Forbidden codes.
const CodeClass kCodeTable[] = {
    {"Forbidden.RecordLocked", false, ApiOutcome::permanent, ApiCause::record_locked},
    {"InvalidAccessKeyId", true, ApiOutcome::permanent, ApiCause::key_invalid},
    {"SignatureDoesNotMatch", false, ApiOutcome::permanent, ApiCause::key_invalid},
    {"IncompleteSignature", false, ApiOutcome::permanent, ApiCause::key_invalid},
    {"Forbidden", true, ApiOutcome::permanent, ApiCause::no_permission},
    {"ActionUnauthorized", false, ApiOutcome::permanent, ApiCause::no_permission},
    {"DomainRecordNotBelongToUser", false, ApiOutcome::permanent, ApiCause::record_gone},
    {"IncorrectDomainUser", false, ApiOutcome::permanent, ApiCause::record_gone},
    {"InvalidDomainName.NoExist", false, ApiOutcome::permanent, ApiCause::record_gone},
    {"DomainRecordDuplicate", false, ApiOutcome::in_sync, ApiCause::none},
    {"Throttling", true, ApiOutcome::transient, ApiCause::none},
    {"InternalError", false, ApiOutcome::transient, ApiCause::none},
    {"ServiceUnavailable", false, ApiOutcome::transient, ApiCause::none},
    {"SignatureNonceUsed", false, ApiOutcome::transient, ApiCause::none},
    {"InvalidTimeStamp.Expired", false, ApiOutcome::transient, ApiCause::none},
};

bool code_matches(const Text& code, const CodeClass& entry) {
    const Text name = entry.code;
    if (code == name) {
        return true;
    }
    return entry.prefix && code.size() > name.size() && code.compare(0, name.size(), name) == 0 &&
           code[name.size()] == '.';
}

}  // namespace

ApiVerdict classify_reply(const ApiReply& reply) {
    ApiVerdict verdict;
    JsonDocument document;
    const bool is_object = reply.answered && document.parse_utf8(reply_text(reply)) &&
                           document.value_type(Text()) == kJsonTypeObject;
    const Text code = is_object && document.value_type("Code") == kJsonTypeString
                          ? document.get_text("Code")
                          : Text();
    if (!code.empty()) {
        verdict.code = code;
        // Some messages run long (SignatureDoesNotMatch quotes the whole string to sign).
        verdict.failure = code + " " + shorten_text(document.get_text("Message"), 200, "…");
        // Codes the table does not know are retried: the log says what came back.
        verdict.outcome = ApiOutcome::transient;
        for (const CodeClass& entry : kCodeTable) {
            if (code_matches(code, entry)) {
                verdict.outcome = entry.outcome;
                verdict.cause = entry.cause;
                break;
            }
        }
        return verdict;
    }
    if (is_object && reply.http_status == 200) {
        verdict.outcome = ApiOutcome::success;
        return verdict;
    }
    // No answer, a proxy's page, a redirect, a server error: never shown as it stands.
    verdict.failure = no_answer_failure(reply.http_status);
    return verdict;
}

Text no_answer_failure(int http_status) {
    return http_status > 0 ? kNoAnswer + "（HTTP " + std::to_string(http_status) + "）" : kNoAnswer;
}

std::string_view reply_text(const ApiReply& reply) {
    return std::string_view(reinterpret_cast<const char*>(reply.body.data()), reply.body.size());
}

ApiVerdict permanent_verdict(ApiVerdict verdict, ApiCause cause) {
    verdict.outcome = ApiOutcome::permanent;
    verdict.cause = cause;
    return verdict;
}

Text cause_message(ApiCause cause) {
    switch (cause) {
        case ApiCause::key_invalid:
            return "阿里云API密钥无效，请重新设置后再试";
        case ApiCause::no_permission:
            return "阿里云API密钥没有修改该记录的权限，请检查后再试";
        case ApiCause::record_gone:
            return "解析记录不存在或已更改，请重新选择要解析的域名和记录";
        case ApiCause::record_locked:
            return "解析记录已被锁定，请先在官网解锁后再试";
        case ApiCause::record_disabled:
            return "解析记录已暂停，请先在官网启用后再试";
        case ApiCause::conflict:
            return "已有另一条相同的解析记录，请在官网处理后再试";
        case ApiCause::none:
            break;
    }
    return Text();
}
