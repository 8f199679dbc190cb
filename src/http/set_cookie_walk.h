// Reads the cookies that a response header block sets, for WinHttpClient.
#pragma once

#include "base/text.h"

// The "name=value;" pair of every Set-Cookie header in order, leading blanks removed.
// A header without ";" reads as a browser reads it: the pair ends with its line.
TextArray set_cookie_pairs(const Text& raw_headers);
// True for a pair ending in "=deleted;", "=DELETED;" or "=Deleted;".
bool is_deleted_cookie_marker(const Text& pair);
