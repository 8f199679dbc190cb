// Signature version 1.0 of the cloud RPC API, computed the way the service
// checks a request (test support for the fake endpoint).
#pragma once

#include <string>
#include <string_view>

#include "support/form_codec.h"

// METHOD & %2F & encode(sorted "name=value" pairs), every parameter but
// Signature, names and values RFC 3986-encoded and sorted by encoded name.
std::string rpc_string_to_sign(std::string_view method, const FormParams& params);

// Base64 of HMAC-SHA1 over the string to sign, keyed with the secret and "&".
std::string rpc_signature(std::string_view string_to_sign, std::string_view access_secret);
