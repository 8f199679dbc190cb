// Splits an HTTP or HTTPS URL into scheme, host, port, path and extra part, as the
// system's URL cracker does for the HTTP clients and the cookie store.
#pragma once

#include "base/text.h"

constexpr int kUrlSchemeHttp = 1;
constexpr int kUrlSchemeHttps = 2;

struct HttpUrlParts {
    int scheme = 0;  // kUrlSchemeHttp or kUrlSchemeHttps
    Text host;       // as written, without brackets around an IPv6 address
    int port = 0;    // the explicit port, else 80 or 443
    Text path;       // from the first "/" after the host up to "?" or "#"; may be empty
    Text extra;      // "?query#fragment" as written; may be empty
};

// False for any scheme but http and https (either case), an empty host or a bad port.
bool crack_http_url(const Text& url, HttpUrlParts& parts);

// "scheme://host:port" with brackets around an IPv6 host; the port is always written.
Text http_url_origin(int scheme, const Text& host, int port);
