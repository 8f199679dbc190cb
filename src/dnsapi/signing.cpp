// Request signing over the crypto subsystem and the settings record.
#include "dnsapi/signing.h"

#include "app/settings.h"
#include "crypto/base64.h"
#include "crypto/hmac_sha1.h"
#include "crypto/percent_encode.h"

Text common_parameters() {
    // The nonce is drawn before the time stamp is taken.
    const Text nonce = make_nonce();
    const Text timestamp = utc_timestamp();
    // Encoded like every value, so that a key holding "+" or a blank survives form decoding.
    return "AccessKeyId=" + percent_encode(settings().access_key_id, true, true) +
           "&Format=json&SignatureMethod=HMAC-SHA1&SignatureNonce=" + nonce +
           "&SignatureVersion=1.0&Timestamp=" + timestamp + "&Version=2015-01-09";
}

Text string_to_sign(const Text& method, const Text& query) {
    const Text canonical = canonical_query(query, 0);
    const Text encoded = percent_encode(canonical, true, true);
    return method + "&%2F&" + encoded;
}

Text compute_signature_for_method(const Text& method, const Text& query) {
    // Key and message are the GBK bytes as they stand, without conversion.
    const Bytes key = text_to_bytes(settings().access_secret + "&");
    const Bytes message = text_to_bytes(string_to_sign(method, query));
    return base64_encode(hmac_sha1(message, key));
}

Text compute_signature(const Text& query) {
    return compute_signature_for_method("POST", query);
}

Text sign_request(const Text& action_parameters) {
    const Text query = common_parameters() + action_parameters;
    const Text signature = compute_signature(query);
    return canonical_query(query + "&Signature=" + percent_encode(signature, true, false), 0);
}
