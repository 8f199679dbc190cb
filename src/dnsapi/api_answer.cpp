// Reading the service's answers.
#include "dnsapi/api_answer.h"

#include "script/json_document.h"

namespace {

const Text kDuplicateCode = "DomainRecordDuplicate";

}  // namespace

Text api_error_text(const Text& answer) {
    if (answer.empty()) {
        return kNoAnswer;
    }
    JsonDocument document;
    if (!document.parse(answer) || document.value_type("Code") == kJsonTypeNone) {
        return Text();
    }
    return document.get_text("Code") + " " + document.get_text("Message");
}

UpdateOutcome classify_update_answer(const Text& answer) {
    if (answer.empty()) {
        return {false, kNoAnswer};
    }
    JsonDocument document;
    bool parsed = document.parse(answer);
    if (parsed && document.value_type(Text()) == kJsonTypeObject &&
        document.value_type("RecordId") != kJsonTypeNone) {
        return {true, Text()};
    }
    if (parsed && document.get_text("Code") == kDuplicateCode) {
        return {true, Text()};
    }
    Text error = api_error_text(answer);
    // An answer that is not the service's JSON (a proxy's page, say) still fails.
    return {false, error.empty() ? left_text(answer, 200) : error};
}
