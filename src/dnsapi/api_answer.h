// Reading the service's answers: success, "already so" and errors with their code
// and message.
#pragma once

#include "base/text.h"
#include "dnsapi/dns_api_client.h"

// Shown when no answer came at all.
inline const Text kNoAnswer = "网络请求失败";

// "Code Message" of an error answer, or kNoAnswer for an empty answer; empty when
// the answer is not an error.
Text api_error_text(const Text& answer);

// An answer with "RecordId" is success, and so is DomainRecordDuplicate (the record
// already holds the address); anything else, no answer included, is a failure.
UpdateOutcome classify_update_answer(const Text& answer);
