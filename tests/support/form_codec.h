// Form decoding and RFC 3986 percent-encoding the way the cloud DNS service
// reads a request (test support for the fake endpoint).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Decoded name=value pairs in the order they were sent.
using FormParams = std::vector<std::pair<std::string, std::string>>;

// Decodes application/x-www-form-urlencoded text: "+" is a space, %XX a byte.
// The bytes are then read as UTF-8, so an invalid sequence becomes U+FFFD,
// as it does on the service.
FormParams decode_form(std::string_view text);

// Keeps A-Z a-z 0-9 - _ . ~ and writes every other byte as %XY (upper-case hex).
std::string rfc3986_encode(std::string_view bytes);

// name=value pairs joined by "&", both sides encoded with rfc3986_encode.
std::string encode_form(const FormParams& params);

// Replaces every invalid UTF-8 sequence with U+FFFD (EF BF BD).
std::string sanitize_utf8(std::string_view bytes);

// The value of the first parameter with that name, or nullptr.
const std::string* find_param(const FormParams& params, std::string_view name);
