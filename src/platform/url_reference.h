// URLs as the HTTP clients send and follow them: relative references resolved as RFC 3986
// section 5 says, and blanks and non-ASCII bytes percent-encoded as browsers send them.
#pragma once

#include "base/text.h"

// The target of `reference` (a Location value, say) seen from the absolute URL `base`.
// A base with an authority and no path counts as having the path "/".
Text resolve_reference(const Text& base, const Text& reference);
// Blanks (space, tab), DEL and bytes above 0x7F as "%" and two upper-case hex digits;
// every other byte, "%" included, as it is, so that a line break still makes the URL
// refused rather than sent. For bytes that came from the network.
Text escape_url_bytes(const Text& url);
// A URL the user typed, as it goes on the wire: control bytes and blanks at either end
// dropped, the GBK text's non-ASCII characters written in UTF-8, then escape_url_bytes.
Text request_url(const Text& typed);
