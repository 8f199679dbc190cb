// One complete HTTP or HTTPS exchange with its own session, connection and request;
// the transport of the DNS API client.
#pragma once

#include <cstddef>

#include "base/text.h"

// Answers of the DNS API are small; a bigger body is cut off there, not held.
constexpr std::size_t kWebRequestMaxBody = 8u * 1024u * 1024u;

// Verb indexes of `method` (out-of-range values mean GET).
constexpr int kWebGet = 0;
constexpr int kWebPost = 1;

// What a caller that must judge the answer needs beyond its body, whatever the size of
// the header block (the `response_headers` buffer reads a block over 5000 bytes as none).
struct WebExchange {
    bool complete = false;  // an answer came and the whole body arrived
    int status_code = 0;    // 0 when no answer came
    Text raw_headers;       // the whole header block
};

// Returns the response body for any HTTP status, at most 8 MiB of it; empty when nothing
// could be read. `exchange`, when given, is filled in as above.
// Pointer parameters are the optional in/out ones: a null `send_cookies` means "not
// supplied" (the process cookie store is then used); null out-parameters are not
// written. The server's certificate and host name are always verified against the
// system trust store plus the CA bundle named by SSL_CERT_FILE.
Bytes web_request(const Text& url, int method = kWebGet, const Text& body_text = Text(),
                  Text* send_cookies = nullptr, Text* received_cookies = nullptr,
                  const Text& extra_headers = Text(), Text* response_headers = nullptr,
                  bool no_redirect = false, Bytes* body_bytes = nullptr, const Text& proxy = Text(),
                  bool merge_cookies = true, bool complete_headers = true,
                  bool normalize_header_names = true, WebExchange* exchange = nullptr);
