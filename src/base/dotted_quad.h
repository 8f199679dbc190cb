// Finding an IPv4 address in the text of an address page.
#pragma once

#include "base/text.h"

// The first dotted quad in `text` that stands alone (no digit, and no dot with a digit,
// on either side) and whose four numbers are at most 255, as written; empty when there
// is none. So "1234.5.6.7" and "1.2.3.4.5" hold none, where a bare pattern would read
// "234.5.6.7" and "1.2.3.4" out of them.
Text first_dotted_quad(const Text& text);
