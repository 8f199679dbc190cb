// Request signing over the crypto subsystem; the key comes from the caller.
#include "dnsapi/signing.h"

#include "crypto/base64.h"
#include "crypto/code_page_steps.h"
#include "crypto/hmac_sha1.h"
#include "crypto/percent_encode.h"

Text common_parameters(const Text& access_key_id, std::int64_t clock_offset) {
    // The nonce is drawn before the time stamp is taken.
    const Text nonce = make_nonce();
    const Text timestamp = utc_timestamp(clock_offset);
    // Encoded like every value, so that a key holding "+" or a blank survives form decoding.
    return "AccessKeyId=" + percent_encode(access_key_id, true, true) +
           "&Format=json&SignatureMethod=HMAC-SHA1&SignatureNonce=" + nonce +
           "&SignatureVersion=1.0&Timestamp=" + timestamp + "&Version=2015-01-09";
}

Text string_to_sign(const Text& method, const Text& query) {
    const Text canonical = canonical_query(query, 0);
    const Text encoded = percent_encode(canonical, true, true);
    return method + "&%2F&" + encoded;
}

Text compute_signature_for_method(const Text& access_secret, const Text& method,
                                  const Text& query) {
    // The service keys the HMAC with the secret's UTF-8 bytes (the same bytes for the
    // ASCII secrets it issues); the string to sign is ASCII after percent-encoding.
    const Bytes key = text_to_bytes(gbk_to_utf8(access_secret) + "&");
    const Bytes message = text_to_bytes(string_to_sign(method, query));
    return base64_encode(hmac_sha1(message, key));
}

Text compute_signature(const Text& access_secret, const Text& query) {
    return compute_signature_for_method(access_secret, "POST", query);
}

Text sign_request(const ApiAccess& access, const Text& action_parameters,
                  std::int64_t clock_offset) {
    const Text query = common_parameters(access.access_key_id, clock_offset) + action_parameters;
    const Text signature = compute_signature(access.access_secret, query);
    return canonical_query(query + "&Signature=" + percent_encode(signature, true, false), 0);
}
