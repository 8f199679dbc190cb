// The one table of the service's answers: every reply is success, in sync, transient
// or permanent with a cause, and callers act on that class alone.
#pragma once

#include <string_view>

#include "base/text.h"

// Logged when no usable answer came; "（HTTP n）" follows when a status line did.
inline const Text kNoAnswer = "网络请求失败";

// What came back from one request.
struct ApiReply {
    bool answered = false;  // a status line and the whole body arrived
    int http_status = 0;
    Bytes body;  // UTF-8, as it came; only the values read from it become GBK
    Text date;   // the value of the Date header, empty when absent
};

enum class ApiOutcome {
    success,    // HTTP 200 with a JSON object that is no error
    in_sync,    // DomainRecordDuplicate: some record already holds the value
    transient,  // worth trying again at the next check
    permanent,  // settings or account must change first
};

enum class ApiCause {
    none,
    key_invalid,
    no_permission,
    record_gone,
    record_locked,
    record_disabled,
    conflict,
};

struct ApiVerdict {
    ApiOutcome outcome = ApiOutcome::transient;
    ApiCause cause = ApiCause::none;
    Text code;     // the service's error code; empty when there was none
    Text failure;  // "Code Message" or kNoAnswer(+status); empty on success
};

ApiVerdict classify_reply(const ApiReply& reply);
// kNoAnswer, with "（HTTP n）" when a status came back.
Text no_answer_failure(int http_status);
// The body as the UTF-8 text a JSON parser reads.
std::string_view reply_text(const ApiReply& reply);
// The same failure, now known to be permanent for `cause`.
ApiVerdict permanent_verdict(ApiVerdict verdict, ApiCause cause);
// What the user is told to do about a permanent failure; empty for ApiCause::none.
Text cause_message(ApiCause cause);
