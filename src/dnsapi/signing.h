// Signing of DNS API requests (signature version 1.0, HMAC-SHA1): the common
// parameters, the string to sign, the signature and the finished form body.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "dnsapi/api_access.h"
#include "dnsapi/canonical_query.h"
#include "dnsapi/request_stamps.h"

// AccessKeyId, Format, SignatureMethod, SignatureNonce, SignatureVersion, Timestamp
// (moved by `clock_offset` seconds) and Version, joined with "&", no "&" in front.
Text common_parameters(const Text& access_key_id, std::int64_t clock_offset = 0);

// `method`, "&%2F&" and the percent-encoded (UTF-8) canonical query.
Text string_to_sign(const Text& method, const Text& query);
// Base64 HMAC-SHA1 of string_to_sign(method, query), keyed with the UTF-8 bytes of
// the AccessKey Secret followed by "&", as the service computes it.
Text compute_signature_for_method(const Text& access_secret, const Text& method, const Text& query);
// The signature of a query sent with POST, the only method the program uses.
Text compute_signature(const Text& access_secret, const Text& query);

// The signed form body: common parameters, then `action_parameters` (each piece with
// "&" in front), then the Signature, all in canonical order. The Signature's value is
// percent-encoded so that "+" survives form decoding.
Text sign_request(const ApiAccess& access, const Text& action_parameters,
                  std::int64_t clock_offset = 0);
