// Percent-encoding of a text's bytes ("%" and two upper-case hex digits), as the
// DNS API's signature rules want it.
#pragma once

#include "base/text.h"

// With `keep_unreserved`, A-Z a-z 0-9 - . _ ~ stay as they are; every other byte is
// escaped (every byte without it). With `as_utf8`, the UTF-8 form of the GBK text is
// encoded. A "%" in the input is escaped too, so escapes get escaped again.
Text percent_encode(const Text& text, bool keep_unreserved = false, bool as_utf8 = false);
